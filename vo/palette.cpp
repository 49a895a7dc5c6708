#include "vo/palette.h"

#include <cstring>

#include "framework/system/reset.h"

sColor ScreenPalette[256];
uint8_t PaletteChanged;
uint8_t ShadeLevel[256];

void ResetScreenPalette() {
  std::memset(ScreenPalette, 0, sizeof ScreenPalette);
  PaletteChanged = 0;
  for (int i = 0; i < 256; ++i) {
    if (i <= 16)
      ShadeLevel[i] = static_cast<uint8_t>(i);
    else if (i >= 32 && i <= 47)
      ShadeLevel[i] = static_cast<uint8_t>(i - 32);
    else
      ShadeLevel[i] = 16;
  }
}

namespace {
const bool initialised = (ResetScreenPalette(), true);
const ResetHook resetPalette(ResetScreenPalette);
}  // namespace
