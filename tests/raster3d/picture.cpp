#include "tests/raster3d/picture.h"

#include <algorithm>
#include <cstring>

namespace rastertest {

Picture::Picture(int width, int height, RasterFormat format, int zbits)
    : width_(width), height_(height), format_(format) {
  switch (format) {
    case RasterFormat::Index8: bpp_ = 1; break;
    case RasterFormat::R8G8B8: bpp_ = 3; break;
    case RasterFormat::A8R8G8B8: bpp_ = 4; break;
    default: bpp_ = 2; break;
  }
  pitch_ = width * bpp_ + GuardBytes * 2;
  memory_.assign(static_cast<size_t>(pitch_) * (height + 2 * GuardRows), Guard);
  platform::RasterTarget t;
  t.pixels = memory_.data() + GuardRows * pitch_ + GuardBytes;
  t.pitch = pitch_;
  t.width = width;
  t.height = height;
  t.format = format;
  raster_.SetTarget(t);
  raster_.State().cull = platform::CullMode::None;  // as every 3D scene starts
  if (zbits) {
    platform::RasterDepth d;
    depthMemory_.assign(static_cast<size_t>(width) * (zbits / 8) * height, 0);
    d.memory = depthMemory_.data();
    d.pitch = width * (zbits / 8);
    d.bits = zbits;
    raster_.SetDepth(d);
  }
  Fill(0);
}

void Picture::Fill(uint32_t value) {
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) std::memcpy(raster_.Target().pixels + y * pitch_ + x * bpp_, &value, bpp_);
  std::fill(depthMemory_.begin(), depthMemory_.end(), 0);
}

uint32_t Picture::At(int x, int y) const {
  uint32_t v = 0;
  std::memcpy(&v, raster_.Target().pixels + y * pitch_ + x * bpp_, bpp_);
  return v;
}

uint32_t Picture::DepthAt(int x, int y) const {
  const platform::RasterDepth& d = raster_.Depth();
  uint32_t v = 0;
  std::memcpy(&v, d.memory + y * d.pitch + x * (d.bits / 8), d.bits / 8);
  return v;
}

uint32_t Picture::Rgb(int x, int y) const {
  uint32_t v = At(x, y);
  switch (format_) {
    case RasterFormat::R5G6B5: return ((v >> 8) & 0xF8) << 16 | ((v >> 3) & 0xFC) << 8 | ((v << 3) & 0xF8);
    case RasterFormat::A1R5G5B5: return ((v >> 7) & 0xF8) << 16 | ((v >> 2) & 0xF8) << 8 | ((v << 3) & 0xF8);
    case RasterFormat::Index8: return v;
    default: return v & 0xFFFFFF;
  }
}

bool Picture::GuardsIntact() const {
  const uint8_t* base = raster_.Target().pixels - GuardRows * pitch_ - GuardBytes;
  for (int y = 0; y < height_ + 2 * GuardRows; ++y)
    for (int x = 0; x < pitch_; ++x) {
      bool inside = y >= GuardRows && y < GuardRows + height_ && x >= GuardBytes && x < GuardBytes + width_ * bpp_;
      if (!inside && base[y * pitch_ + x] != Guard) return false;
    }
  return true;
}

std::string Picture::Mask(const std::function<bool(uint32_t)>& pred) const {
  std::string s;
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) s += pred(At(x, y)) ? '#' : '.';
    s += '\n';
  }
  return s;
}

}  // namespace rastertest
