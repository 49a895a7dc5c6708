#include "tools/common/tool_input.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tools/common/tool_exit.h"

namespace {

bool Spool(std::FILE* in, const std::string& shown, const char* magic, const char* what, int64_t limit,
           std::string* path, std::string* error) {
  std::FILE* copy = std::tmpfile();
  if (!copy) {
    *error = "cannot keep " + shown + ": " + std::strerror(errno);
    return false;
  }
  const size_t magicBytes = std::strlen(magic);
  std::vector<char> start;
  int64_t total = 0;
  char chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, in)) > 0) {
    if (start.size() < magicBytes) start.insert(start.end(), chunk, chunk + std::min(got, magicBytes - start.size()));
    if (start.size() == magicBytes && std::memcmp(start.data(), magic, magicBytes) != 0) break;
    total += static_cast<int64_t>(got);
    if (total > limit) {
      *error = shown + " is larger than " + what + " can be";
      std::fclose(copy);
      return false;
    }
    if (std::fwrite(chunk, 1, got, copy) != got) {
      *error = "cannot keep " + shown + ": " + std::strerror(errno);
      std::fclose(copy);
      return false;
    }
  }
  if (std::ferror(in)) {
    *error = "cannot read " + shown + ": " + std::strerror(errno);
    std::fclose(copy);
    return false;
  }
  if (start.size() < magicBytes || std::memcmp(start.data(), magic, magicBytes) != 0) {
    *error = shown + " is not " + what;
    std::fclose(copy);
    return false;
  }
  if (std::fflush(copy) != 0) {
    *error = "cannot keep " + shown + ": " + std::strerror(errno);
    std::fclose(copy);
    return false;
  }
  // Stays open for the rest of the run: the file has no other name.
  *path = "/proc/self/fd/" + std::to_string(fileno(copy));
  return true;
}

}  // namespace

bool SeekableInput(const std::string& name, const char* magic, const char* what, int64_t limit, std::string* path,
                   std::string* error) {
  if (name == "-") return Spool(stdin, "standard input", magic, what, limit, path, error);
  const std::string shown = Printable(name);
  struct stat st;
  int code = ::stat(name.c_str(), &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
  if (!code && S_ISREG(st.st_mode) && ::access(name.c_str(), R_OK) != 0) code = errno;
  if (code) {
    *error = "cannot open " + shown + ": " + std::strerror(code);
    return false;
  }
  if (S_ISREG(st.st_mode)) {
    *path = name;
    return true;
  }
  std::FILE* in = std::fopen(name.c_str(), "rb");
  if (!in) {
    *error = "cannot open " + shown + ": " + std::strerror(errno);
    return false;
  }
  const bool ok = Spool(in, shown, magic, what, limit, path, error);
  std::fclose(in);
  return ok;
}

bool ReadFileStart(const std::string& path, size_t count, std::vector<uint8_t>* bytes, std::string* error) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    *error = "cannot open " + Printable(path) + ": " + std::strerror(errno);
    return false;
  }
  bytes->resize(count);
  bytes->resize(std::fread(bytes->data(), 1, count, f));
  const bool ok = !std::ferror(f);
  if (!ok) *error = "cannot read " + Printable(path) + ": " + std::strerror(errno);
  std::fclose(f);
  return ok;
}
