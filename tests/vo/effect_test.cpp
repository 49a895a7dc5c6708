#include "vo/effect.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "framework/bitmap.h"
#include "tests/support/fatal_capture.h"
#include "tests/vo/files.h"
#include "vo/layers.h"
#include "vo/palette.h"

namespace {

using votest::WriteBytes;
using votest::WriteImage;

// The effect's four files: a mask of one grey value, a flat blob, a texture of
// `rows` rows of one value and a palette of 768 bytes.
void WriteEffectFiles(uint8_t maskGrey, int maskW, int maskH, uint8_t blobValue, uint8_t textureValue, int rows,
                      size_t blobBytes = 4096, size_t paletteBytes = 768) {
  WriteImage("vo/v01_mask.scl", maskW, maskH, {maskGrey});
  WriteBytes("vo/v01_raw1.raw", std::vector<uint8_t>(blobBytes, blobValue));
  WriteBytes("vo/v01_raw2.raw", std::vector<uint8_t>(352 * rows, textureValue));
  std::vector<uint8_t> pal(paletteBytes);
  for (size_t i = 0; i < pal.size(); ++i) pal[i] = static_cast<uint8_t>(i / 3);
  WriteBytes("vo/v01_raw3.raw", pal);
}

// Every blob b < 38 sits still at (col, row) given by place(b).
template <typename F>
void PlaceBlobs(F place) {
  for (int b = 0; b < sBlobField::Blobs; ++b) {
    int col, row;
    place(b, &col, &row);
    for (int i = 0; i < sBlobField::PathPoints; ++i) {
      TheBlobField->Points[b][i].Coord[1] = col * 65536;
      TheBlobField->Points[b][i].Coord[2] = row * 65536;
    }
    TheBlobField->Paths[b].Init(TheBlobField->Points[b], sBlobField::PathPoints);
  }
}

std::unique_ptr<sBitmap> Screen(uint8_t fill) {
  auto s = std::make_unique<sBitmap>();
  s->Create(640, 480, KindIndex8, 1);
  s->Clear(fill);
  return s;
}

uint8_t At(const sBitmap& b, int x, int y) { return b.Pixels[0][b.Pitch[0] * y + x]; }

TEST(MaskedEffect, LoadsItsFilesAndMapsTheMask) {
  votest::InTempFolder dir("effect-load");
  WriteEffectFiles(255, 352, 352, 1, 0, 352);
  sMaskedEffect effect;
  ASSERT_NE(nullptr, EffectMask);
  EXPECT_EQ(64u, EffectMask->GetPixel(10, 10, 0));
  EXPECT_EQ(352 * 352, EffectTextureSize);
  ASSERT_NE(nullptr, TheBlobField);
  EXPECT_EQ(BlobImage, TheBlobField->Blob);
  EXPECT_EQ(64, TheBlobField->BlobSize);
  EXPECT_EQ(100.0f, effect.x0);
  EXPECT_EQ(200.0f, effect.y1);
  EXPECT_EQ(1.0f, effect.Progress);
  EXPECT_EQ(0u, effect.ChannelMask);
}

TEST(MaskedEffect, ShortFilesAreFatalLongerOnesRead) {
  votest::InTempFolder dir("effect-sizes");
  WriteEffectFiles(255, 352, 352, 1, 0, 352, 4095);
  EXPECT_FATAL(sMaskedEffect(), "sMaskedEffect() vo/v01_raw1.raw must hold 4096 bytes");
  WriteEffectFiles(255, 352, 352, 1, 0, 352, 4096, 767);
  EXPECT_FATAL(sMaskedEffect(), "sMaskedEffect() vo/v01_raw3.raw must hold 768 bytes");
  // 4,096, 768 and whole rows are read; more is no fault.
  WriteEffectFiles(255, 352, 352, 1, 0, 352, 4097, 769);
  WriteBytes("vo/v01_raw2.raw", std::vector<uint8_t>(352 * 10 + 5));
  { sMaskedEffect longer; }
  // A mask of another kind stops in the remapping of its picture.
  WriteImage("vo/v01_mask.scl", 4, 4, {0, 0}, 16);
  EXPECT_FATAL(sMaskedEffect(), "Assertion in line 674, file bitmap");
}

TEST(MaskedEffect, RectangleMustBeCoveredByMaskAndTexture) {
  votest::InTempFolder dir("effect-cover");
  WriteEffectFiles(255, 200, 352, 1, 0, 100);
  sMaskedEffect effect;
  auto screen = Screen(40);
  effect.x0 = 0;
  effect.x1 = 150;
  effect.y0 = 0;
  effect.y1 = 100;
  effect.Shade(*screen);  // fits
  effect.x1 = 201;
  EXPECT_FATAL(effect.Shade(*screen), "sMaskedEffect() vo/v01_mask.scl does not cover the effect rectangle");
  effect.x1 = 150;
  effect.y1 = 101;
  EXPECT_FATAL(effect.Shade(*screen), "sMaskedEffect() vo/v01_raw2.raw has fewer rows than the effect rectangle");
  effect.y1 = 400;
  effect.x1 = 353;
  EXPECT_FATAL(effect.Shade(*screen), "sMaskedEffect::Draw() rectangle larger than 352 x 352");
}

TEST(MaskedEffect, WindowPixelsClampAndShadowsDarken) {
  votest::InTempFolder dir("effect-values");
  WriteEffectFiles(255, 352, 352, 1, 200, 352);
  sMaskedEffect effect;
  // Ten blobs at (0, 0), twenty at (100, 0), the rest far away at (288, 288).
  PlaceBlobs([](int b, int* col, int* row) {
    *col = b < 10 ? 0 : (b < 30 ? 100 : 288);
    *row = b < 30 ? 0 : 288;
  });
  effect.x0 = 301;
  effect.y0 = 142;
  effect.x1 = 640;
  effect.y1 = 480;
  auto screen = Screen(47);
  effect.Shade(*screen);
  // Texture 200 under blob value 10: v = 100 - 50 + 10 = 60, d = 45 + 64.
  EXPECT_EQ(109, At(*screen, 301, 142));
  EXPECT_EQ(109, At(*screen, 301 + 63, 142 + 63));
  // No blob: index 16 whatever the texture.
  EXPECT_EQ(16, At(*screen, 301 + 64, 142));
  EXPECT_EQ(47, At(*screen, 300, 142));
  EXPECT_EQ(47, At(*screen, 301, 141));

  // Texture 0 under blob value 20: v = -30, clamped to 1: d = 64.
  WriteEffectFiles(128, 352, 352, 1, 0, 352);  // grey 128 maps to 32: a shadow
  sMaskedEffect second;
  PlaceBlobs([](int b, int* col, int* row) {
    *col = b < 20 ? 0 : 288;
    *row = b < 20 ? 0 : 288;
  });
  second.x0 = 301;
  second.y0 = 142;
  second.x1 = 640;
  second.y1 = 480;
  auto shadow = Screen(47);
  second.Shade(*shadow);
  // Mask value 32 over index 47 (level 15): (15 x 32) div 64.
  EXPECT_EQ(7, At(*shadow, 310, 150));
  WriteEffectFiles(255, 352, 352, 1, 0, 352);
  sMaskedEffect third;
  PlaceBlobs([](int b, int* col, int* row) { *col = *row = b < 20 ? 0 : 288; });
  third.x0 = 301;
  third.y0 = 142;
  third.x1 = 640;
  third.y1 = 480;
  third.Shade(*shadow);
  EXPECT_EQ(64, At(*shadow, 301, 142));
}

TEST(MaskedEffect, ProgressRevealsRowsAndMaskZeroLeavesTheScreen) {
  votest::InTempFolder dir("effect-progress");
  WriteEffectFiles(0, 352, 352, 1, 0, 352);
  sMaskedEffect effect;
  effect.x0 = 301;
  effect.y0 = 142;
  effect.x1 = 640;
  effect.y1 = 480;  // 338 rows
  auto screen = Screen(40);
  effect.Shade(*screen);
  for (int y = 0; y < 480; y += 7) EXPECT_EQ(40, At(*screen, 400, y)) << "mask 0 leaves the screen";

  WriteEffectFiles(255, 352, 352, 0, 0, 352);  // blob of zeros: the window is index 16
  sMaskedEffect window;
  window.x0 = 301;
  window.y0 = 142;
  window.x1 = 640;
  window.y1 = 480;
  window.Progress = 0.0f;
  auto none = Screen(40);
  window.Shade(*none);
  EXPECT_EQ(40, At(*none, 301, 142)) << "Progress 0 draws no row";
  window.Progress = 0.5f;
  window.Shade(*none);
  EXPECT_EQ(16, At(*none, 301, 142 + 168));
  EXPECT_EQ(40, At(*none, 301, 142 + 169)) << "rows 0..168 of 338";
}

TEST(MaskedEffect, CoordinatesLeftOfAndAboveTheScreenStayOnIt) {
  votest::InTempFolder dir("effect-clip");
  WriteEffectFiles(255, 352, 352, 0, 0, 352);
  sMaskedEffect effect;
  effect.x0 = -50;
  effect.y0 = -20;
  effect.x1 = 100;
  effect.y1 = 80;
  auto screen = Screen(40);
  effect.Shade(*screen);
  EXPECT_EQ(16, At(*screen, 0, 0));
  EXPECT_EQ(16, At(*screen, 99, 79));
  EXPECT_EQ(40, At(*screen, 100, 0));
  EXPECT_EQ(40, At(*screen, 0, 80));
}

TEST(PaletteImage, FadesTheEffectColoursOnce) {
  votest::InTempFolder dir("effect-palette");
  WriteEffectFiles(255, 352, 352, 0, 0, 352);
  sMaskedEffect effect;
  sPaletteImage pal;
  pal.Target[0] = pal.Target[1] = pal.Target[2] = 255;
  ScreenPalette[63] = sColor{9, 9, 9, 9};
  pal.Draw(nullptr, 0);
  EXPECT_EQ(1, PaletteChanged);
  EXPECT_EQ(64, ScreenPalette[64].r);
  EXPECT_EQ(255, ScreenPalette[255].b);
  EXPECT_EQ((16 * 200) / 255, ShadeLevel[200]);
  EXPECT_EQ(9, ScreenPalette[63].r);
  PaletteChanged = 0;
  pal.Draw(nullptr, 1);
  EXPECT_EQ(0, PaletteChanged) << "constant fade: once";
  pal.Fade = 0.5f;
  pal.Draw(nullptr, 2);
  EXPECT_EQ(static_cast<int>((100 - 255) * 0.5f + 255), ScreenPalette[100].g);
}

TEST(LayerImages, OnlyIndex8PicturesLoad) {
  votest::InTempFolder dir("layer-images");
  WriteImage("vo/deep.scl", 4, 4, {1, 2}, 16);
  sSprite sprite;
  EXPECT_FATAL(sprite.LoadImage("vo/deep.scl"), "Assertion in line 209, file vo/moveit");
  WriteImage("vo/ok.scl", 8, 8, {0, 255});
  sprite.LoadImage("vo/ok.scl");
  EXPECT_EQ(3, sprite.PhaseImages[0]->Width);
  sWipe wipe;
  wipe.LoadImage("vo/ok.scl");
  EXPECT_EQ(8, wipe.Image->Width);
}

}  // namespace
