#include "audio/filestream.h"

#include <fcntl.h>
#include <unistd.h>

#include <climits>

#ifndef O_BINARY
#define O_BINARY 0
#endif

sFileStream::sFileStream() : Descriptor(-1), UpdateSwitch(0) {}

sFileStream::~sFileStream() { Close(); }

int sFileStream::Open(const char* path, int mode) {
  Close();
  static const int access[4] = {O_RDONLY, O_WRONLY, O_RDONLY, O_RDWR};
  static const int streamFlags[4] = {
      StreamReadable,
      StreamWritable,
      StreamReadable | StreamSeekable,
      StreamReadable | StreamWritable | StreamSeekable | StreamUpdate,
  };
  static const int creation[4] = {0, O_CREAT, O_CREAT | O_TRUNC, O_CREAT | O_EXCL};
  int fd = open(path, access[mode & 3] | creation[(mode >> 2) & 3] | O_BINARY, 0666);
  if (fd < 0) return -1;
  int length = 0;
  if ((mode & 3) == 1) {
    lseek(fd, 0, SEEK_END);
  } else {
    off_t end = lseek(fd, 0, SEEK_END);
    length = end < 0 ? 0 : end > INT_MAX ? INT_MAX : int(end);
    lseek(fd, 0, SEEK_SET);
  }
  Descriptor = fd;
  SetOpenState(streamFlags[mode & 3], 0, length);
  UpdateSwitch = 0;
  return 0;
}

int sFileStream::DoClose() {
  Finish();
  close(Descriptor);
  Descriptor = -1;
  return 0;
}

int sFileStream::DoRead(void* buffer, int count) { return int(read(Descriptor, buffer, size_t(count))); }

int sFileStream::DoPeek(void* buffer, int count) {
  int got = int(read(Descriptor, buffer, size_t(count)));
  // A read error moved nothing, so there is nothing to step back over.
  if (got > 0) lseek(Descriptor, -got, SEEK_CUR);
  return got;
}

int sFileStream::DoWrite(const void* buffer, int count) { return int(write(Descriptor, buffer, size_t(count))); }

int sFileStream::DoSeek(int position) { return int(lseek(Descriptor, position, SEEK_SET)); }

int sFileStream::Control(int command, intptr_t a, int b) {
  if (Inner) return Inner->Control(command, a, b);
  int old = UpdateSwitch;
  switch (command) {
    case 36: UpdateSwitch = (Flags & StreamUpdate) && b != 0 ? 1 : 0; return old;
    case 37: return UpdateSwitch;
    default: return sStream::Control(command, a, b);
  }
}
