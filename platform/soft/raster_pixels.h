// Pixel access for the rasterizer: reading and writing the target's formats,
// texel fetch and the exact integer colour arithmetic.
#pragma once
#include "platform/soft/rasterizer.h"

#include <cstdint>
#include <cstddef>
#include <cstring>

namespace platform::raster {

struct Rgba {
  int r, g, b, a;
};

// round(x / 255) for x in 0 .. 255 * 510, without a division.
inline int Div255(int x) {
  x += 128;
  return (x + (x >> 8)) >> 8;
}

inline int Min255(int x) { return x > 255 ? 255 : x; }

inline int Clamp255(int x) { return x < 0 ? 0 : (x > 255 ? 255 : x); }

// 16-bit channels expand without replicating their top bits, as the display's
// colour conversion does, so a written colour reads back as it was stored.
inline Rgba Expand0565(uint32_t v) {
  return {static_cast<int>((v >> 8) & 0xF8), static_cast<int>((v >> 3) & 0xFC),
          static_cast<int>((v << 3) & 0xF8), 255};
}

template <RasterFormat F>
struct PixelIo;

template <>
struct PixelIo<RasterFormat::R5G6B5> {
  static constexpr int Bytes = 2;
  static Rgba Read(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return Expand0565(v);
  }
  static void Write(uint8_t* p, const Rgba& c) {
    uint16_t v = static_cast<uint16_t>((c.r & 0xF8) << 8 | (c.g & 0xFC) << 3 | (c.b >> 3));
    std::memcpy(p, &v, 2);
  }
};

template <>
struct PixelIo<RasterFormat::A1R5G5B5> {
  static constexpr int Bytes = 2;
  static Rgba Read(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return {(v >> 7) & 0xF8, (v >> 2) & 0xF8, (v << 3) & 0xF8, (v & 0x8000) ? 255 : 0};
  }
  static void Write(uint8_t* p, const Rgba& c) {
    uint16_t v = static_cast<uint16_t>((c.a & 0x80) << 8 | (c.r & 0xF8) << 7 | (c.g & 0xF8) << 2 | (c.b >> 3));
    std::memcpy(p, &v, 2);
  }
};

template <>
struct PixelIo<RasterFormat::R8G8B8> {
  static constexpr int Bytes = 3;
  static Rgba Read(const uint8_t* p) { return {p[2], p[1], p[0], 255}; }
  static void Write(uint8_t* p, const Rgba& c) {
    p[0] = static_cast<uint8_t>(c.b);
    p[1] = static_cast<uint8_t>(c.g);
    p[2] = static_cast<uint8_t>(c.r);
  }
};

template <>
struct PixelIo<RasterFormat::A8R8G8B8> {
  static constexpr int Bytes = 4;
  static Rgba Read(const uint8_t* p) { return {p[2], p[1], p[0], p[3]}; }
  static void Write(uint8_t* p, const Rgba& c) {
    uint32_t v = static_cast<uint32_t>(c.a) << 24 | static_cast<uint32_t>(c.r) << 16 |
                 static_cast<uint32_t>(c.g) << 8 | static_cast<uint32_t>(c.b);
    std::memcpy(p, &v, 4);
  }
};

inline bool HasAlpha(TexelFormat f) { return f != TexelFormat::R5G6B5 && f != TexelFormat::R8G8B8; }

// Texels expand as the display's colour conversion does (4-bit channels N * 17).
[[gnu::always_inline]] inline Rgba Texel(const RasterTexture& t, int i, int j) {
  const uint8_t* row = t.pixels + static_cast<std::ptrdiff_t>(j) * t.pitch;
  uint16_t v;
  switch (t.format) {
    case TexelFormat::R5G6B5:
      std::memcpy(&v, row + i * 2, 2);
      return Expand0565(v);
    case TexelFormat::A1R5G5B5:
      return PixelIo<RasterFormat::A1R5G5B5>::Read(row + i * 2);
    case TexelFormat::A4R4G4B4:
      std::memcpy(&v, row + i * 2, 2);
      return {((v >> 8) & 15) * 17, ((v >> 4) & 15) * 17, (v & 15) * 17, (v >> 12) * 17};
    case TexelFormat::R8G8B8:
      return PixelIo<RasterFormat::R8G8B8>::Read(row + i * 3);
    case TexelFormat::A8R8G8B8:
      return PixelIo<RasterFormat::A8R8G8B8>::Read(row + i * 4);
  }
  return {0, 0, 0, 255};
}

// Blend factor for one channel: s and d are the channel values, sa and da the alphas.
inline int Factor(BlendFactor f, int s, int d, int sa, int da) {
  switch (f) {
    case BlendFactor::Zero: return 0;
    case BlendFactor::One: return 255;
    case BlendFactor::SrcColor: return s;
    case BlendFactor::InvSrcColor: return 255 - s;
    case BlendFactor::SrcAlpha: return sa;
    case BlendFactor::InvSrcAlpha: return 255 - sa;
    case BlendFactor::DestAlpha: return da;
    case BlendFactor::InvDestAlpha: return 255 - da;
  }
  return 0;
}

inline bool Compare(CompareFunc f, uint32_t value, uint32_t stored) {
  switch (f) {
    case CompareFunc::Never: return false;
    case CompareFunc::Less: return value < stored;
    case CompareFunc::Equal: return value == stored;
    case CompareFunc::LessEqual: return value <= stored;
    case CompareFunc::Greater: return value > stored;
    case CompareFunc::NotEqual: return value != stored;
    case CompareFunc::GreaterEqual: return value >= stored;
    case CompareFunc::Always: return true;
  }
  return true;
}

}  // namespace platform::raster
