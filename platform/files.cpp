#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

FileHandle FileOpenRead(const char* name) {
  if (!name) return NoFile;
  int fd;
  do {
    fd = ::open(name, O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return NoFile;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return NoFile;
  }
  return fd;
}

FileHandle FileOpenWrite(const char* name) {
  if (!name) return NoFile;
  int fd;
  do {
    fd = ::open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd < 0 ? NoFile : fd;
}

int FileRead(FileHandle file, void* buffer, int bytes) {
  if (file < 0 || bytes < 0) return -1;
  int total = 0;
  char* out = static_cast<char*>(buffer);
  while (total < bytes) {
    ssize_t got = ::read(file, out + total, static_cast<size_t>(bytes - total));
    if (got < 0) {
      if (errno == EINTR) continue;
      return total > 0 ? total : -1;
    }
    if (got == 0) break;
    total += static_cast<int>(got);
  }
  return total;
}

bool FileSeek(FileHandle file, int64_t position) {
  if (file < 0 || position < 0) return false;
  return ::lseek(file, static_cast<off_t>(position), SEEK_SET) == static_cast<off_t>(position);
}

int64_t FileSize(FileHandle file) {
  struct stat st;
  if (file < 0 || ::fstat(file, &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

void FileClose(FileHandle file) {
  if (file >= 0) ::close(file);
}

bool FileExists(const char* name) {
  struct stat st;
  return name && ::stat(name, &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace platform
