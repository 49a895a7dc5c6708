#include "vo/layers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "framework/bitmap.h"
#include "tests/support/fatal_capture.h"
#include "vo/palette.h"

namespace {

// A 640 x 480 Index 8 screen filled with one index.
std::unique_ptr<sBitmap> Screen(uint8_t fill) {
  auto s = std::make_unique<sBitmap>();
  s->Create(640, 480, KindIndex8, 1);
  s->Clear(fill);
  return s;
}

uint8_t At(const sBitmap& b, int x, int y) { return b.Pixels[0][b.Pitch[0] * y + x]; }

TEST(PaletteRamp, WritesItsRangeOnceForAConstantFade) {
  sPaletteRamp ramp;
  ramp.Target[0] = ramp.Target[1] = ramp.Target[2] = 255;
  ScreenPalette[17] = sColor{1, 2, 3, 4};
  ScreenPalette[5].a = 77;
  ramp.Draw(nullptr, 0);
  EXPECT_EQ(1, PaletteChanged);
  for (int i = 0; i <= 16; ++i) {
    const int v = static_cast<int>(255.0f * (i / 16.0f));
    EXPECT_EQ(v, ScreenPalette[i].r) << i;
    EXPECT_EQ(v, ScreenPalette[i].b) << i;
    EXPECT_EQ((16 * v) / 255, ShadeLevel[i]) << i;
  }
  EXPECT_EQ(77, ScreenPalette[5].a) << "the fourth byte keeps its value";
  EXPECT_EQ(1, ScreenPalette[17].r) << "17 entries, 0..16";
  PaletteChanged = 0;
  ramp.Draw(nullptr, 1);
  EXPECT_EQ(0, PaletteChanged) << "constant fade: first frame only";
  ramp.Fade = 0.98f;  // a change of 0.02 is not enough
  ramp.Draw(nullptr, 2);
  EXPECT_EQ(0, PaletteChanged);
  ramp.Fade = 0.5f;
  ramp.Draw(nullptr, 3);
  EXPECT_EQ(1, PaletteChanged);
  // Halfway to white: index 0 is (0 - 255) x 0.5 + 255 = 127.5, truncated.
  EXPECT_EQ(127, ScreenPalette[0].g);
  EXPECT_EQ(255, ScreenPalette[16].g);
  EXPECT_EQ(7, ShadeLevel[0]);
}

TEST(PaletteRamp, BackdropRangeAndStartingLevels) {
  EXPECT_EQ(5, ShadeLevel[5]);
  EXPECT_EQ(16, ShadeLevel[20]);
  EXPECT_EQ(15, ShadeLevel[47]);
  EXPECT_EQ(16, ShadeLevel[200]);
  sPaletteRamp ramp;
  ramp.From = 32;
  ramp.To = 47;
  ramp.Fade = 0.0f;
  ramp.Target[0] = ramp.Target[1] = ramp.Target[2] = 255;
  ramp.Draw(nullptr, 0);
  for (int i = 32; i <= 47; ++i) EXPECT_EQ(255, ScreenPalette[i].r) << i;
  EXPECT_EQ(16, ShadeLevel[40]);
  EXPECT_EQ(0, ScreenPalette[31].r);
  EXPECT_EQ(0, ScreenPalette[48].r);
}

TEST(PaletteRamp, AOneEntryRampTakesItsFirstColour) {
  sPaletteRamp ramp;
  ramp.From = ramp.To = 100;
  ramp.A[0] = 40;
  ramp.B[0] = 200;
  ScreenPalette[101].r = 9;
  ramp.Draw(nullptr, 0);
  EXPECT_EQ(40, ScreenPalette[100].r);
  EXPECT_EQ(0, ScreenPalette[100].g);
  EXPECT_EQ(9, ScreenPalette[101].r);
}

TEST(ShadeRect, WholePixelEdgesOfTheFirstLine) {
  auto screen = Screen(40);  // level 8 of the backdrop range
  sShadeRect r;
  r.x0 = 57;
  r.y0 = 159;
  r.x1 = 345;
  r.y1 = 161;
  ASSERT_TRUE(r.ShadeEdges(*screen));
  const sRect in = r.Interior();
  EXPECT_EQ(58, in.x0);
  EXPECT_EQ(159, in.y0);
  EXPECT_EQ(345, in.x1);
  EXPECT_EQ(161, in.y1);
  const int L = 8;
  EXPECT_EQ(0, At(*screen, 57, 159));
  EXPECT_EQ(0, At(*screen, 57, 160));
  EXPECT_EQ((15 * L) / 16, At(*screen, 345, 159));
  EXPECT_EQ((15 * L) / 16, At(*screen, 345, 160));
  EXPECT_EQ((240 * L) / 256, At(*screen, 57, 161));
  EXPECT_EQ((255 * L) / 256, At(*screen, 345, 161));
  for (int x = 58; x < 345; ++x) EXPECT_EQ(40, At(*screen, x, 161)) << "rest of row 161 unchanged";
  EXPECT_EQ(40, At(*screen, 56, 160));
  EXPECT_EQ(40, At(*screen, 346, 160));
  EXPECT_EQ(40, At(*screen, 100, 158));
}

TEST(ShadeRect, FractionalEdges) {
  auto screen = Screen(16);  // level 16
  sShadeRect r;
  r.x0 = 10.25f;  // fx0 = 4
  r.y0 = 20.5f;   // fy0 = 8
  r.x1 = 30.75f;  // ex1 = 15 - 12 = 3
  r.y1 = 40.0f;   // ey1 = 15
  ASSERT_TRUE(r.ShadeEdges(*screen));
  EXPECT_EQ(((256 - 8 * 12) * 16) / 256, At(*screen, 10, 20));
  EXPECT_EQ(((256 - 1 * 12) * 16) / 256, At(*screen, 10, 40));
  EXPECT_EQ((16 * 8) / 16, At(*screen, 11, 20));
  EXPECT_EQ((16 * 8) / 16, At(*screen, 29, 20));
  EXPECT_EQ(16, At(*screen, 11, 40)) << "far edge on a whole pixel: no bottom edge";
  EXPECT_EQ(((256 - 13 * 8) * 16) / 256, At(*screen, 30, 20));
  EXPECT_EQ(((256 - 1 * 13) * 16) / 256, At(*screen, 30, 40));
  EXPECT_EQ((16 * 4) / 16, At(*screen, 10, 30));
  EXPECT_EQ((16 * 3) / 16, At(*screen, 30, 30));
  EXPECT_EQ(21, r.Interior().y0);
  EXPECT_EQ(11, r.Interior().x0);
}

TEST(ShadeRect, EmptyRectanglesAndScreenEdges) {
  auto screen = Screen(16);
  sShadeRect r;
  r.x0 = r.x1 = 50;
  EXPECT_FALSE(r.ShadeEdges(*screen));
  r.x0 = 60;
  r.x1 = 50;
  EXPECT_FALSE(r.ShadeEdges(*screen));
  r = sShadeRect();
  r.y0 = 79;
  r.y1 = 81;
  r.x1 = 640;
  r.x0 = 600;
  ASSERT_TRUE(r.ShadeEdges(*screen));
  EXPECT_EQ(15, At(*screen, 600, 81));
  // The default rectangle's far edges are row 480 and column 640: off screen.
  auto before = Screen(16);
  sShadeRect full;
  ASSERT_TRUE(full.ShadeEdges(*before));
  EXPECT_EQ(0, At(*before, 0, 0));
  EXPECT_EQ(0, At(*before, 0, 479));
  EXPECT_EQ(16, At(*before, 639, 479)) << "nothing of column 640 or row 480 lands on the screen";
  // Coordinates left of and above the screen write nothing outside it.
  sShadeRect out;
  out.x0 = -20.5f;
  out.y0 = -3.25f;
  out.x1 = 5.5f;
  out.y1 = 2.5f;
  auto s2 = Screen(16);
  ASSERT_TRUE(out.ShadeEdges(*s2));
  EXPECT_EQ((16 * 7) / 16, At(*s2, 5, 0));
  // Edges in (-1, 0) take their sixteenths as 0..15, so every changed pixel
  // is a level of the shade ramp: x0 = -0.5 leaves column 0 8/16, y0 = -0.25
  // row 0 12/16, x1 = -0.25 column 0 3/16.
  const struct {
    float x0, y0, x1, y1;
    int x, y, level;
  } negative[] = {{-0.5f, -0.25f, 10, 10, 0, 5, 8},
                  {-0.5f, -0.25f, 10, 10, 5, 0, 12},
                  {-0.5f, -0.25f, 10, 10, 0, 0, ((256 - 4 * 8) * 16) / 256},
                  {-5.5f, 2, -0.25f, 10, 0, 5, 3}};
  for (const auto& c : negative) {
    auto s3 = Screen(16);
    sShadeRect n;
    n.x0 = c.x0;
    n.y0 = c.y0;
    n.x1 = c.x1;
    n.y1 = c.y1;
    ASSERT_TRUE(n.ShadeEdges(*s3));
    EXPECT_EQ(c.level, At(*s3, c.x, c.y)) << c.x0 << " " << c.y0 << " " << c.x1;
  }
}

std::unique_ptr<sBitmap> Picture(int w, int h, const std::vector<uint8_t>& pixels) {
  auto b = std::make_unique<sBitmap>();
  b->Create(w, h, KindIndex8, 1);
  for (int y = 0; y < h; ++y) std::memcpy(b->PixelAddress(0, y, 0), &pixels[y * w], w);
  return b;
}

TEST(Sprite, PhaseImagesFromInk) {
  // 6 x 4, grey palette: index 0 is full ink (8), 255 none.
  std::vector<uint8_t> px(24, 255);
  px[0] = 0;           // (0, 0)
  px[6 + 3] = 0;       // (3, 1)
  px[18 + 5] = 128;    // (5, 3): ink (127 x 8) / 255 = 3
  sSprite s;
  s.MakePhases(Picture(6, 4, px).release());
  ASSERT_NE(nullptr, s.Image);
  EXPECT_EQ(8, s.Image->GetPixel(0, 0, 0));
  EXPECT_EQ(3, s.Image->GetPixel(5, 3, 0));
  for (int k = 0; k < 4; ++k) {
    ASSERT_NE(nullptr, s.PhaseImages[k]);
    EXPECT_EQ(3, s.PhaseImages[k]->Width);
    EXPECT_EQ(1, s.PhaseImages[k]->Height);
  }
  // Phase 0: column 0 holds x 0..3 (ink 16 -> 14), column 1 holds x 4..7 (ink 3 -> 16).
  EXPECT_EQ(14, s.PhaseImages[0]->GetPixel(0, 0, 0));
  EXPECT_EQ(16, s.PhaseImages[0]->GetPixel(1, 0, 0));
  // Phase 1: (x + 1) div 4: x 3 moves to column 1 with x 5.
  EXPECT_EQ(15, s.PhaseImages[1]->GetPixel(0, 0, 0));
  EXPECT_EQ(16 - 11 / 8, s.PhaseImages[1]->GetPixel(1, 0, 0));
  // Phase 3: x 5 goes to column 2.
  EXPECT_EQ(16, s.PhaseImages[3]->GetPixel(2, 0, 0));
  EXPECT_EQ(15, s.PhaseImages[3]->GetPixel(0, 0, 0));
  EXPECT_EQ(15, s.PhaseImages[3]->GetPixel(1, 0, 0));
}

TEST(Sprite, PhaseFollowsQuarterPixelsAlsoLeftOfTheScreen) {
  sSprite s;
  const struct {
    float x;
    int phase;
  } cases[] = {{100.0f, 0}, {100.25f, 1}, {100.5f, 2}, {100.75f, 3}, {-0.25f, 3}, {-1.5f, 2}, {-3.0f, 0}};
  for (const auto& c : cases) {
    s.x = c.x;
    EXPECT_EQ(c.phase, s.Phase()) << c.x;
  }
}

TEST(Wipe, MakeRunsCountsSixteensToTheRight) {
  // The default palette is grey: 255 maps to 16, 80 to 5, 112 to 7.
  sWipe w;
  w.UseImage(Picture(5, 1, {80, 255, 255, 255, 112}).release(), "row");
  w.MakeRuns(0, 16);
  const uint8_t* row = w.Image->PixelAddress(0, 0, 0);
  EXPECT_EQ((std::vector<uint8_t>{5, 18, 17, 16, 7}), std::vector<uint8_t>(row, row + 5));
}

TEST(Wipe, LongRunsStopAt255) {
  sWipe w;
  w.UseImage(Picture(300, 1, std::vector<uint8_t>(300, 255)).release(), "long");
  w.MakeRuns(0, 16);
  EXPECT_EQ(255, w.Image->GetPixel(0, 0, 0));
  EXPECT_EQ(255, w.Image->GetPixel(59, 0, 0));
  EXPECT_EQ(16 + 239, w.Image->GetPixel(60, 0, 0));
  EXPECT_EQ(16, w.Image->GetPixel(299, 0, 0));
}

TEST(Wipe, AngleGridAndTables) {
  sWipe w;
  EXPECT_EQ(127, w.AngleGrid[16][16]);
  EXPECT_EQ(127, w.AngleGrid[32][16]) << "0 along increasing rows";
  EXPECT_EQ((16384 + 32768) * 255 / 65536, w.AngleGrid[16][32]);
  EXPECT_EQ(0, w.AngleGrid[33][5]);
  EXPECT_EQ(0, w.AngleGrid[5][33]);
  w.UseImage(Picture(256, 100, std::vector<uint8_t>(25600, 0)).release(), "tables");
  EXPECT_EQ(0, w.ColCell[0]);
  EXPECT_EQ(1, w.ColCell[8]);
  EXPECT_EQ(0, w.ColFrac[8]);
  EXPECT_EQ(16, w.ColCell[128]);
  EXPECT_EQ(32, w.RowCell[100]);
  EXPECT_EQ((8192 * 33 / 100) % 256, w.RowFrac[33]);
}

TEST(Wipe, ImagesBeyondTheTablesAreFatal) {
  sWipe w;
  EXPECT_FATAL(w.UseImage(Picture(512, 2, std::vector<uint8_t>(1024, 0)).release(), "vo/v01_circ.scl"),
               "sWipe::LoadImage() vo/v01_circ.scl is larger than 511 pixels");
  sWipe h;
  EXPECT_FATAL(h.UseImage(Picture(2, 600, std::vector<uint8_t>(1200, 0)).release(), "tall.scl"),
               "sWipe::LoadImage() tall.scl is larger than 511 pixels");
}

// A shade image of level 8 everywhere, drawn over the screen's bottom right.
std::unique_ptr<sWipe> LevelWipe(int w, int h) {
  auto wipe = std::make_unique<sWipe>();
  // Grey 128 maps to 8 of 0..16.
  wipe->UseImage(Picture(w, h, std::vector<uint8_t>(w * h, 128)).release(), "level");
  wipe->MakeRuns(0, 16);
  return wipe;
}

int Changed(const sBitmap& s, uint8_t fill) {
  int n = 0;
  for (int y = 0; y < s.Height; ++y)
    for (int x = 0; x < s.Width; ++x) n += At(s, x, y) != fill;
  return n;
}

TEST(Wipe, ProgressZeroDrawsNothingAndOneDrawsAll) {
  auto wipe = LevelWipe(200, 160);
  const sBlitRect area{0, 0, 440, 320, 200, 160};
  auto screen = Screen(47);
  wipe->Progress = 0.0f;
  wipe->Shade(*screen, area);
  EXPECT_EQ(0, Changed(*screen, 47));
  wipe->Progress = 1.0f;
  wipe->Shade(*screen, area);
  EXPECT_EQ(200 * 160, Changed(*screen, 47));
  EXPECT_EQ((15 * 8) / 16, At(*screen, 440, 320));
  EXPECT_EQ(47, At(*screen, 439, 320));
  // Halfway the drawn share of each half is about a half.
  auto half = Screen(47);
  wipe->Progress = 0.5f;
  wipe->Shade(*half, area);
  const int n = Changed(*half, 47);
  EXPECT_GT(n, 200 * 160 * 4 / 10);
  EXPECT_LT(n, 200 * 160 * 6 / 10);
}

TEST(Wipe, SkipsRunsOfSixteen) {
  std::vector<uint8_t> px(8 * 2, 128);
  for (int x = 2; x < 6; ++x) px[x] = 255;  // row 0: a run of four 16s
  auto wipe = std::make_unique<sWipe>();
  wipe->UseImage(Picture(8, 2, px).release(), "runs");
  wipe->MakeRuns(0, 16);
  auto screen = Screen(47);
  wipe->Shade(*screen, sBlitRect{0, 0, 0, 0, 8, 2});
  for (int x = 0; x < 8; ++x) EXPECT_EQ(x >= 2 && x < 6 ? 47 : 7, At(*screen, x, 0)) << x;
}

}  // namespace
