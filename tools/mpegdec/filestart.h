// Where the MPEG audio frames of an everyday file begin.
#pragma once
#include <cstdint>

// Skips a leading ID3 version 2 tag (any version, by its size field) and any
// junk before the first plausible frame header; -1 when none is found.
int FindFirstFrame(const uint8_t* data, int size);
