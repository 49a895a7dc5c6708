#include "framework/system/drawing.h"
#include "tests/display/fixture.h"

using namespace platform;

namespace {

using DrawingTest = DisplayTest;

TEST(ClipBlit, EdgesOfTheClipAndTheSource) {
  const sRect screen{0, 0, 640, 480};
  sBlitRect a{0, 0, -10, 20, 100, 100};
  ASSERT_TRUE(ClipBlit(&a, &screen, 100, 100));
  EXPECT_EQ(10, a.sx);
  EXPECT_EQ(0, a.dx);
  EXPECT_EQ(90, a.w);
  EXPECT_EQ(100, a.h);

  sBlitRect right{0, 0, 600, 0, 100, 100};
  ASSERT_TRUE(ClipBlit(&right, &screen, 100, 100));
  EXPECT_EQ(40, right.w);

  sBlitRect source{50, 0, 0, 0, 100, 10};
  ASSERT_TRUE(ClipBlit(&source, &screen, 100, 100));
  EXPECT_EQ(50, source.w);

  sBlitRect negative{-5, 0, 20, 0, 30, 10};
  ASSERT_TRUE(ClipBlit(&negative, &screen, 100, 100));
  EXPECT_EQ(0, negative.sx);
  EXPECT_EQ(25, negative.dx);
  EXPECT_EQ(25, negative.w);

  sBlitRect outside{0, 0, 640, 0, 10, 10};
  EXPECT_FALSE(ClipBlit(&outside, &screen, 100, 100));
  sBlitRect above{0, 0, 0, -10, 10, 10};
  EXPECT_FALSE(ClipBlit(&above, &screen, 100, 100)) << "ends exactly at the clip edge";
  sBlitRect empty{0, 0, 0, 0, 0, 10};
  EXPECT_FALSE(ClipBlit(&empty, &screen, 100, 100));

  // A clip rectangle inside the screen.
  const sRect inner{10, 10, 20, 20};
  sBlitRect corner{0, 0, 5, 5, 10, 10};
  ASSERT_TRUE(ClipBlit(&corner, &inner, 100, 100));
  EXPECT_EQ(5, corner.sx);
  EXPECT_EQ(5, corner.sy);
  EXPECT_EQ(10, corner.dx);
  EXPECT_EQ(5, corner.w);
  EXPECT_EQ(5, corner.h);
  EXPECT_TRUE(Contains(inner, 10, 19));
  EXPECT_FALSE(Contains(inner, 20, 10));
}

TEST_F(DrawingTest, LinesAndRectangles) {
  Open(320, 200, KindIndex8);
  driver->HLine(5, 5, 5, 3);
  EXPECT_EQ(1, Painted8()) << "a one-pixel span";
  EXPECT_EQ(5, At8(5, 3));
  EXPECT_FATAL(driver->HLine(5, 6, 5, 3), "Assertion in line 1928, file system");
  EXPECT_FATAL(driver->VLine(5, 0, 6, 5), "Assertion in line 1959, file system");
  driver->VLine(6, 10, 0, 199);
  EXPECT_EQ(6, At8(10, 0));
  EXPECT_EQ(6, At8(10, 199));
  EXPECT_EQ(201, Painted8());

  driver->FillRect(0, 0, 0, 320, 200);
  driver->FrameRect(1, 0, 0, 1, 1);
  EXPECT_EQ(1, Painted8());
  driver->FrameRect(2, 10, 10, 13, 12);
  EXPECT_EQ(1 + 6, Painted8()) << "two rows of three";
  driver->FrameRect(3, 20, 20, 25, 25);
  EXPECT_EQ(7 + 16, Painted8()) << "outline of 5 x 5";
  EXPECT_EQ(0, At8(22, 22));
  driver->FrameRect(3, 30, 30, 30, 40);
  EXPECT_EQ(23, Painted8()) << "no width, nothing";
  EXPECT_FATAL(driver->FrameRect(3, 0, 5, 1, 4), "Assertion in line 2151, file system");
  EXPECT_FATAL(driver->FrameRect(3, 5, 0, 4, 1), "Assertion in line 2152, file system");

  const sRect r{100, 100, 110, 105};
  driver->FillRect(0, 0, 0, 320, 200);
  driver->FillRect(4, &r);
  EXPECT_EQ(50, Painted8());
  EXPECT_EQ(4, At8(109, 104));
  EXPECT_EQ(0, At8(110, 104));
}

TEST_F(DrawingTest, ClippedSpansAndFills) {
  Open(320, 200, KindIndex8);
  const sRect clip{10, 10, 20, 20};
  driver->SetClipRect(&clip);
  driver->HLine(1, 0, 319, 15);
  driver->VLine(1, 12, 0, 199);
  driver->HLine(1, 0, 319, 9);  // outside the clip rows
  driver->FillRect(2, 18, 18, 40, 40);
  EXPECT_EQ(10 + 9 + 4 - 0, Painted8());
  EXPECT_EQ(1, At8(10, 15));
  EXPECT_EQ(0, At8(20, 15));
  EXPECT_EQ(2, At8(19, 19));
  driver->SetClipRect(nullptr);
  driver->HLine(3, -50, 500, 0);
  EXPECT_EQ(3, At8(0, 0));
  EXPECT_EQ(3, At8(319, 0));
  // BeginFrame turns clipping off.
  driver->BeginFrame(0);
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
  EXPECT_EQ(11, Painted8());
  EXPECT_EQ(1, At8(0, 12));
  EXPECT_EQ(1, At8(10, 10));
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
  // Both ends off one side: nothing.
  driver->Line(2, -5, 0, -1, 100);
  EXPECT_EQ(11, Painted8());
  // A steep line stepped in y from its upper end.
  driver->FillRect(0, 0, 0, 320, 200);
  driver->Line(1, 3, 0, 0, 9);
  EXPECT_EQ(10, Painted8());
  EXPECT_EQ(1, At8(3, 0));
  EXPECT_EQ(1, At8(0, 9));
}

TEST_F(DrawingTest, PutPixelDepths) {
  Open(320, 200, Kind0888, 1);
  driver->PutPixel(0x123456, 2, 1);
  const uint8_t* row = Row(1);
  EXPECT_EQ(0x56, row[6]);
  EXPECT_EQ(0x34, row[7]);
  EXPECT_EQ(0x12, row[8]);
  driver.reset();
  Open(320, 200, Kind0565, 1);
  driver->PutPixel(0xBEEF, 3, 4);
  EXPECT_EQ(0xBEEF, At16(3, 4));
  const sRect clip{0, 0, 3, 3};
  driver->SetClipRect(&clip);
  driver->PutPixel(1, 3, 0);
  EXPECT_EQ(0, At16(3, 0));
  InjectDisplayFault(DDFault::Lock);
  driver->Unlock();
  driver->PutPixel(0x1111, 1, 1);
  EXPECT_EQ(0, At16(1, 1)) << "no lock, no drawing";
}

TEST_F(DrawingTest, DrawBitmapKindPairs) {
  Open(64, 48, Kind0565);
  driver->SetDisplayMode(&mode);
  sBitmap b;
  b.Create(4, 1, KindIndex8, 1);
  b.Palette[1] = {0, 0, 0, 128};
  b.Palette[2] = {0, 0, 0, 0};
  b.Palette[3] = {255, 0, 0, 255};
  b.SetPixel(1, 0, 0, 0);
  b.SetPixel(2, 1, 0, 0);
  b.SetPixel(3, 2, 0, 0);
  b.SetPixel(1, 3, 0, 0);
  driver->FillRect(0xFFFF, 0, 0, 64, 48);
  driver->FillRect(0x0000, 3, 0, 4, 1);
  const sBlitRect area{0, 0, 0, 0, 4, 1};
  driver->DrawBitmap(&b, &area);
  EXPECT_EQ(0x7BEF, At16(0, 0)) << "half of black over white";
  EXPECT_EQ(0xFFFF, At16(1, 0)) << "alpha 0 leaves the screen";
  EXPECT_EQ(0xF800, At16(2, 0)) << "opaque entries through the screen's colours";
  EXPECT_EQ(0x0000, At16(3, 0));

  sBitmap c;
  c.Create(2, 1, Kind0565, 1);
  c.SetPixel(0xFFFF, 0, 0, 0);
  c.SetPixel(0x07E0, 1, 0, 0);
  const sBlitRect two{0, 0, 10, 10, 2, 1};
  driver->DrawBitmap(&c, &two);
  EXPECT_EQ(0xFFFF, At16(10, 10));
  EXPECT_EQ(0x07E0, At16(11, 10));

  sBitmap d;
  d.Create(1, 1, Kind1555, 1);
  d.SetPixel(0xFFFF, 0, 0, 0);
  const sBlitRect one{0, 0, 20, 20, 1, 1};
  driver->DrawBitmap(&d, &one);
  EXPECT_EQ(0xFFDF, At16(20, 20)) << "green's lowest bit 0";
  sBitmap wide;
  wide.Create(1, 1, Kind8888, 1);
  EXPECT_FATAL(driver->DrawBitmap(&wide, &one), "Assertion in line 2577, file system");

  driver.reset();
  Open(64, 48, Kind1555);
  driver->DrawBitmap(&c, &two);
  EXPECT_EQ(0x7FFF, At16(10, 10)) << "0565 white to 1555 without alpha";
  EXPECT_EQ(0x03E0, At16(11, 10));

  // Translucent entries on a 1555 screen blend in its own layout and keep
  // the pixel's alpha bit.
  driver->FillRect(0xFFFF, 0, 0, 64, 48);
  driver->DrawBitmap(&b, &area);
  EXPECT_EQ(0xBDEF, At16(0, 0));
  EXPECT_EQ(0xFFFF, At16(1, 0));
  EXPECT_EQ(0xFC00, At16(2, 0)) << "opaque red with the alpha bit";
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
  EXPECT_EQ(4 * 16 + 0, At8(56, 0));
  EXPECT_EQ(11 * 16 + 7, At8(63, 7));
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
  t.Bitmap = &m;
  t.Width = 16;
  t.Height = 2;
  const sBlitRect span{2, 0, 10, 5, 3, 1};  // bits 2..4 of the first byte
  driver->BlitMono(&t, &span, 0x1234);
  for (int x = 0; x < 20; ++x) EXPECT_EQ(x >= 10 && x < 13 ? 0x1234 : 0, At16(x, 5)) << x;
  EXPECT_EQ(0, At16(10, 6));

  m.SetPixel(0, 1, 1, 0);
  const sBlitRect opaque{0, 1, 0, 10, 4, 1};
  driver->BlitMonoOpaque(&t, &opaque, 0xAAAA, 0x5555);
  EXPECT_EQ(0xAAAA, At16(0, 10));
  EXPECT_EQ(0x5555, At16(1, 10));
  EXPECT_EQ(0xAAAA, At16(3, 10));
  EXPECT_EQ(0, At16(4, 10));

  // A texture without a surface falls back to the opaque mono copy.
  const sBlitRect via{0, 1, 0, 20, 2, 1};
  driver->Blit(&t, &via);
  EXPECT_EQ(0xFFFF, At16(0, 20));
  EXPECT_EQ(0x0000, At16(1, 20));

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
