// The screen palette the palette layers compute and the main loop hands to the
// display, with the brightness level of every index for the darkening layers.
#pragma once
#include <cstdint>

#include "framework/bitmap_kinds.h"

extern sColor ScreenPalette[256];
// Set by a palette layer after rewriting ScreenPalette; cleared by the main loop.
extern uint8_t PaletteChanged;
// Palette index -> brightness level 0..16.
extern uint8_t ShadeLevel[256];

// Index ranges of the show.
enum {
  ShadeFirst = 0,     // 0..16: the shade ramp
  BackdropFirst = 32, // 32..47: the remapped backdrops
  EffectFirst = 64,   // 64..255: the effect's colours
};

// Puts the palette state back as the program starts with it.
void ResetScreenPalette();

// Rewrites ScreenPalette entries (r, g, b; alpha kept) and their levels.
inline void SetScreenColor(int i, int r, int g, int b) {
  ScreenPalette[i].r = static_cast<uint8_t>(r);
  ScreenPalette[i].g = static_cast<uint8_t>(g);
  ScreenPalette[i].b = static_cast<uint8_t>(b);
  ShadeLevel[i] = static_cast<uint8_t>((16 * (r & 255)) / 255);
}
