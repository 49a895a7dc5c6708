// Images in memory: one pixel kind, up to 15 halved levels, rows padded to
// 16 bytes, a palette for the indexed kinds; owned or external memory.
#pragma once
#include <cstdint>

#include "framework/bitmap_kinds.h"
#include "framework/rect.h"

class sFile;

class sBitmap {
public:
  int32_t Width;
  int32_t Height;
  int32_t Kind;
  int32_t Bits;
  int32_t Levels;
  int32_t PaletteSize;
  uint8_t* Pixels[16];
  int32_t Pitch[16];
  int32_t Size[16];
  sColor* Palette;
  bool External;

  sBitmap();
  ~sBitmap();
  sBitmap(const sBitmap&) = delete;
  sBitmap& operator=(const sBitmap&) = delete;

  void Free();
  // Owned memory; the size is rounded up to a multiple of 2^(levels-1).
  // Pixel memory starts zeroed.
  void Create(int width, int height, int kind, int levels);
  // Describes memory owned elsewhere; levels get memory through SetLevel.
  void CreateExternal(int width, int height, int kind, int bits, int levels);
  void SetLevel(int pitch, void* pixels, int level);
  void SetPalette(int count, sColor* palette);

  uint8_t* PixelAddress(int x, int y, int level) const;
  sColor* PaletteEntry(int i) const { return Palette + i; }
  void SetPixel(uint32_t value, int x, int y, int level);
  uint32_t GetPixel(int x, int y, int level) const;

  uint32_t ColorToIndex(int r, int g, int b, int a) const;
  uint32_t ColorToIndex(const sColor* c) const;
  void IndexToColor(uint32_t value, sColor* out) const;

  void Clear(uint32_t value);
  // Copies area->w x area->h pixels of every common level through colours.
  void Convert(const sBitmap* src, const sBlitRect* area);
  // Index 8 only: pixel p becomes lo + Palette[p].r * (hi - lo) / 255.
  void MapToRange(int lo, int hi);

  void Load(sFile* file);
  void Load(const char* name);
  // The most pixel bytes Load makes for an image whose rows the file does not
  // all hold ("sBitmap::Load() image too large"); the tools keep every image
  // they write within it.
  static constexpr int64_t MaxLoadBytes = int64_t{64} << 20;
};
