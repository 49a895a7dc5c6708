#include "framework/system/drawing.h"
#include "tests/display/fixture.h"
using namespace platform;
namespace {
using DrawingTest = DisplayTest;
using Ints = std::vector<int>;
TEST(ClipBlit, EdgesOfTheClipAndTheSource) {
  const sRect screen{0, 0, 640, 480}, inner{10, 10, 20, 20};
  const struct {
    const sRect* clip;
    sBlitRect in;
    bool drawn;
    sBlitRect out;
  } cases[] = {
      {&screen, {0, 0, -10, 20, 100, 100}, true, {10, 0, 0, 20, 90, 100}},
      {&screen, {0, 0, 600, 0, 100, 100}, true, {0, 0, 600, 0, 40, 100}},
      {&screen, {0, 0, 0, 470, 10, 20}, true, {0, 0, 0, 470, 10, 10}},  // the clip's bottom row is the last
      {&screen, {50, 0, 0, 0, 100, 10}, true, {50, 0, 0, 0, 50, 10}},  // the source's edge
      {&screen, {50, 0, 0, 0, 51, 10}, true, {50, 0, 0, 0, 50, 10}},
      {&screen, {-5, 0, 20, 0, 30, 10}, true, {0, 0, 25, 0, 25, 10}},
      {&screen, {0, -5, 0, 20, 10, 30}, true, {0, 0, 0, 25, 10, 25}},
      {&screen, {0, 0, 640, 0, 10, 10}, false, {}},
      {&screen, {0, 0, 0, -10, 10, 10}, false, {}},  // ends exactly at the clip edge
      {&screen, {0, 0, -10, 0, 10, 10}, false, {}},
      {&screen, {0, 0, 0, 0, 0, 10}, false, {}},
      {&inner, {0, 0, 5, 5, 10, 10}, true, {5, 5, 10, 10, 5, 5}},
  };
  auto fields = [](const sBlitRect& r) { return Ints{r.sx, r.sy, r.dx, r.dy, r.w, r.h}; };
  for (const auto& c : cases) {
    sBlitRect r = c.in;
    ASSERT_EQ(c.drawn, ClipBlit(&r, c.clip, 100, 100)) << ::testing::PrintToString(fields(c.in));
    if (c.drawn) {
      EXPECT_EQ(fields(c.out), fields(r));
    }
  }
  EXPECT_TRUE(Contains(inner, 10, 19));
  EXPECT_FALSE(Contains(inner, 20, 10));
}
TEST_F(DrawingTest, LinesAndRectangles) {
  Open(320, 200, KindIndex8);
  driver->HLine(5, 5, 5, 3);
  EXPECT_EQ((Ints{1, 5}), (Ints{Painted8(), At8(5, 3)})) << "a one-pixel span";
  EXPECT_FATAL(driver->HLine(5, 6, 5, 3), "Assertion in line 1928, file system");
  EXPECT_FATAL(driver->VLine(5, 0, 6, 5), "Assertion in line 1959, file system");
  driver->VLine(6, 10, 0, 199);
  EXPECT_EQ((Ints{6, 6, 201}), (Ints{At8(10, 0), At8(10, 199), Painted8()}));
  // Frames: one pixel, two rows of three, the outline of 5 x 5, and nothing without width.
  driver->FillRect(0, 0, 0, 320, 200);
  const struct {
    int x0, y0, x1, y1, painted;
  } frames[] = {{0, 0, 1, 1, 1}, {10, 10, 13, 12, 7}, {20, 20, 25, 25, 23}, {30, 30, 30, 40, 23}};
  for (const auto& f : frames) {
    driver->FrameRect(3, f.x0, f.y0, f.x1, f.y1);
    EXPECT_EQ(f.painted, Painted8()) << f.x0;
  }
  EXPECT_EQ(0, At8(22, 22));
  EXPECT_FATAL(driver->FrameRect(3, 0, 5, 1, 4), "Assertion in line 2151, file system");
  EXPECT_FATAL(driver->FrameRect(3, 5, 0, 4, 1), "Assertion in line 2152, file system");
  const sRect r{100, 100, 110, 105};
  driver->FillRect(0, 0, 0, 320, 200);
  driver->FillRect(4, &r);
  EXPECT_EQ((Ints{50, 4, 0}), (Ints{Painted8(), At8(109, 104), At8(110, 104)}));
}
TEST_F(DrawingTest, ClippedSpansAndFills) {
  Open(320, 200, KindIndex8);
  const sRect clip{10, 10, 20, 20};
  driver->SetClipRect(&clip);
  driver->HLine(1, 0, 319, 15);
  driver->VLine(1, 12, 0, 199);
  driver->HLine(1, 0, 319, 9);  // outside the clip rows, above and below
  driver->HLine(1, 0, 319, 20);
  driver->FillRect(2, 18, 18, 40, 40);
  EXPECT_EQ(10 + 9 + 4, Painted8());
  EXPECT_EQ((Ints{1, 0, 2}), At8s({{10, 15}, {20, 15}, {19, 19}}));
  driver->SetClipRect(nullptr);
  driver->HLine(3, -50, 500, 0);
  EXPECT_EQ((Ints{3, 3}), At8s({{0, 0}, {319, 0}}));
  driver->BeginFrame(0);  // turns clipping off
  driver->FillRect(0, 0, 0, 320, 200);
  driver->HLine(3, -50, 500, 0);
  EXPECT_EQ(0, Painted8()) << "without clipping the blitter refuses a span off the screen";
}
TEST_F(DrawingTest, UnclippedDrawingNeverLeavesTheSurface) {
  Open(320, 200, KindIndex8);
  driver->FillRect(7, -10, -10, 400, 400);
  driver->FillRect(7, 10, 10, 5, 20);  // inverted
  driver->VLine(7, 5, 190, 250);
  driver->PutPixel(7, 320, 0);
  driver->PutPixel(7, -1, 5);
  driver->PutPixel(7, 0, 200);
  driver->Line(7, -100, -100, 400, 300);
  // The line's on-screen points are drawn; nothing else is.
  int painted = Painted8();
  EXPECT_GT(painted, 150);
  EXPECT_LT(painted, 260);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 320; ++x)
      if (At8(x, y)) {
        ASSERT_LE(std::abs((x + 100) * 400 - (y + 100) * 500), 500) << x << "," << y;
      }
}
TEST_F(DrawingTest, LineEndsAndClipping) {
  Open(320, 200, KindIndex8);
  driver->Line(1, 10, 10, 0, 12);
  EXPECT_EQ((Ints{11, 1, 1}), (Ints{Painted8(), At8(0, 12), At8(10, 10)}));
  driver->FillRect(0, 0, 0, 320, 200);
  // Stepped from the end with the smaller x: from (0, 13) column 5 is on row
  // 12; from (10, 10) it would be on row 11.
  driver->Line(1, 10, 10, 0, 13);
  const int rowOf[11] = {13, 13, 12, 12, 12, 12, 11, 11, 11, 10, 10};
  EXPECT_EQ(11, Painted8());
  for (int x = 0; x <= 10; ++x) EXPECT_EQ(1, At8(x, rowOf[x])) << x;
  driver->FillRect(0, 0, 0, 320, 200);
  driver->Line(1, 4, 4, 4, 4);
  EXPECT_EQ(1, Painted8());
  driver->FillRect(0, 0, 0, 320, 200);
  driver->SetClipRect(nullptr);
  driver->Line(1, -10, 5, 10, 5);
  EXPECT_EQ(11, Painted8());
  for (int x = 0; x <= 10; ++x) EXPECT_EQ(1, At8(x, 5));
  driver->Line(2, -5, 0, -1, 100);  // both ends off one side: nothing
  EXPECT_EQ(11, Painted8());
  driver->FillRect(0, 0, 0, 320, 200);
  driver->Line(1, 3, 0, 0, 9);  // a steep line stepped in y from its upper end
  EXPECT_EQ((Ints{10, 1, 1}), (Ints{Painted8(), At8(3, 0), At8(0, 9)}));
}
TEST_F(DrawingTest, PutPixelDepths) {
  Open(320, 200, Kind0888, 1);
  driver->PutPixel(0x123456, 2, 1);
  EXPECT_EQ((Ints{0x56, 0x34, 0x12}), (Ints{Row(1)[6], Row(1)[7], Row(1)[8]}));
  driver.reset();
  Open(320, 200, Kind0565, 1);
  driver->PutPixel(0xBEEF, 3, 4);
  const sRect clip{0, 0, 3, 3};
  driver->SetClipRect(&clip);
  driver->PutPixel(1, 3, 0);
  EXPECT_EQ((Ints{0xBEEF, 0}), At16s({{3, 4}, {3, 0}}));
  InjectDisplayFault(DDFault::Lock);
  driver->Unlock();
  driver->PutPixel(0x1111, 1, 1);
  EXPECT_EQ(0, At16(1, 1)) << "no lock, no drawing";
}
TEST_F(DrawingTest, DrawBitmapKindPairs) {
  Open(64, 48, Kind0565);
  driver->SetDisplayMode(&mode);
  sBitmap b, c, d, wide;
  b.Create(4, 1, KindIndex8, 1);
  b.Palette[1] = {0, 0, 0, 128}, b.Palette[2] = {0, 0, 0, 0}, b.Palette[3] = {255, 0, 0, 255};
  for (int x = 0; x < 4; ++x) b.SetPixel(x == 3 ? 1 : x + 1, x, 0, 0);
  driver->FillRect(0xFFFF, 0, 0, 64, 48);
  driver->FillRect(0x0000, 3, 0, 4, 1);
  const sBlitRect area{0, 0, 0, 0, 4, 1};
  driver->DrawBitmap(&b, &area);
  // Half of black over white, alpha 0 leaves the screen, opaque entries through the screen's colours.
  EXPECT_EQ((Ints{0x7BEF, 0xFFFF, 0xF800, 0x0000}), At16s({{0, 0}, {1, 0}, {2, 0}, {3, 0}}));
  c.Create(2, 1, Kind0565, 1);
  c.SetPixel(0xFFFF, 0, 0, 0), c.SetPixel(0x07E0, 1, 0, 0);
  const sBlitRect two{0, 0, 10, 10, 2, 1}, one{0, 0, 20, 20, 1, 1};
  driver->DrawBitmap(&c, &two);
  EXPECT_EQ((Ints{0xFFFF, 0x07E0}), At16s({{10, 10}, {11, 10}}));
  d.Create(1, 1, Kind1555, 1);
  d.SetPixel(0xFFFF, 0, 0, 0);
  driver->DrawBitmap(&d, &one);
  EXPECT_EQ(0xFFDF, At16(20, 20)) << "green's lowest bit 0";
  wide.Create(1, 1, Kind8888, 1);
  EXPECT_FATAL(driver->DrawBitmap(&wide, &one), "Assertion in line 2577, file system");
  driver.reset();
  Open(64, 48, Kind1555);
  driver->DrawBitmap(&c, &two);
  EXPECT_EQ((Ints{0x7FFF, 0x03E0}), At16s({{10, 10}, {11, 10}})) << "0565 to 1555 without alpha";
  // Translucent entries on a 1555 screen blend in its own layout and keep
  // the pixel's alpha bit; opaque red gets the alpha bit.
  driver->FillRect(0xFFFF, 0, 0, 64, 48);
  driver->DrawBitmap(&b, &area);
  EXPECT_EQ((Ints{0xBDEF, 0xFFFF, 0xFC00}), At16s({{0, 0}, {1, 0}, {2, 0}}));
}
TEST_F(DrawingTest, DrawBitmapIndexedCopyAndClipping) {
  Open(64, 48, KindIndex8);
  sBitmap b;
  b.Create(16, 16, KindIndex8, 1);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) b.SetPixel(static_cast<uint32_t>(y * 16 + x), x, y, 0);
  driver->SetClipRect(nullptr);
  const sBlitRect area{0, 0, 56, -4, 16, 16};
  driver->DrawBitmap(&b, &area);
  EXPECT_EQ((Ints{4 * 16 + 0, 11 * 16 + 7}), At8s({{56, 0}, {63, 7}}));
  EXPECT_EQ(8 * 12, Painted8()) << "the visible 8 x 12 part, no index 0 in it";
  driver->ClearClipRect();
  driver->FillRect(0, 0, 0, 64, 48);
  driver->DrawBitmap(&b, &area);
  EXPECT_EQ(0, Painted8()) << "off the screen without clipping: refused";
}
TEST_F(DrawingTest, BlitMonoWritesOnlyItsSpan) {
  Open(64, 48, Kind0565);
  sBitmap m;
  m.Create(16, 2, KindMono, 1);
  m.Clear(1);
  sTexture t;
  t.Bitmap = &m, t.Width = 16, t.Height = 2;
  const sBlitRect span{2, 0, 10, 5, 3, 1};  // bits 2..4 of the first byte
  driver->BlitMono(&t, &span, 0x1234);
  for (int x = 0; x < 20; ++x) EXPECT_EQ(x >= 10 && x < 13 ? 0x1234 : 0, At16(x, 5)) << x;
  EXPECT_EQ(0, At16(10, 6));
  const sBlitRect last{2, 0, 61, 47, 3, 1};  // the screen's last row and column
  driver->BlitMono(&t, &last, 0x4321);
  EXPECT_EQ((Ints{0x4321, 0x4321}), At16s({{61, 47}, {63, 47}}));
  m.SetPixel(0, 1, 1, 0);
  const sBlitRect opaque{0, 1, 0, 10, 4, 1}, via{0, 1, 0, 20, 2, 1};
  driver->BlitMonoOpaque(&t, &opaque, 0xAAAA, 0x5555);
  EXPECT_EQ((Ints{0xAAAA, 0x5555, 0xAAAA, 0}), At16s({{0, 10}, {1, 10}, {3, 10}, {4, 10}}));
  driver->Blit(&t, &via);  // a texture without a surface falls back to the opaque mono copy
  EXPECT_EQ((Ints{0xFFFF, 0x0000}), At16s({{0, 20}, {1, 20}}));
  driver.reset();
  Open(64, 48, KindIndex8);
  EXPECT_FATAL(driver->BlitMono(&t, &span, 1), "Assertion in line 2312, file system");
  EXPECT_FATAL(driver->BlitMonoOpaque(&t, &span, 1, 0), "Assertion in line 2420, file system");
  sBitmap plain;
  plain.Create(4, 4, KindIndex8, 1);
  sTexture nosurface;
  nosurface.Bitmap = &plain;
  EXPECT_FATAL(driver->Blit(&nosurface, &span), "Assertion in line 2202, file system");
}
}  // namespace
