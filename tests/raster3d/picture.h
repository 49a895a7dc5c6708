// A drawing surface for rasterizer tests: a target of any format with guard
// bytes around it (so stray writes are caught), an optional Z-buffer, and
// readers for pixel values and coverage masks.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/soft/rasterizer.h"

namespace rastertest {

using platform::RasterFormat;
using platform::RasterVertex;

class Picture {
public:
  Picture(int width, int height, RasterFormat format, int zbits = 0);

  platform::Rasterizer& R() { return raster_; }
  platform::RasterState& State() { return raster_.State(); }
  int Width() const { return width_; }
  int Height() const { return height_; }

  // Every pixel set to one raw value, the Z-buffer to 0.
  void Fill(uint32_t value);
  uint32_t At(int x, int y) const;
  uint32_t DepthAt(int x, int y) const;
  uint32_t Rgb(int x, int y) const;  // r<<16 | g<<8 | b, as the format stores them, expanded to 8 bits
  bool GuardsIntact() const;
  // '#' where pred holds, '.' elsewhere, one line per row.
  std::string Mask(const std::function<bool(uint32_t)>& pred) const;
  std::string Mask(uint32_t background) const {
    return Mask([background](uint32_t v) { return v != background; });
  }

private:
  static constexpr uint8_t Guard = 0xA5;
  static constexpr int GuardRows = 2, GuardBytes = 16;
  int width_, height_, bpp_, pitch_;
  RasterFormat format_;
  std::vector<uint8_t> memory_, depthMemory_;
  platform::Rasterizer raster_;
};

inline RasterVertex V(float x, float y, uint32_t color = 0xFFFFFFFF, float z = 0.5f, float rhw = 1.0f,
                      float u = 0.0f, float v = 0.0f, uint32_t specular = 0) {
  return RasterVertex{x, y, z, rhw, color, specular, u, v};
}

}  // namespace rastertest
