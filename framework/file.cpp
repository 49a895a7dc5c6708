#include "framework/file.h"

#include <cstring>
#include <memory>
#include <new>

#include "framework/pack.h"
#include "framework/system/fatal.h"

namespace {
const char* const Source = "file";
}

sFile::sFile() : Handle(platform::NoFile), Size(0), SizeKnown(false), Position(0), Base(0) {}

sFile::~sFile() { Close(); }

void sFile::Open(const char* name, int mode) {
  Handle = platform::NoFile;
  Position = 0;
  Base = 0;
  SizeKnown = false;

  if (PackIsOpen()) {
    if (mode != ModeRead) Fatal("sFile::Open() packfile can only be read");
    if (const sPackEntry* e = FindPackEntry(name)) {
      Handle = PackHandle();
      Size = e->size;
      SizeKnown = true;
      Base = e->offset;
      Seek(0);
      return;
    }
  } else {
    if (mode == ModeRead)
      Handle = platform::FileOpenRead(name);
    else if (mode == ModeWrite)
      Handle = platform::FileOpenWrite(name);
    else
      Fatal("sFile::Open() Illegal file locking");
    if (Handle != platform::NoFile) return;
  }
  DebugPrintf("sFile::Open() filename %s", name);
  Fatal("sFile::Open() could not open file");
}

void sFile::Close() {
  if (Handle != platform::NoFile && !PackIsOpen()) platform::FileClose(Handle);
  Handle = platform::NoFile;
  SizeKnown = false;
  Position = 0;
}

int sFile::ReadSome(void* buffer, int count) {
  if (Handle == platform::NoFile) Assertion(168, Source);
  int got = platform::FileRead(Handle, buffer, count);
  if (got < 0) Fatal("sFile::Read() read error");
  Position = static_cast<int32_t>(static_cast<uint32_t>(Position) + static_cast<uint32_t>(count));
  return got;
}

void sFile::Read(void* buffer, int count) {
  int got = ReadSome(buffer, count);
  // A short read at the end of the file leaves zeros, not stale bytes.
  if (got < count) std::memset(static_cast<char*>(buffer) + got, 0, static_cast<size_t>(count - got));
}

int sFile::Seek(int pos) {
  if (Handle == platform::NoFile) Assertion(186, Source);
  Position = pos;
  const int64_t target = int64_t{Base} + pos;
  if (!platform::FileSeek(Handle, target)) Fatal("sFile::Seek() failed");
  return static_cast<int>(target);
}

int sFile::GetSize() {
  if (Handle == platform::NoFile) Assertion(198, Source);
  if (!SizeKnown) {
    Size = static_cast<int32_t>(static_cast<uint32_t>(platform::FileSize(Handle)));
    SizeKnown = true;
  }
  return Size;
}

void sFile::ReadString(char* buffer, int max) {
  int stored = 0;
  char c = 0;
  while (stored < max - 1) {
    if (ReadSome(&c, 1) != 1) c = 0;  // the end of the file ends the string
    buffer[stored++] = c;
    if (!c) return;
  }
  if (max >= 1) buffer[max - 1] = 0;
  do {
    if (ReadSome(&c, 1) != 1) return;
  } while (c);
}

int64_t sFile::BytesLeft() const {
  return platform::FileSize(Handle) - (int64_t{Base} + Position);
}

void* LoadFile(const char* name, int* size) {
  sFile file;
  file.Open(name, sFile::ModeRead);
  const int n = file.GetSize();
  // Entry sizes come from the pack's directory: never trust them past the
  // pack's end. On disk the size is the low 32 bits of the real one.
  const int64_t osSize = platform::FileSize(file.Handle);
  if (PackIsOpen()) {
    if (n < 0 || int64_t{file.Base} + n > osSize) Fatal("LoadFile() entry extends beyond the pack file");
  } else if (osSize > 0x7FFFFFFF) {
    Fatal("LoadFile() file too large");
  }
  if (size) *size = n;
  struct Release {
    void operator()(void* p) const { ::operator delete(p); }
  };
  std::unique_ptr<void, Release> buffer(::operator new(static_cast<size_t>(n)));
  file.Read(buffer.get(), n);
  file.Close();
  return buffer.release();
}
