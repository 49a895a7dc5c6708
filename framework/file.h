// The framework's file handle: a plain file on disk, or an entry of the pack
// file once it is open. Every failure is fatal; a call that returns succeeded.
#pragma once
#include <cstdint>

#include "platform/files.h"

class sFile {
public:
  enum { ModeRead = 1, ModeWrite = 2 };

  platform::FileHandle Handle;  // the pack's handle for a pack entry
  int32_t Size;
  bool SizeKnown;
  int32_t Position;  // last Seek target plus every count Read was asked for
  int32_t Base;      // the entry's offset in the pack, 0 on disk

  sFile();
  ~sFile();
  sFile(const sFile&) = delete;
  sFile& operator=(const sFile&) = delete;

  void Open(const char* name, int mode);
  // Never closes the shared handle while the pack is open.
  void Close();
  // Reads at the OS file pointer, which pack entries share; it does not stop
  // at an entry's end. Bytes past the end of the file read as 0.
  void Read(void* buffer, int count);
  int Seek(int pos);
  int GetSize();
  // Up to max - 1 bytes and a NUL; the rest of a longer string is skipped.
  // The end of the file ends the string.
  void ReadString(char* buffer, int max);

  // Bytes the underlying OS file (the whole pack, for an entry) holds after
  // the current position; negative once reading has passed its end.
  int64_t BytesLeft() const;

private:
  int ReadSome(void* buffer, int count);
};

// The whole file in a buffer the caller frees with ::operator delete.
void* LoadFile(const char* name, int* size);
