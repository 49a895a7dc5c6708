#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include "framework/bitmap.h"
#include "tests/support/fatal_capture.h"
#include "tests/support/temp_folder.h"
#include "tools/common/image_convert.h"
#include "tools/common/png_io.h"
#include "tools/common/scl_writer.h"

namespace {

using SclWriter = TempFolder;

// Deterministic pixel values of the kind's width.
uint32_t Pattern(int kind, int x, int y, int l) {
  uint32_t v = static_cast<uint32_t>(x * 2654435761u ^ y * 40503u ^ l * 977u);
  switch (kind) {
    case KindMono: return v & 1;
    case KindIndex8: return v & 0xFF;
    case Kind0565: return v & 0xFFFF;
    default: return v & 0xFFFFFF;
  }
}

void ExpectSamePixels(const sBitmap& a, const sBitmap& b) {
  ASSERT_EQ(a.Kind, b.Kind);
  ASSERT_EQ(a.Width, b.Width);
  ASSERT_EQ(a.Height, b.Height);
  ASSERT_EQ(a.Levels, b.Levels);
  for (int l = 0; l < a.Levels; ++l) {
    int w = std::max(1, a.Width >> l), h = std::max(1, a.Height >> l);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        ASSERT_EQ(a.GetPixel(x, y, l), b.GetPixel(x, y, l)) << "level " << l << " at " << x << "," << y;
  }
}

TEST_F(SclWriter, EveryStorableKindLoadsBackExactlyAndTheOthersAreRefused) {
  struct Case { int kind, width, height, levels; } cases[] = {
      {KindIndex8, 13, 7, 1}, {KindIndex8, 40, 24, 4}, {Kind0565, 9, 5, 2},
               {Kind0888, 33, 17, 3},  {KindMono, 35, 3, 1},    {KindMono, 64, 16, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(KindNames[c.kind]);
    sBitmap b;
    b.Create(c.width, c.height, c.kind, c.levels);
    for (int l = 0; l < b.Levels; ++l)
      for (int y = 0; y < std::max(1, b.Height >> l); ++y)
        for (int x = 0; x < std::max(1, b.Width >> l); ++x) b.SetPixel(Pattern(c.kind, x, y, l), x, y, l);
    if (b.Kind == KindIndex8) b.Palette[5] = {1, 2, 3, 4};
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(EncodeScl(b, &bytes, &error)) << error;
    sBitmap back;
    back.Load(Write("k.scl", bytes).c_str());
    ExpectSamePixels(b, back);
    if (b.Kind == KindIndex8) {
      EXPECT_EQ(0, std::memcmp(b.Palette, back.Palette, 256 * sizeof(sColor)));
    }
  }
  // What the format cannot hold is refused.
  std::vector<uint8_t> bytes;
  std::string error;
  sBitmap b;
  b.Create(4, 4, Kind8888, 1);
  EXPECT_FALSE(EncodeScl(b, &bytes, &error));
  EXPECT_EQ("pixel kind 8888-32 has no depth in the image file format", error);
  b.Create(4, 4, KindIndex4, 1);
  EXPECT_FALSE(EncodeScl(b, &bytes, &error));
  b.Create(65536, 1, KindIndex8, 1);
  EXPECT_FALSE(EncodeScl(b, &bytes, &error));
  // Mono 8 wide: level 1 needs a byte per row but the halved row bytes give 0.
  b.Create(8, 8, KindMono, 2);
  EXPECT_FALSE(EncodeScl(b, &bytes, &error));
  EXPECT_NE(std::string::npos, error.find("level 1"));
}

using PngFiles = TempFolder;

TEST_F(PngFiles, QuantisationOfManyColours) {
  // 64 x 64 smooth colour field: 4096 colours into 256 entries.
  PngImage image;
  image.width = image.height = 64;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x)
      image.rgba.push_back({uint8_t(x * 4), uint8_t(y * 4), uint8_t((x + y) * 2), 255});
  sBitmap b;
  std::string error;
  ASSERT_TRUE(PngToBitmap(image, KindIndex8, 1, &b, &error));
  std::vector<sColor> palette(b.Palette, b.Palette + 256);
  double total = 0;
  int worst = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const sColor& c = image.rgba[static_cast<size_t>(y * 64 + x)];
      uint32_t i = b.GetPixel(x, y, 0);
      ASSERT_EQ(static_cast<uint32_t>(NearestEntry(palette, c)), i) << "each pixel takes its nearest entry";
      const sColor& e = palette[i];
      int d = std::abs(c.r - e.r) + std::abs(c.g - e.g) + std::abs(c.b - e.b);
      total += d;
      worst = std::max(worst, d);
    }
  std::printf("quantisation of 4096 colours: mean distance %.2f, worst %d\n", total / 4096, worst);
  EXPECT_LT(total / 4096, 12.0) << "256 entries cover a 4096-colour field closely";
  // Few colours: an exact palette in order of first use.
  std::vector<sColor> few = {{9, 9, 1, 255}, {1, 2, 3, 255}, {9, 9, 1, 255}, {1, 2, 3, 0}};
  std::vector<sColor> p = QuantisePalette(few);
  ASSERT_EQ(3u, p.size());
  EXPECT_EQ(9, p[0].r);
  EXPECT_EQ(0, p[2].a);
}

TEST_F(PngFiles, GreyLevelsRoundingAndReadErrors) {
  PngImage image;
  image.width = 3, image.height = 1;
  image.rgba = {{0, 0, 0, 255}, {77, 77, 77, 255}, {255, 255, 255, 255}};
  sBitmap b;
  std::string error;
  ASSERT_TRUE(PngToBitmap(image, KindIndex8, 1, &b, &error));
  EXPECT_EQ((std::vector<uint32_t>{0, 77, 255, 77}),
            (std::vector<uint32_t>{b.GetPixel(0, 0, 0), b.GetPixel(1, 0, 0), b.GetPixel(2, 0, 0), b.Palette[77].r}))
      << "grey maps onto the grey palette";
  image.width = 5, image.height = 3;
  image.rgba.clear();
  for (int i = 0; i < 15; ++i) image.rgba.push_back({uint8_t(i * 16), 0, 0, 255});
  ASSERT_TRUE(PngToBitmap(image, Kind0888, 3, &b, &error)) << error;
  EXPECT_TRUE(b.Width == 8 && b.Height == 4);
  // The last column and row repeat; level 1 (1,0) is the mean of level-0
  // columns 2,3 rows 0,1: red 32, 48, 112, 128.
  EXPECT_EQ((std::vector<uint32_t>{0x400000, 0x400000, 0xE00000, 0x500000}),
            (std::vector<uint32_t>{b.GetPixel(4, 0, 0), b.GetPixel(7, 0, 0), b.GetPixel(7, 3, 0), b.GetPixel(1, 0, 1)}));
  sBitmap idx;
  image.indexed = true;
  image.palette = {{0, 0, 0, 255}, {255, 0, 0, 255}};
  image.indices = {1, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  ASSERT_TRUE(PngToBitmap(image, KindIndex8, 2, &idx, &error));
  EXPECT_EQ(1u, idx.GetPixel(0, 0, 1)) << "indices 1,1,1,0: the most frequent";
  EXPECT_EQ(0u, idx.GetPixel(1, 0, 1));
  EXPECT_FALSE(PngToBitmap(image, Kind8888, 1, &b, &error));
  EXPECT_FALSE(PngToBitmap(image, KindIndex8, 16, &b, &error));
  image.width = 65535;
  EXPECT_FALSE(PngToBitmap(image, KindIndex8, 2, &b, &error)) << "65535 rounds up past 16 bits";
  // Files that are no PNG, or not all of one.
  EXPECT_FALSE(ReadPng(Path("none.png"), &image, &error));
  EXPECT_NE(std::string::npos, error.find("cannot open"));
  EXPECT_FALSE(ReadPng(Write("text.png", {'h', 'e', 'l', 'l', 'o', 0, 0, 0, 0}), &image, &error));
  EXPECT_EQ(Path("text.png") + " is not a PNG file", error);
  // A real PNG cut short: libpng's error comes back as text.
  b.Create(32, 32, Kind0888, 1);
  ASSERT_TRUE(WritePng(Path("full.png"), b, &error));
  std::vector<uint8_t> bytes = Read(Path("full.png"));
  bytes.resize(bytes.size() / 2);
  EXPECT_FALSE(ReadPng(Write("cut.png", bytes), &image, &error));
  EXPECT_EQ(0u, error.find(Path("cut.png") + ": ")) << error;
}

}  // namespace
