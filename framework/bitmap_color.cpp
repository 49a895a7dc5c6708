#include "framework/bitmap.h"

#include "framework/system/fatal.h"

uint32_t sBitmap::ColorToIndex(int r, int g, int b, int a) const {
  uint32_t value;
  if (DirectColorToIndex(Kind, r, g, b, a, &value)) return value;
  if (Kind < KindMono || Kind > KindIndex8) Fatal("sBitmap::ColorToIndex() unknown bitmap kind");

  if (PaletteSize < 2) return static_cast<uint32_t>(-10);
  // Entry 0 is never chosen; among equally near entries the lowest wins.
  int best = 1, bestDistance = -1;
  for (int i = 1; i < PaletteSize; ++i) {
    const sColor& e = Palette[i];
    int d = (r > e.r ? r - e.r : e.r - r) + (g > e.g ? g - e.g : e.g - g) + (b > e.b ? b - e.b : e.b - b);
    if (bestDistance < 0 || d < bestDistance) {
      best = i;
      bestDistance = d;
    }
  }
  return static_cast<uint32_t>(best);
}

uint32_t sBitmap::ColorToIndex(const sColor* c) const { return ColorToIndex(c->r, c->g, c->b, c->a); }

void sBitmap::IndexToColor(uint32_t value, sColor* out) const {
  if (DirectIndexToColor(Kind, value, out)) return;
  if (Kind < KindMono || Kind > KindIndex8) return;
  // An external bitmap may have no palette yet: nothing to copy then.
  if (!Palette || PaletteSize <= 0) return;
  *out = Palette[value & static_cast<uint32_t>(PaletteSize - 1)];
}
