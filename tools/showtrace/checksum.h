// Checksums of frames and files for traces and goldens.
#pragma once
#include <cstdint>
#include <string>

#include "platform/display.h"

uint32_t Crc32(const uint8_t* data, size_t n, uint32_t crc = 0);
// The width x height index bytes, row by row (the pitch's padding left out).
uint32_t FrameIndexCrc(const platform::DDFrame& f);
// r, g, b of the 256 entries.
uint32_t FramePaletteCrc(const platform::DDFrame& f);
bool FileFnv1a64(const std::string& path, uint64_t* hash);
