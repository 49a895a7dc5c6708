#include "platform/output/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

std::string Folder(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string LastPart(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A new file beside `target` that nobody else can have opened: ".NAME.XXXXXX".
int CreateBeside(const std::string& target, std::string* made) {
  static std::atomic<unsigned> counter{0};
  const std::string stem = Folder(target) + "/." + LastPart(target) + ".";
  for (int tries = 0; tries < 100; ++tries) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "%d-%u", static_cast<int>(::getpid()), counter++);
    *made = stem + suffix;
    const int fd = ::open(made->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

bool FollowLinks(const std::string& path, std::string* target, std::string* error) {
  std::string at = path;
  for (int hops = 0; hops <= 40; ++hops) {
    struct stat st;
    if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      *target = at;
      return true;
    }
    std::string link(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
    const ssize_t n = ::readlink(at.c_str(), &link[0], link.size());
    if (n < 0 || static_cast<size_t>(n) >= link.size()) {
      *error = std::strerror(n < 0 ? errno : ENAMETOOLONG);
      return false;
    }
    link.resize(static_cast<size_t>(n));
    at = !link.empty() && link[0] == '/' ? link : Folder(at) + "/" + link;
  }
  *error = std::strerror(ELOOP);
  return false;
}

bool OutputFile::Open(const std::string& name, std::string* error) {
  Abandon();
  name_ = name;
  auto fail = [&](int code) {
    *error = "cannot write " + name + ": " + std::strerror(code);
    Abandon();
    return false;
  };
  if (name == "-") {
    stream_ = stdout;
    standardOutput_ = true;
    return true;
  }
  std::string why;
  if (name.empty()) return fail(ENOENT);
  // Absolute, so the rename still finds it after the working folder changed.
  std::string absolute = name;
  if (name[0] != '/') {
    char* here = ::getcwd(nullptr, 0);
    if (!here) return fail(errno);
    absolute = std::string(here) + "/" + name;
    std::free(here);
  }
  if (!FollowLinks(absolute, &target_, &why)) {
    *error = "cannot write " + name + ": " + why;
    return false;
  }
  struct stat st;
  const bool exists = ::stat(target_.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) return fail(EISDIR);
  if (exists && !S_ISREG(st.st_mode)) {
    // A device or a FIFO: there is nothing to replace, only to write to.
    stream_ = std::fopen(target_.c_str(), "wb");
    return stream_ ? true : fail(errno);
  }
  int fd = CreateBeside(target_, &writePath_);
  if (fd < 0) {
    const int code = errno;
    // A writable file in a folder we may not add to: written in place.
    if (exists && (code == EACCES || code == EPERM || code == EROFS) && ::access(target_.c_str(), W_OK) == 0) {
      writePath_.clear();
      stream_ = std::fopen(target_.c_str(), "wb");
      return stream_ ? true : fail(errno);
    }
    writePath_.clear();
    return fail(code);
  }
  temporary_ = true;
  if (exists) ::fchmod(fd, st.st_mode & 0777);
  stream_ = ::fdopen(fd, "wb");
  if (!stream_) {
    const int code = errno;
    ::close(fd);
    return fail(code);
  }
  return true;
}

bool OutputFile::Commit(std::string* error) {
  int code = 0;
  if (standardOutput_) {
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) code = errno ? errno : EIO;
    stream_ = nullptr;
    standardOutput_ = false;
  } else if (stream_) {
    errno = 0;
    if (std::fflush(stream_) != 0 || std::ferror(stream_)) code = errno ? errno : EIO;
    if (std::fclose(stream_) != 0 && !code) code = errno ? errno : EIO;
    stream_ = nullptr;
  } else {
    code = EBADF;
  }
  if (!code && temporary_ && std::rename(writePath_.c_str(), target_.c_str()) != 0) code = errno;
  if (!code) temporary_ = false;
  if (code) *error = "cannot write " + name_ + ": " + std::strerror(code);
  Abandon();
  return code == 0;
}

void OutputFile::Abandon() {
  if (stream_ && !standardOutput_) std::fclose(stream_);
  stream_ = nullptr;
  standardOutput_ = false;
  if (temporary_) ::unlink(writePath_.c_str());
  temporary_ = false;
  writePath_.clear();
}

}  // namespace platform
