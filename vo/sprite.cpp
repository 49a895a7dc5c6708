#include "framework/bitmap.h"
#include "framework/system/fatal.h"
#include "vo/layers.h"

sSprite::~sSprite() {
  delete Image;
  for (sBitmap* p : PhaseImages) delete p;
}

void sSprite::LoadImage(const char* name) { MakePhases(LoadLayerImage(name)); }

void sSprite::MakePhases(sBitmap* image) {
  delete Image;
  Image = image;
  const int W = image->Width, H = image->Height;
  // Ink: dark pixels have much, 0..8.
  for (int y = 0; y < H; ++y) {
    uint8_t* row = image->PixelAddress(0, y, 0);
    for (int x = 0; x < W; ++x) row[x] = static_cast<uint8_t>(((255 - image->Palette[row[x]].r) * 8) / 255);
  }
  for (int k = 0; k < 4; ++k) {
    delete PhaseImages[k];
    sBitmap* phase = PhaseImages[k] = new sBitmap;
    phase->Create((W + 3) / 4 + 1, (H + 3) / 4, KindIndex8, 1);
    phase->Clear(0);
    int py = 0;
    for (int y = 0; y < H; ++y) {
      const uint8_t* src = image->PixelAddress(0, y, 0);
      uint8_t* dst = phase->PixelAddress(0, py, 0);
      for (int x = 0; x < W; ++x) dst[(x + k) / 4] = static_cast<uint8_t>(dst[(x + k) / 4] + src[x]);
      if (y % 4 == 3) ++py;
    }
    // A 4 x 4 block full of ink is level 0, no ink level 16.
    for (int y = 0; y < phase->Height; ++y) {
      uint8_t* row = phase->PixelAddress(0, y, 0);
      for (int x = 0; x < phase->Width; ++x) row[x] = static_cast<uint8_t>(16 - row[x] / 8);
    }
  }
}

int sSprite::Phase() const {
  // Taken as 0..3 also left of the screen.
  return ((static_cast<int>(4 * x) % 4) + 4) % 4;
}
