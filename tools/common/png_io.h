// PNG files through libpng.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "framework/bitmap.h"

struct PngImage {
  int width = 0;
  int height = 0;
  bool indexed = false;         // palette PNG: `indices` and `palette` hold it
  bool grey = false;            // grey or grey + alpha PNG
  std::vector<sColor> palette;  // with tRNS alpha; 255 where none is given
  std::vector<uint8_t> indices;
  std::vector<sColor> rgba;     // every pixel, for every colour type
};

// "-" reads the standard input. A picture of more than maxPixels is refused
// before its pixels are allocated ("image too large").
bool ReadPng(const std::string& path, PngImage* image, std::string* error, int64_t maxPixels = int64_t{1} << 24);

// Level 0 of a bitmap, complete or absent (platform::OutputFile; "-" is the
// standard output): the indexed kinds as a palette PNG (with tRNS when a
// palette alpha is below 255), 0565 and 0888 as RGB, the kinds with alpha as RGBA.
bool WritePng(const std::string& path, const sBitmap& bitmap, std::string* error);
