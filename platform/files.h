// Plain files on disk, read-only: opened, positioned from their start, sized, read.
#pragma once
#include <cstdint>

namespace platform {

using FileHandle = int;
constexpr FileHandle NoFile = -1;

FileHandle FileOpenRead(const char* name);
// Bytes read (short at the end of the file), or -1 on an error.
int FileRead(FileHandle file, void* buffer, int bytes);
bool FileSeek(FileHandle file, int64_t position);
int64_t FileSize(FileHandle file);  // -1 on an error
void FileClose(FileHandle file);
bool FileExists(const char* name);

}  // namespace platform
