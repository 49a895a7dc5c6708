// sBitmap -> image file bytes ("BMAP" ... "bmap"), readable by sBitmap::Load.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "framework/bitmap.h"

// Kinds with a depth in the format: Mono (1), Index 8 (8, palette stored),
// 0565 (16) and 0888 (24). Every level is stored.
bool EncodeScl(const sBitmap& bitmap, std::vector<uint8_t>* out, std::string* error);
