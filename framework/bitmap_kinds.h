// Pixel kinds, their bit layouts and names, and the colour value type.
#pragma once
#include <cstdint>

// Memory order r, g, b, a; a = 255 is opaque. Palettes are arrays of these.
struct sColor {
  uint8_t r, g, b, a;
};
static_assert(sizeof(sColor) == 4, "a palette entry is four bytes");

enum sBitmapKind {
  KindMono = 0,    // 8 pixels per byte, leftmost in the top bit
  KindIndex4 = 1,  // 2 pixels per byte, even x in the high nibble
  KindIndex8 = 2,
  Kind0565 = 3,
  Kind1555 = 4,
  Kind4444 = 5,
  Kind0888 = 6,  // memory order b, g, r
  Kind8888 = 7,  // memory order b, g, r, a
  KindCount = 8
};

// Indexed by the kind; shared by bitmaps and the display driver.
extern const int KindBits[KindCount];
// Seven characters each ("Mono   " is padded).
extern const char* const KindNames[KindCount];

// Colour to pixel value for the direct kinds 3..7 (channels are not clamped).
// Returns false for any other kind.
bool DirectColorToIndex(int kind, int r, int g, int b, int a, uint32_t* value);
// Pixel value to colour for the direct kinds 3..7; 0888 leaves `a` as it was.
// Returns false (and writes nothing) for any other kind.
bool DirectIndexToColor(int kind, uint32_t value, sColor* out);
