// Plain files on disk: opened, positioned from their start, sized, read.
// Write handles only exist to be created or truncated; nothing writes through them.
#pragma once
#include <cstdint>

namespace platform {

using FileHandle = int;
constexpr FileHandle NoFile = -1;

FileHandle FileOpenRead(const char* name);
// Creates or truncates a file for writing (no sharing asked for).
FileHandle FileOpenWrite(const char* name);
// Bytes read (short at the end of the file), or -1 on an error.
int FileRead(FileHandle file, void* buffer, int bytes);
bool FileSeek(FileHandle file, int64_t position);
int64_t FileSize(FileHandle file);  // -1 on an error
void FileClose(FileHandle file);
bool FileExists(const char* name);

}  // namespace platform
