#include "framework/pack.h"

#include <cstring>

#include "framework/file.h"
#include "framework/system/fatal.h"
#include "framework/system/reset.h"
#include "framework/text.h"

namespace {

sFile PackFile;
sPackEntry* Directory = nullptr;
int32_t Count = 0;
bool PackOpen = false;

// Smallest directory entry on disk: size, offset and an empty name.
constexpr int64_t MinEntryBytes = 9;

const ResetHook resetPack(ClosePackFile);

}  // namespace

void ClosePackFile() {
  platform::FileClose(PackFile.Handle);
  PackFile.Handle = platform::NoFile;
  PackFile.SizeKnown = false;
  PackFile.Position = 0;
  PackFile.Base = 0;
  delete[] Directory;
  Directory = nullptr;
  Count = 0;
  PackOpen = false;
}

namespace {

int32_t ReadWord(sFile& f) {
  uint8_t b[4];
  f.Read(b, 4);
  return static_cast<int32_t>(uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24);
}

void FoldName(char* name) {
  for (; *name; ++name) {
    if (*name >= 'A' && *name <= 'Z') *name = static_cast<char>(*name - 'A' + 'a');
    if (*name == '\\') *name = '/';
  }
}

}  // namespace

void OpenPackFile(const char* name) {
  PackFile.Open(name, sFile::ModeRead);
  char magic[4];
  PackFile.Read(magic, 4);
  if (std::memcmp(magic, "PACK", 4) != 0) Fatal("Illegal Packfile");
  ReadWord(PackFile);
  ReadWord(PackFile);
  const int32_t count = ReadWord(PackFile);
  if (count == 0) return;
  // The count comes from the file: one the file cannot hold is not a pack.
  if (count < 0 || 16 + count * MinEntryBytes + 4 > platform::FileSize(PackFile.Handle)) Fatal("Illegal Packfile");

  delete[] Directory;
  Directory = new sPackEntry[count];
  Count = count;
  for (int i = 0; i < count; ++i) {
    Directory[i].size = ReadWord(PackFile);
    Directory[i].offset = ReadWord(PackFile);
    PackFile.ReadString(Directory[i].name, sizeof Directory[i].name);
    FoldName(Directory[i].name);
  }
  PackFile.Read(magic, 4);
  if (std::memcmp(magic, "pack", 4) != 0) Fatal("Illegal Fastfile");
  PackOpen = true;
}

bool PackIsOpen() { return PackOpen; }

platform::FileHandle PackHandle() { return PackFile.Handle; }

int PackEntryCount() { return PackOpen ? Count : 0; }

const sPackEntry* PackEntryAt(int i) { return i >= 0 && i < PackEntryCount() ? &Directory[i] : nullptr; }

const sPackEntry* FindPackEntry(const char* name) {
  for (int i = 0; i < Count; ++i)
    if (StrCompareNoCase(name, Directory[i].name) == 0) return &Directory[i];
  return nullptr;
}
