#include "vo/layers.h"
#include <gtest/gtest.h>
#include <tuple>
#include <vector>
#include "tests/support/fatal_capture.h"
#include "tests/vo/files.h"
#include "vo/effect.h"
#include "vo/palette.h"

namespace {

using Ints = std::vector<int>;
using votest::At;
using votest::Picture;
using votest::Screen;

// (The ramps' colours frame by frame: the golden trace's palette checksums.)
TEST(PaletteRamp, RedrawsOnChangeOnlyAndKeepsItsRange) {
  for (auto [index, level] : {std::pair{5, 5}, {20, 16}, {47, 15}, {200, 16}}) EXPECT_EQ(level, ShadeLevel[index]);
  sPaletteRamp ramp;
  ramp.Target[0] = ramp.Target[1] = ramp.Target[2] = 255;
  ScreenPalette[17] = sColor{1, 2, 3, 4};
  ScreenPalette[5].a = 77;
  ramp.Draw(nullptr, 0);
  EXPECT_EQ(1, PaletteChanged);
  EXPECT_EQ((Ints{0, 127, 255, 7, 16, 77, 1}), (Ints{ScreenPalette[0].r, ScreenPalette[8].b,
            ScreenPalette[16].r, ShadeLevel[8], ShadeLevel[16], ScreenPalette[5].a, ScreenPalette[17].r}))
      << "entries 0..16; the fourth byte keeps its value";
  // Redrawn only on a change of more than 0.02; halfway to white index 0 is 127.5, truncated.
  const struct { float fade; int changed; } steps[] = {{1.0f, 0}, {0.98f, 0}, {0.5f, 1}};
  for (const auto& s : steps) {
    PaletteChanged = 0;
    ramp.Fade = s.fade;
    ramp.Draw(nullptr, 1);
    EXPECT_EQ(s.changed, PaletteChanged) << s.fade;
  }
  EXPECT_EQ((Ints{127, 255, 7}), (Ints{ScreenPalette[0].g, ScreenPalette[16].g, ShadeLevel[0]}));
  sPaletteRamp backdrop;  // the backdrop's range, faded out to white
  backdrop.From = 32, backdrop.To = 47, backdrop.Fade = 0.0f;
  backdrop.Target[0] = backdrop.Target[1] = backdrop.Target[2] = 255;
  backdrop.Draw(nullptr, 0);
  for (int i = 32; i <= 47; ++i) EXPECT_EQ(255, ScreenPalette[i].r) << i;
  EXPECT_EQ((Ints{16, 0, 0}), (Ints{ShadeLevel[40], ScreenPalette[31].r, ScreenPalette[48].r}));
  sPaletteRamp one;  // a one-entry ramp takes its first colour
  one.From = one.To = 100, one.A[0] = 40, one.B[0] = 200;
  ScreenPalette[101].r = 9;
  one.Draw(nullptr, 0);
  EXPECT_EQ((Ints{40, 0, 9}), (Ints{ScreenPalette[100].r, ScreenPalette[100].g, ScreenPalette[101].r}));
}

sShadeRect Rect(float x0, float y0, float x1, float y1) {
  sShadeRect r;
  r.x0 = x0, r.y0 = y0, r.x1 = x1, r.y1 = y1;
  return r;
}

// (Edges at fractions of a pixel: the show's moving lines, in the golden trace.)
TEST(ShadeRect, EmptyRectanglesAndScreenEdges) {
  auto screen = Screen(16);
  EXPECT_FALSE(Rect(50, 0, 50, 480).ShadeEdges(*screen));
  EXPECT_FALSE(Rect(60, 0, 50, 480).ShadeEdges(*screen));
  ASSERT_TRUE(Rect(600, 79, 640, 81).ShadeEdges(*screen));
  EXPECT_EQ(15, At(*screen, 600, 81));
  // The default rectangle's far edges are row 480 and column 640: off screen.
  auto full = Screen(16);
  ASSERT_TRUE(sShadeRect().ShadeEdges(*full));
  EXPECT_EQ(0, At(*full, 0, 0));
  EXPECT_EQ(0, At(*full, 0, 479));
  EXPECT_EQ(16, At(*full, 639, 479)) << "nothing of column 640 or row 480 lands on the screen";
  // Left of and above the screen nothing is written outside it; edges in (-1, 0) take
  // their sixteenths as 0..15, so every changed pixel is a level of the shade ramp.
  const struct { float x0, y0, x1, y1; int x, y, level; } cases[] = {{-20.5f, -3.25f, 5.5f, 2.5f, 5, 0, 7},
               {-0.5f, -0.25f, 10, 10, 0, 5, 8},
               {-0.5f, -0.25f, 10, 10, 5, 0, 12},
               {-0.5f, -0.25f, 10, 10, 0, 0, ((256 - 4 * 8) * 16) / 256},
               {-5.5f, 2, -0.25f, 10, 0, 5, 3}};
  for (const auto& c : cases) {
    auto s = Screen(16);
    ASSERT_TRUE(Rect(c.x0, c.y0, c.x1, c.y1).ShadeEdges(*s));
    EXPECT_EQ(c.level, At(*s, c.x, c.y)) << c.x0 << " " << c.y0 << " " << c.x1;
  }
}

TEST(Sprite, PhaseImagesFromInk) {
  // 6 x 4, grey palette: index 0 is full ink (8), 255 none; (5, 3) holds ink (127 x 8) / 255 = 3.
  std::vector<uint8_t> px(24, 255);
  px[0] = px[6 + 3] = 0;
  px[18 + 5] = 128;
  sSprite s;
  s.MakePhases(Picture(6, 4, px).release());
  ASSERT_NE(nullptr, s.Image);
  EXPECT_EQ(8u, s.Image->GetPixel(0, 0, 0));
  EXPECT_EQ(3u, s.Image->GetPixel(5, 3, 0));
  for (int k = 0; k < 4; ++k)
    ASSERT_TRUE(s.PhaseImages[k] && s.PhaseImages[k]->Width == 3 && s.PhaseImages[k]->Height == 1) << k;
  // Phase 0: column 0 holds x 0..3 (ink 16 -> 14), column 1 x 4..7 (ink 3 -> 16). Phase 1:
  // (x + 1) div 4, x 3 moves to column 1 with x 5. Phase 3: x 5 goes to column 2.
  const struct { int phase, column; uint32_t value; } cells[] = {{0, 0, 14}, {0, 1, 16}, {1, 0, 15},
      {1, 1, 16 - 11 / 8}, {3, 2, 16}, {3, 0, 15}, {3, 1, 15}};
  for (const auto& c : cells) EXPECT_EQ(c.value, s.PhaseImages[c.phase]->GetPixel(c.column, 0, 0)) << c.phase;
  const struct { float x; int phase; } phases[] = {{100.0f, 0}, {100.25f, 1}, {100.5f, 2}, {100.75f, 3},
      {-0.25f, 3}, {-1.5f, 2}, {-3.0f, 0}};
  for (const auto& c : phases) EXPECT_EQ(c.phase, (s.x = c.x, s.Phase())) << c.x;
}

int Changed(const sBitmap& s, uint8_t fill) {
  int n = 0;
  for (int y = 0; y < s.Height; ++y)
    for (int x = 0; x < s.Width; ++x) n += At(s, x, y) != fill;
  return n;
}

// (The angle and cell tables and the share drawn in between: the golden pictures and trace.)
TEST(Wipe, RunsSizesAndProgress) {
  // The default palette is grey: 255 maps to 16, 80 to 5, 112 to 7; runs of 16 count to the right.
  sWipe w;
  w.UseImage(Picture(5, 1, {80, 255, 255, 255, 112}).release(), "row");
  w.MakeRuns(0, 16);
  const uint8_t* row = w.Image->PixelAddress(0, 0, 0);
  EXPECT_EQ((std::vector<uint8_t>{5, 18, 17, 16, 7}), std::vector<uint8_t>(row, row + 5));
  sWipe l;  // long runs stop at 255
  l.UseImage(Picture(300, 1, {255}).release(), "long");
  l.MakeRuns(0, 16);
  for (auto [x, v] : {std::pair{0, 255}, {59, 255}, {60, 16 + 239}, {299, 16}})
    EXPECT_EQ(uint32_t(v), l.Image->GetPixel(x, 0, 0)) << x;
  sWipe wide, tall;
  EXPECT_FATAL(wide.UseImage(Picture(512, 2, {0}).release(), "vo/v01_circ.scl"),
               "sWipe::LoadImage() vo/v01_circ.scl is larger than 511 pixels");
  EXPECT_FATAL(tall.UseImage(Picture(2, 600, {0}).release(), "tall.scl"),
               "sWipe::LoadImage() tall.scl is larger than 511 pixels");
  sWipe wipe;  // grey 128 maps to level 8 everywhere
  wipe.UseImage(Picture(200, 160, {128}).release(), "level");
  wipe.MakeRuns(0, 16);
  const sBlitRect area{0, 0, 440, 320, 200, 160};
  auto screen = Screen(47);
  wipe.Progress = 0.0f;
  wipe.Shade(*screen, area);
  EXPECT_EQ(0, Changed(*screen, 47));
  wipe.Progress = 1.0f;
  wipe.Shade(*screen, area);
  EXPECT_EQ(200 * 160, Changed(*screen, 47));
  EXPECT_EQ((15 * 8) / 16, At(*screen, 440, 320));
  EXPECT_EQ(47, At(*screen, 439, 320));
  std::vector<uint8_t> px(8 * 2, 128);
  for (int x = 2; x < 6; ++x) px[x] = 255;  // row 0: a run of four 16s, skipped
  w.UseImage(Picture(8, 2, px).release(), "runs");
  w.MakeRuns(0, 16);
  screen = Screen(47);
  w.Shade(*screen, sBlitRect{0, 0, 0, 0, 8, 2});
  for (int x = 0; x < 8; ++x) EXPECT_EQ(x >= 2 && x < 6 ? 47 : 7, At(*screen, x, 0)) << x;
}

using votest::WriteFile;
using votest::WriteImage;

// The effect's four files: a mask of one grey value, a flat blob, a texture of
// `rows` rows of one value and a palette of 768 bytes.
void WriteEffectFiles(uint8_t maskGrey, int maskW, int maskH, uint8_t blobValue, uint8_t textureValue, int rows,
                      size_t blobBytes = 4096, size_t paletteBytes = 768) {
  WriteImage("vo/v01_mask.scl", maskW, maskH, {maskGrey});
  WriteFile("vo/v01_raw1.raw", std::vector<uint8_t>(blobBytes, blobValue));
  WriteFile("vo/v01_raw2.raw", std::vector<uint8_t>(352 * rows, textureValue));
  std::vector<uint8_t> pal(paletteBytes);
  for (size_t i = 0; i < pal.size(); ++i) pal[i] = static_cast<uint8_t>(i / 3);
  WriteFile("vo/v01_raw3.raw", pal);
}

void SetRect(sMaskedEffect& e, float x0, float y0, float x1, float y1) { e.x0 = x0, e.y0 = y0, e.x1 = x1, e.y1 = y1; }

TEST(MaskedEffect, LoadsItsFilesChecksTheRectangleAndDrawsByProgressMaskAndClip) {
  votest::InTempFolder dir("effect-load");
  WriteEffectFiles(255, 352, 352, 1, 0, 352);
  {
    sMaskedEffect effect;
    ASSERT_TRUE(EffectMask && TheBlobField);
    EXPECT_EQ(64u, EffectMask->GetPixel(10, 10, 0)) << "the mask mapped to 0..64";
    EXPECT_EQ(352 * 352, EffectTextureSize);
    EXPECT_EQ(BlobImage, TheBlobField->Blob);
    EXPECT_EQ(64, TheBlobField->BlobSize);
    EXPECT_EQ((std::vector<float>{100, 200, 1, 0}),
              (std::vector<float>{effect.x0, effect.y1, effect.Progress, float(effect.ChannelMask)}));
  }
  WriteEffectFiles(255, 352, 352, 1, 0, 352, 4095);
  EXPECT_FATAL(sMaskedEffect(), "sMaskedEffect() vo/v01_raw1.raw must hold 4096 bytes");
  WriteEffectFiles(255, 352, 352, 1, 0, 352, 4096, 767);
  EXPECT_FATAL(sMaskedEffect(), "sMaskedEffect() vo/v01_raw3.raw must hold 768 bytes");
  // 4,096, 768 and whole rows are read; more is no fault.
  WriteEffectFiles(255, 352, 352, 1, 0, 352, 4097, 769);
  WriteFile("vo/v01_raw2.raw", std::vector<uint8_t>(352 * 10 + 5));
  { sMaskedEffect longer; }
  // A mask of another kind stops in the remapping of its picture.
  WriteImage("vo/v01_mask.scl", 4, 4, {0, 0}, 16);
  EXPECT_FATAL(sMaskedEffect(), "Assertion in line 674, file bitmap");
  // The rectangle must be covered by mask and texture.
  WriteEffectFiles(255, 200, 352, 1, 0, 100);
  sMaskedEffect effect;
  auto screen = Screen(40);
  SetRect(effect, 0, 0, 150, 100);
  effect.Shade(*screen);  // fits
  effect.x1 = 201;
  EXPECT_FATAL(effect.Shade(*screen), "sMaskedEffect() vo/v01_mask.scl does not cover the effect rectangle");
  SetRect(effect, 0, 0, 150, 101);
  EXPECT_FATAL(effect.Shade(*screen), "sMaskedEffect() vo/v01_raw2.raw has fewer rows than the effect rectangle");
  SetRect(effect, 0, 0, 353, 400);
  EXPECT_FATAL(effect.Shade(*screen), "sMaskedEffect::Draw() rectangle larger than 352 x 352");
  WriteEffectFiles(0, 352, 352, 1, 0, 352);
  auto s = Screen(40);
  sMaskedEffect().Shade(*s);
  EXPECT_EQ(0, Changed(*s, 40)) << "mask 0 leaves the screen";
  WriteEffectFiles(255, 352, 352, 0, 0, 352);  // blob of zeros: the window is index 16
  sMaskedEffect w;
  SetRect(w, 301, 142, 640, 480);  // 338 rows
  w.Progress = 0.0f;
  w.Shade(*s);
  EXPECT_EQ(40, At(*s, 301, 142)) << "Progress 0 draws no row";
  w.Progress = 0.5f;
  w.Shade(*s);
  EXPECT_EQ(16, At(*s, 301, 142 + 168));
  EXPECT_EQ(40, At(*s, 301, 142 + 169)) << "rows 0..168 of 338";
  // Coordinates left of and above the screen stay on it.
  w.Progress = 1.0f;
  SetRect(w, -50, -20, 100, 80);
  s = Screen(40);
  w.Shade(*s);
  for (auto [x, y, v] : {std::tuple{0, 0, 16}, {99, 79, 16}, {100, 0, 40}, {0, 80, 40}}) EXPECT_EQ(v, At(*s, x, y));
}

TEST(PaletteImage, FadesTheEffectColoursOnceAndLayersLoadIndex8PicturesOnly) {
  votest::InTempFolder dir("effect-palette");
  WriteEffectFiles(255, 352, 352, 0, 0, 352);
  sMaskedEffect effect;
  sPaletteImage pal;
  pal.Target[0] = pal.Target[1] = pal.Target[2] = 255;
  ScreenPalette[63] = sColor{9, 9, 9, 9};
  pal.Draw(nullptr, 0);
  EXPECT_EQ((Ints{1, 64, 255, 12, 9}),
            (Ints{PaletteChanged, ScreenPalette[64].r, ScreenPalette[255].b, ShadeLevel[200], ScreenPalette[63].r}));
  PaletteChanged = 0;
  pal.Draw(nullptr, 1);
  EXPECT_EQ(0, PaletteChanged) << "constant fade: once";
  pal.Fade = 0.5f;
  pal.Draw(nullptr, 2);
  EXPECT_EQ(177, ScreenPalette[100].g) << "(100 - 255) x 0.5 + 255, truncated";
  // Layers load Index 8 pictures only.
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
