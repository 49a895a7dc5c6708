// A drawing surface for rasterizer tests: a target of any format with guard
// bytes around it (so stray writes are caught), an optional Z-buffer, and
// readers for pixel values and coverage masks.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>
#include "platform/soft/rasterizer.h"
namespace rastertest {
using platform::RasterFormat;
using platform::RasterVertex;
inline RasterVertex V(float x, float y, uint32_t color = 0xFFFFFFFF, float z = 0.5f, float rhw = 1.0f, float u = 0.0f,
                      float v = 0.0f, uint32_t specular = 0) {
  return RasterVertex{x, y, z, rhw, color, specular, u, v};
}
class Picture {
public:
  Picture(int width, int height, RasterFormat format, int zbits = 0)
      : width_(width), height_(height), bpp_(PixelBytes(format)), pitch_(width * bpp_ + GuardBytes * 2), format_(format) {
    memory_.assign(static_cast<size_t>(pitch_) * (height + 2 * GuardRows), Guard);
    raster_.SetTarget({memory_.data() + GuardRows * pitch_ + GuardBytes, pitch_, width, height, format});
    raster_.State().cull = platform::CullMode::None;  // as every 3D scene starts
    if (zbits) {
      depthMemory_.assign(static_cast<size_t>(width) * (zbits / 8) * height, 0);
      raster_.SetDepth({depthMemory_.data(), width * (zbits / 8), zbits});
    }
    Fill(0);
  }
  platform::Rasterizer& R() { return raster_; }
  platform::RasterState& State() { return raster_.State(); }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Every pixel set to one raw value, the Z-buffer to 0.
  void Fill(uint32_t value) {
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) std::memcpy(Address(x, y), &value, bpp_);
    std::fill(depthMemory_.begin(), depthMemory_.end(), 0);
  }
  uint32_t At(int x, int y) const {
    uint32_t v = 0;
    std::memcpy(&v, Address(x, y), bpp_);
    return v;
  }
  uint32_t DepthAt(int x, int y) const {
    const platform::RasterDepth& d = raster_.Depth();
    uint32_t v = 0;
    std::memcpy(&v, d.memory + y * d.pitch + x * (d.bits / 8), d.bits / 8);
    return v;
  }
  // r<<16 | g<<8 | b, as the format stores them, expanded to 8 bits.
  uint32_t Rgb(int x, int y) const {
    const uint32_t v = At(x, y);
    switch (format_) {
      case RasterFormat::R5G6B5: return ((v >> 8) & 0xF8) << 16 | ((v >> 3) & 0xFC) << 8 | ((v << 3) & 0xF8);
      case RasterFormat::A1R5G5B5: return ((v >> 7) & 0xF8) << 16 | ((v >> 2) & 0xF8) << 8 | ((v << 3) & 0xF8);
      case RasterFormat::Index8: return v;
      default: return v & 0xFFFFFF;
    }
  }
  bool GuardsIntact() const {
    for (int y = 0; y < height_ + 2 * GuardRows; ++y)
      for (int x = 0; x < pitch_; ++x) {
        const bool inside = y >= GuardRows && y < GuardRows + height_ && x >= GuardBytes && x < GuardBytes + width_ * bpp_;
        if (!inside && memory_[static_cast<size_t>(y) * pitch_ + x] != Guard) return false;
      }
    return true;
  }
  // '#' where pred holds, '.' elsewhere, one line per row.
  std::string Mask(const std::function<bool(uint32_t)>& pred) const {
    std::string s;
    for (int y = 0; y < height_; ++y, s += '\n')
      for (int x = 0; x < width_; ++x) s += pred(At(x, y)) ? '#' : '.';
    return s;
  }
  std::string Mask(uint32_t background) const {
    return Mask([background](uint32_t v) { return v != background; });
  }
  // An axis-aligned quad as a strip: z runs zLeft .. zRight (zRight < 0: flat).
  void Quad(float x0, float y0, float x1, float y1, uint32_t color, float zLeft = 0.5f, float zRight = -1,
            uint32_t specular = 0) {
    const float zr = zRight < 0 ? zLeft : zRight;
    RasterVertex q[4] = {V(x0, y0, color, zLeft, 1, 0, 0, specular), V(x1, y0, color, zr, 1, 0, 0, specular),
                         V(x0, y1, color, zLeft, 1, 0, 0, specular), V(x1, y1, color, zr, 1, 0, 0, specular)};
    raster_.DrawStrip(q, 4);
  }
private:
  static int PixelBytes(RasterFormat f) {
    return f == RasterFormat::Index8 ? 1 : f == RasterFormat::R8G8B8 ? 3 : f == RasterFormat::A8R8G8B8 ? 4 : 2;
  }
  uint8_t* Address(int x, int y) const {
    return const_cast<uint8_t*>(memory_.data()) + (y + GuardRows) * pitch_ + GuardBytes + x * bpp_;
  }
  static constexpr uint8_t Guard = 0xA5;
  static constexpr int GuardRows = 2, GuardBytes = 16;
  int width_, height_, bpp_, pitch_;
  RasterFormat format_;
  std::vector<uint8_t> memory_, depthMemory_;
  platform::Rasterizer raster_;
};
}  // namespace rastertest
