// The pack file: one archive holding every data file under a path-like name.
// Once it is open, every sFile::Open looks only in it.
#pragma once
#include <cstdint>

#include "platform/files.h"

struct sPackEntry {
  char name[64];   // lower case, '/' separators, at most 63 characters
  int32_t offset;  // from the start of the pack file
  int32_t size;
};

// Called once, before any other file is opened.
void OpenPackFile(const char* name);

// Closes the pack: files are plain files again, and another pack may be opened.
void ClosePackFile();

// For sFile.
bool PackIsOpen();
platform::FileHandle PackHandle();
// The directory in order, for tools that list a pack.
int PackEntryCount();
const sPackEntry* PackEntryAt(int i);
// The first entry whose name matches, ignoring the case of letters; or null.
const sPackEntry* FindPackEntry(const char* name);
