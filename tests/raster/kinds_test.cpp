#include <gtest/gtest.h>

#include <cstring>

#include "framework/bitmap.h"
#include "tests/support/fatal_capture.h"

namespace {

void ExpectColor(const sColor& c, int r, int g, int b, int a) {
  EXPECT_EQ(r, c.r);
  EXPECT_EQ(g, c.g);
  EXPECT_EQ(b, c.b);
  EXPECT_EQ(a, c.a);
}

TEST(PixelKinds, TablesAndNames) {
  const int bits[] = {1, 4, 8, 16, 16, 16, 24, 32};
  const char* names[] = {"Mono   ", "Index 4", "Index 8", "0565-16", "1555-16", "4444-16", "0888-24", "8888-32"};
  for (int k = 0; k < KindCount; ++k) {
    EXPECT_EQ(bits[k], KindBits[k]);
    EXPECT_STREQ(names[k], KindNames[k]);
  }
}

TEST(PixelKinds, DirectKindsBothWays) {
  sBitmap b;
  sColor c{};

  b.Create(1, 1, Kind0565, 1);
  EXPECT_EQ(0xFFFFu, b.ColorToIndex(255, 255, 255, 0));
  EXPECT_EQ(0x8410u, b.ColorToIndex(0x87, 0x83, 0x87, 0)) << "only the top 5/6/5 bits count";
  b.IndexToColor(0xFFFF, &c);
  ExpectColor(c, 248, 252, 248, 255);

  b.Create(1, 1, Kind1555, 1);
  EXPECT_EQ(0x8000u, b.ColorToIndex(0, 0, 0, 128));
  EXPECT_EQ(0x0000u, b.ColorToIndex(0, 0, 0, 127));
  EXPECT_EQ(0x7FFFu, b.ColorToIndex(255, 255, 255, 0));
  b.IndexToColor(0x8000, &c);
  ExpectColor(c, 0, 0, 0, 255);
  b.IndexToColor(0x7FFF, &c);
  ExpectColor(c, 248, 248, 248, 0);

  b.Create(1, 1, Kind4444, 1);
  b.IndexToColor(0xF00F, &c);
  ExpectColor(c, 0, 0, 255, 255);
  EXPECT_EQ(0x4123u, b.ColorToIndex(17, 34, 51, 68));

  b.Create(1, 1, Kind0888, 1);
  EXPECT_EQ(0x123456u, b.ColorToIndex(0x12, 0x34, 0x56, 0x78));
  c = {0, 0, 0, 77};
  b.IndexToColor(0xABCDEF, &c);
  ExpectColor(c, 0xAB, 0xCD, 0xEF, 77);

  b.Create(1, 1, Kind8888, 1);
  EXPECT_EQ(0x78123456u, b.ColorToIndex(0x12, 0x34, 0x56, 0x78));
  b.IndexToColor(0x78123456u, &c);
  ExpectColor(c, 0x12, 0x34, 0x56, 0x78);
}

TEST(PixelKinds, NearestPaletteEntry) {
  sBitmap b;
  b.Create(4, 4, KindIndex8, 1);
  EXPECT_EQ(10u, b.ColorToIndex(10, 10, 10, 0));
  EXPECT_EQ(1u, b.ColorToIndex(0, 0, 0, 255)) << "entry 0 is never chosen";
  const sColor probe{200, 100, 30, 9};
  EXPECT_EQ(100u, b.ColorToIndex(&probe)) << "sum of channel distances: the median grey is nearest";

  // Equal distances: the lowest index wins; alpha plays no part.
  for (int i = 1; i < 256; ++i) b.Palette[i] = {255, 255, 255, 255};
  b.Palette[0] = {25, 25, 0, 255};
  b.Palette[9] = {50, 0, 0, 0};
  b.Palette[4] = {0, 50, 0, 255};
  b.Palette[200] = {24, 24, 0, 0};
  EXPECT_EQ(200u, b.ColorToIndex(25, 25, 0, 255)) << "a strictly nearer later entry wins";
  b.Palette[200] = {255, 255, 255, 255};
  EXPECT_EQ(4u, b.ColorToIndex(25, 25, 0, 255));

  sColor c{1, 2, 3, 4};
  b.Palette[0x34] = {9, 8, 7, 6};
  b.IndexToColor(0x1234, &c);
  ExpectColor(c, 9, 8, 7, 6);

  sBitmap small;
  sColor one[1] = {{1, 2, 3, 4}};
  small.CreateExternal(1, 1, KindIndex8, 8, 1);
  small.SetPalette(1, one);
  EXPECT_EQ(static_cast<uint32_t>(-10), small.ColorToIndex(1, 2, 3, 4));

  sBitmap mono;
  mono.Create(8, 1, KindMono, 1);
  EXPECT_EQ(1u, mono.ColorToIndex(0, 0, 0, 0)) << "Mono has entries 0 and 1 only; 0 is never chosen";
}

TEST(PixelKinds, UnknownKind) {
  sBitmap b;
  b.CreateExternal(1, 1, 9, 8, 1);
  EXPECT_FATAL(b.ColorToIndex(1, 2, 3, 4), "sBitmap::ColorToIndex() unknown bitmap kind");
  sColor c{1, 2, 3, 4};
  b.IndexToColor(5, &c);
  ExpectColor(c, 1, 2, 3, 4);
  // An indexed bitmap without a palette leaves the colour alone too.
  sBitmap bare;
  bare.CreateExternal(1, 1, KindIndex8, 8, 1);
  bare.IndexToColor(5, &c);
  ExpectColor(c, 1, 2, 3, 4);
}

}  // namespace
