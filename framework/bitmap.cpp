#include "framework/bitmap.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "framework/system/fatal.h"

namespace {
const char* const Source = "bitmap";

int LevelSize(int size, int level) {
  int s = size >> level;
  return s < 1 ? 1 : s;
}
}  // namespace

sBitmap::sBitmap()
    : Width(0), Height(0), Kind(0), Bits(0), Levels(0), PaletteSize(0), Pixels{}, Pitch{}, Size{},
      Palette(nullptr), External(false) {}

sBitmap::~sBitmap() { Free(); }

void sBitmap::Free() {
  for (uint8_t*& p : Pixels) {
    if (p && !External) delete[] p;
    p = nullptr;
  }
  if (Palette && !External) delete[] Palette;
  Palette = nullptr;
  PaletteSize = 0;
  External = false;
}

void sBitmap::Create(int width, int height, int kind, int levels) {
  Free();
  if (!(width >= 1)) Assertion(55, Source);
  if (!(height >= 1)) Assertion(56, Source);
  if (!(kind >= 0 && kind < KindCount)) Assertion(57, Source);
  if (!(levels >= 1 && levels < 16)) Assertion(58, Source);

  // Sizes are 32-bit in this record: refuse what does not fit before allocating.
  const int64_t align = int64_t{1} << (levels - 1);
  const int64_t w = (width + align - 1) / align * align;
  const int64_t h = (height + align - 1) / align * align;
  const int bits = KindBits[kind];
  const int64_t pitch0 = (w * bits + 127) / 128 * 16;
  if (w > INT_MAX || h > INT_MAX || pitch0 * h > INT_MAX) Fatal("sBitmap::Create() bitmap too large");

  Width = static_cast<int32_t>(w);
  Height = static_cast<int32_t>(h);
  Kind = kind;
  Levels = levels;
  Bits = bits;

  PaletteSize = Bits <= 8 ? 1 << Bits : 0;
  if (PaletteSize) {
    Palette = new sColor[PaletteSize];
    if (PaletteSize == 2) {
      Palette[0] = {0, 0, 0, 0};
      Palette[1] = {255, 255, 255, 255};
    } else {
      for (int i = 0; i < PaletteSize; ++i) {
        uint8_t v = static_cast<uint8_t>(255 * i / (PaletteSize - 1));
        Palette[i] = {v, v, v, 255};
      }
    }
  }

  int lw = Width, lh = Height;
  for (int l = 0; l < Levels; ++l) {
    Pitch[l] = static_cast<int32_t>((int64_t{lw} * Bits + 127) / 128 * 16);
    Size[l] = Pitch[l] * lh;
    // Zeroed: rows a short image file leaves out read back as 0, not as garbage.
    Pixels[l] = new uint8_t[Size[l]]();
    lw = lw / 2 < 1 ? 1 : lw / 2;
    lh = lh / 2 < 1 ? 1 : lh / 2;
  }
}

void sBitmap::CreateExternal(int width, int height, int kind, int bits, int levels) {
  Free();
  if (!(levels >= 0 && levels < 16)) Assertion(98, Source);
  Width = width;
  Height = height;
  Kind = kind;
  Bits = bits;
  Levels = levels;
  PaletteSize = 0;
  External = true;
}

void sBitmap::SetLevel(int pitch, void* pixels, int level) {
  if (!External) Assertion(111, Source);
  if (!(level >= 0 && level < Levels)) Assertion(112, Source);
  Pitch[level] = pitch;
  Pixels[level] = static_cast<uint8_t*>(pixels);
  Size[level] = (Height >> level) * pitch;
}

void sBitmap::SetPalette(int count, sColor* palette) {
  if (!External) Assertion(121, Source);
  Palette = palette;
  PaletteSize = count;
}

uint8_t* sBitmap::PixelAddress(int x, int y, int level) const {
  return Pixels[level] + static_cast<intptr_t>(Pitch[level]) * y + (Bits * x) / 8;
}

void sBitmap::SetPixel(uint32_t value, int x, int y, int level) {
  uint8_t* p = PixelAddress(x, y, level);
  switch (Kind) {
    case KindMono: {
      uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
      *p = (value & 1) ? (*p | mask) : (*p & ~mask);
      break;
    }
    case KindIndex4:
      if (x & 1)
        *p = static_cast<uint8_t>((*p & 0xF0) | (value & 0x0F));
      else
        *p = static_cast<uint8_t>((*p & 0x0F) | (value & 0x0F) << 4);
      break;
    case KindIndex8:
      *p = static_cast<uint8_t>(value);
      break;
    case Kind0565:
    case Kind1555:
    case Kind4444:
      p[0] = static_cast<uint8_t>(value);
      p[1] = static_cast<uint8_t>(value >> 8);
      break;
    case Kind0888:
      p[0] = static_cast<uint8_t>(value);
      p[1] = static_cast<uint8_t>(value >> 8);
      p[2] = static_cast<uint8_t>(value >> 16);
      break;
    case Kind8888:
      p[0] = static_cast<uint8_t>(value);
      p[1] = static_cast<uint8_t>(value >> 8);
      p[2] = static_cast<uint8_t>(value >> 16);
      p[3] = static_cast<uint8_t>(value >> 24);
      break;
    default:
      break;
  }
}

uint32_t sBitmap::GetPixel(int x, int y, int level) const {
  const uint8_t* p = PixelAddress(x, y, level);
  switch (Kind) {
    case KindMono:
      return (*p & (0x80 >> (x & 7))) ? 1 : 0;
    case KindIndex4:
      return (x & 1) ? (*p & 0x0F) : (*p >> 4);
    case KindIndex8:
      return *p;
    case Kind0565:
    case Kind1555:
    case Kind4444:
      return uint32_t{p[0]} | uint32_t{p[1]} << 8;
    case Kind0888:
      return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
    case Kind8888:
      return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
    default:
      return 0xFFFFFFFFu;
  }
}

void sBitmap::Clear(uint32_t value) {
  if (Bits == 24) {
    for (int l = 0; l < Levels; ++l) {
      if (!Pixels[l]) continue;
      int w = LevelSize(Width, l), h = LevelSize(Height, l);
      for (int y = 0; y < h; ++y) {
        uint8_t* p = Pixels[l] + static_cast<intptr_t>(Pitch[l]) * y;
        for (int x = 0; x < w; ++x, p += 3) {
          p[0] = static_cast<uint8_t>(value);
          p[1] = static_cast<uint8_t>(value >> 8);
          p[2] = static_cast<uint8_t>(value >> 16);
        }
      }
    }
    return;
  }
  uint32_t pattern;
  switch (Bits) {
    case 1: pattern = value ? 0xFFFFFFFFu : 0; break;
    case 4: pattern = ((value << 4 | value) & 0xFF) * 0x01010101u; break;  // the value is not masked
    case 8: pattern = (value & 0xFF) * 0x01010101u; break;
    case 16: pattern = value | value << 16; break;
    default: pattern = value; break;
  }
  for (int l = 0; l < Levels; ++l) {
    if (!Pixels[l]) continue;
    for (int i = 0; i + 4 <= Size[l]; i += 4) std::memcpy(Pixels[l] + i, &pattern, 4);
  }
}

void sBitmap::Convert(const sBitmap* src, const sBlitRect* area) {
  int levels = src->Levels < Levels ? src->Levels : Levels;
  sColor c = {0, 0, 0, 255};
  for (int l = 0; l < levels; ++l) {
    // The one area is clipped to each level of both bitmaps: the smaller
    // levels of a bitmap with levels would not hold it.
    const int w = std::min({area->w, LevelSize(src->Width, l), LevelSize(Width, l)});
    const int h = std::min({area->h, LevelSize(src->Height, l), LevelSize(Height, l)});
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        src->IndexToColor(src->GetPixel(x, y, l), &c);
        SetPixel(ColorToIndex(&c), x, y, l);
      }
  }
}

void sBitmap::MapToRange(int lo, int hi) {
  if (Kind != KindIndex8) Assertion(674, Source);
  if (PaletteSize != 256) Assertion(675, Source);
  for (int y = 0; y < Height; ++y) {
    uint8_t* p = Pixels[0] + static_cast<intptr_t>(Pitch[0]) * y;
    for (int x = 0; x < Width; ++x) p[x] = static_cast<uint8_t>(lo + Palette[p[x]].r * (hi - lo) / 255);
  }
}
