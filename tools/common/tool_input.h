// Files a tool reads through the framework's loaders, which want a regular
// file they can seek in.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The path to load `name` from. A regular file is itself; the standard input
// ("-"), a FIFO or a device is first copied to an unnamed temporary file, at
// most `limit` bytes, and refused early when it does not start with `magic`
// ("<name> is not <what>"). False with "cannot open <name>: <reason>" (a
// folder, a missing or unreadable file) or the refusal.
bool SeekableInput(const std::string& name, const char* magic, const char* what, int64_t limit, std::string* path,
                   std::string* error);

// The first `count` bytes of a file (fewer when it is shorter).
bool ReadFileStart(const std::string& path, size_t count, std::vector<uint8_t>* bytes, std::string* error);
