#include "tools/mpegdec/io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/output/output_file.h"

sFileInput::~sFileInput() {
  if (fd_ > 0) close(fd_);
}

std::string sFileInput::Open(const std::string& path) {
  fd_ = path == "-" ? 0 : open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return std::strerror(errno);
  struct stat st;
  if (fstat(fd_, &st) != 0) return std::strerror(errno);
  if (S_ISDIR(st.st_mode)) return "is a folder";
  device_ = st.st_dev;
  inode_ = st.st_ino;
  seekable_ = S_ISREG(st.st_mode) && lseek(fd_, 0, SEEK_SET) == 0;
  length_ = seekable_ ? int64_t(st.st_size) : 0;
  return "";
}

int sFileInput::Read(void* buffer, int count) {
  std::vector<uint8_t> skip;
  if (!buffer) {
    if (seekable_) {
      off_t here = lseek(fd_, 0, SEEK_CUR);
      off_t there = lseek(fd_, std::min<off_t>(here + count, length_), SEEK_SET);
      return here < 0 || there < 0 ? 0 : int(there - here);
    }
    skip.resize(size_t(std::min(count, 1 << 16)));
    buffer = skip.data();
    count = int(skip.size());
  }
  for (;;) {
    ssize_t got = read(fd_, buffer, size_t(count));
    if (got >= 0) return int(got);
    if (errno != EINTR) return 0;
  }
}

int64_t sFileInput::Seek(int64_t position) {
  if (!seekable_) return 0;
  off_t at = lseek(fd_, off_t(position), SEEK_SET);
  return at < 0 ? 0 : int64_t(at);
}

bool sFileInput::SameFile(const std::string& path) const {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && uint64_t(st.st_dev) == device_ && uint64_t(st.st_ino) == inode_;
}

namespace {

void Le(uint8_t* p, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = uint8_t(v >> (8 * i));
}

// The 44-byte header; sizes past 4 GiB are written as the largest there is.
void WavHeader(uint8_t* h, int rate, int channels, int bytesPerSample, uint64_t data) {
  uint32_t size = uint32_t(std::min<uint64_t>(data, 0xFFFFFFFFull - 36));
  std::memcpy(h, "RIFF", 4);
  Le(h + 4, 36 + size, 4);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  Le(h + 16, 16, 4);
  Le(h + 20, bytesPerSample == 4 ? 3 : 1, 2);
  Le(h + 22, uint32_t(channels), 2);
  Le(h + 24, uint32_t(rate), 4);
  Le(h + 28, uint32_t(rate * channels * bytesPerSample), 4);
  Le(h + 32, uint32_t(channels * bytesPerSample), 2);
  Le(h + 34, uint32_t(8 * bytesPerSample), 2);
  std::memcpy(h + 36, "data", 4);
  Le(h + 40, size, 4);
}

}  // namespace

sPcmOutput::~sPcmOutput() { Abandon(); }

void sPcmOutput::Abandon() {
  if (file_ && !raw_) {
    std::fclose(file_);
    if (!direct_) std::remove(temp_.c_str());
  }
  file_ = nullptr;
}

std::string sPcmOutput::Open(const std::string& path, int rate, int channels, int bytesPerSample) {
  path_ = path;
  if (path == "-") {
    raw_ = true;
    file_ = stdout;
    return "";
  }
  // A symbolic link stays: the file behind it is what is written.
  std::string loop;
  if (!platform::FollowLinks(path, &path_, &loop)) return loop;
  struct stat st;
  if (stat(path_.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return "is a folder";
  uint8_t header[44];
  if (stat(path_.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    // A device or a pipe: written straight, its header not knowing the length.
    raw_ = false;
    direct_ = true;
    file_ = std::fopen(path_.c_str(), "wb");
    if (!file_) return std::strerror(errno);
    WavHeader(header, rate, channels, bytesPerSample, ~0ull);
    return std::fwrite(header, 1, 44, file_) == 44 ? "" : std::strerror(errno);
  }
  // A name of our own beside the target: never another file's.
  temp_ = path_ + ".part-XXXXXX";
  std::vector<char> name(temp_.begin(), temp_.end());
  name.push_back(0);
  int fd = mkstemp(name.data());
  if (fd < 0) return std::strerror(errno);
  temp_ = name.data();
  file_ = fdopen(fd, "wb");
  if (!file_) {
    close(fd);
    std::remove(temp_.c_str());
    return std::strerror(errno);
  }
  WavHeader(header, rate, channels, bytesPerSample, 0);
  if (std::fwrite(header, 1, 44, file_) != 44) {
    std::string why = std::strerror(errno);
    Abandon();
    return why;
  }
  // Kept for the final header.
  format_[0] = rate, format_[1] = channels, format_[2] = bytesPerSample;
  return "";
}

bool sPcmOutput::Write(const void* data, size_t bytes) {
  if (!file_ || bytes == 0) return file_ != nullptr;
  bytes_ += bytes;
  return std::fwrite(data, 1, bytes, file_) == bytes;
}

std::string sPcmOutput::Finish() {
  if (!file_) return "not open";
  if (raw_) return std::fflush(stdout) == 0 ? "" : std::strerror(errno);
  if (direct_) {
    bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok ? "" : std::strerror(errno);
  }
  uint8_t header[44];
  WavHeader(header, format_[0], format_[1], format_[2], bytes_);
  bool ok = std::fflush(file_) == 0 && std::fseek(file_, 0, SEEK_SET) == 0 &&
            std::fwrite(header, 1, 44, file_) == 44 && std::fflush(file_) == 0;
  std::string why = ok ? "" : std::strerror(errno);
  if (std::fclose(file_) != 0 && ok) {
    ok = false;
    why = std::strerror(errno);
  }
  file_ = nullptr;
  if (ok) {
    // mkstemp made it private; a new file gets the usual permissions.
    mode_t mask = umask(0);
    umask(mask);
    chmod(temp_.c_str(), 0666 & ~mask);
    if (std::rename(temp_.c_str(), path_.c_str()) != 0) {
      ok = false;
      why = std::strerror(errno);
    }
  }
  if (!ok) std::remove(temp_.c_str());
  return why;
}
