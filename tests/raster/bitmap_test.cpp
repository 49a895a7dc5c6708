#include "framework/bitmap.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/fatal_capture.h"

namespace {

TEST(Bitmap, CreateRoundsAndPadsLevels) {
  sBitmap b;
  b.Create(5, 3, KindIndex8, 3);
  EXPECT_EQ(8, b.Width);
  EXPECT_EQ(4, b.Height);
  EXPECT_EQ(3, b.Levels);
  EXPECT_EQ(8, b.Bits);
  const int pitch[] = {16, 16, 16}, size[] = {64, 32, 16};
  for (int l = 0; l < 3; ++l) {
    EXPECT_EQ(pitch[l], b.Pitch[l]);
    EXPECT_EQ(size[l], b.Size[l]);
    ASSERT_NE(nullptr, b.Pixels[l]);
  }
  EXPECT_EQ(nullptr, b.Pixels[3]);

  b.Create(1, 1, Kind8888, 1);
  EXPECT_EQ(16, b.Pitch[0]);
  EXPECT_EQ(16, b.Size[0]);
  EXPECT_EQ(0, b.PaletteSize);
  EXPECT_EQ(nullptr, b.Palette);

  b.Create(129, 2, KindMono, 1);
  EXPECT_EQ(32, b.Pitch[0]);
  ASSERT_EQ(2, b.PaletteSize);
  EXPECT_EQ(0, b.Palette[0].r);
  EXPECT_EQ(0, b.Palette[0].a);
  EXPECT_EQ(255, b.Palette[1].g);
  EXPECT_EQ(255, b.Palette[1].a);

  b.Create(33, 17, Kind0888, 1);
  EXPECT_EQ(112, b.Pitch[0]) << "99 bytes padded to 16";
  for (int i = 0; i < b.Size[0]; ++i) ASSERT_EQ(0, b.Pixels[0][i]) << "pixel memory starts zeroed";

  // A level never goes below one pixel.
  b.Create(1, 64, Kind0565, 4);
  EXPECT_EQ(8, b.Width);
  EXPECT_EQ(16, b.Pitch[3]);
  EXPECT_EQ(16 * 8, b.Size[3]);
}

TEST(Bitmap, GreyPalettes) {
  sBitmap b;
  b.Create(2, 2, KindIndex4, 1);
  ASSERT_EQ(16, b.PaletteSize);
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(17 * i, b.Palette[i].r);
    EXPECT_EQ(17 * i, b.Palette[i].b);
    EXPECT_EQ(255, b.Palette[i].a);
  }
  b.Create(2, 2, KindIndex8, 1);
  ASSERT_EQ(256, b.PaletteSize);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(i, b.PaletteEntry(i)->g);
}

TEST(Bitmap, CreateAssertions) {
  sBitmap b;
  EXPECT_FATAL(b.Create(0, 1, KindIndex8, 1), "Assertion in line 55, file bitmap");
  EXPECT_FATAL(b.Create(1, 0, KindIndex8, 1), "Assertion in line 56, file bitmap");
  EXPECT_FATAL(b.Create(1, 1, 8, 1), "Assertion in line 57, file bitmap");
  EXPECT_FATAL(b.Create(1, 1, -1, 1), "Assertion in line 57, file bitmap");
  EXPECT_FATAL(b.Create(1, 1, KindIndex8, 0), "Assertion in line 58, file bitmap");
  EXPECT_FATAL(b.Create(1, 1, KindIndex8, 16), "Assertion in line 58, file bitmap");
  // Sizes that do not fit the 32-bit fields end before anything is allocated.
  EXPECT_FATAL(b.Create(65536, 65536, Kind8888, 1), "sBitmap::Create() bitmap too large");
  EXPECT_FATAL(b.Create(0x7FFFFFFF, 1, KindMono, 15), "sBitmap::Create() bitmap too large");
  EXPECT_FATAL(b.CreateExternal(1, 1, KindIndex8, 8, 16), "Assertion in line 98, file bitmap");
  EXPECT_FATAL(b.CreateExternal(1, 1, KindIndex8, 8, -1), "Assertion in line 98, file bitmap");
  b.Create(4, 4, KindIndex8, 1);
  uint8_t mem[16];
  sColor pal[2];
  EXPECT_FATAL(b.SetLevel(16, mem, 0), "Assertion in line 111, file bitmap");
  EXPECT_FATAL(b.SetPalette(2, pal), "Assertion in line 121, file bitmap");
  b.CreateExternal(4, 4, KindIndex8, 8, 1);
  EXPECT_FATAL(b.SetLevel(16, mem, 1), "Assertion in line 112, file bitmap");
  EXPECT_FATAL(b.SetLevel(16, mem, -1), "Assertion in line 112, file bitmap");
}

TEST(Bitmap, ExternalMemory) {
  uint8_t mem[40 * 7] = {};
  sColor pal[4] = {{1, 1, 1, 1}, {2, 2, 2, 2}, {3, 3, 3, 3}, {4, 4, 4, 4}};
  {
    sBitmap b;
    b.CreateExternal(13, 7, Kind0888, 24, 1);
    EXPECT_TRUE(b.External);
    EXPECT_EQ(13, b.Width);
    EXPECT_EQ(24, b.Bits);
    b.SetLevel(40, mem, 0);
    EXPECT_EQ(7 * 40, b.Size[0]);
    EXPECT_EQ(mem + 40 * 5 + 24 * 3 / 8, b.PixelAddress(3, 5, 0));
    b.SetPixel(0x112233, 12, 6, 0);
    EXPECT_EQ(0x33, mem[40 * 6 + 36]);
    EXPECT_EQ(0x11, mem[40 * 6 + 38]);
    EXPECT_EQ(0x112233u, b.GetPixel(12, 6, 0));
  }
  {
    // External memory and palette are not freed (the sanitizer build would see it).
    sBitmap b;
    b.CreateExternal(16, 2, KindIndex8, 8, 1);
    b.SetLevel(40, mem, 0);
    b.SetPalette(4, pal);
    EXPECT_EQ(4, b.PaletteSize);
    sColor c{};
    b.IndexToColor(7, &c);
    EXPECT_EQ(4, c.r) << "index 7 masked to the 4-entry palette";
    b.Free();
    EXPECT_FALSE(b.External);
    EXPECT_EQ(nullptr, b.Palette);
    EXPECT_EQ(0, b.PaletteSize);
  }
  EXPECT_EQ(1, pal[0].r);
}

TEST(Bitmap, PixelsPerKind) {
  sBitmap b;
  b.Create(16, 2, KindIndex4, 1);
  b.SetPixel(5, 0, 1, 0);
  b.SetPixel(0x29, 1, 1, 0);
  EXPECT_EQ(0x59, *b.PixelAddress(0, 1, 0));
  EXPECT_EQ(5u, b.GetPixel(0, 1, 0));
  EXPECT_EQ(9u, b.GetPixel(1, 1, 0));
  b.SetPixel(0xC, 0, 1, 0);
  EXPECT_EQ(0xC9, *b.PixelAddress(0, 1, 0)) << "the other nibble is kept";

  b.Create(16, 1, KindMono, 1);
  b.SetPixel(3, 9, 0, 0);
  EXPECT_EQ(0x40, b.Pixels[0][1]);
  EXPECT_EQ(1u, b.GetPixel(9, 0, 0));
  EXPECT_EQ(0u, b.GetPixel(8, 0, 0));
  b.SetPixel(2, 9, 0, 0);
  EXPECT_EQ(0x00, b.Pixels[0][1]) << "bit 0 of the value decides";

  b.Create(4, 4, Kind1555, 2);
  b.SetPixel(0xABCD1234, 1, 1, 1);
  EXPECT_EQ(0x34, b.Pixels[1][16 + 2]);
  EXPECT_EQ(0x12, b.Pixels[1][16 + 3]);
  EXPECT_EQ(0x1234u, b.GetPixel(1, 1, 1));

  b.Create(4, 4, Kind8888, 1);
  b.SetPixel(0xA1B2C3D4, 3, 3, 0);
  EXPECT_EQ(0xD4, b.Pixels[0][16 * 3 + 12]);
  EXPECT_EQ(0xA1, b.Pixels[0][16 * 3 + 15]);
  EXPECT_EQ(0xA1B2C3D4u, b.GetPixel(3, 3, 0));

  uint8_t mem[16] = {};
  b.CreateExternal(4, 1, 11, 8, 1);
  b.SetLevel(16, mem, 0);
  b.SetPixel(7, 0, 0, 0);
  EXPECT_EQ(0, mem[0]) << "an unknown kind stores nothing";
  EXPECT_EQ(0xFFFFFFFFu, b.GetPixel(0, 0, 0));
}

TEST(Bitmap, ClearEveryLevel) {
  sBitmap b;
  b.Create(17, 3, KindMono, 1);
  b.Clear(1);
  for (int i = 0; i < b.Size[0]; ++i) ASSERT_EQ(0xFF, b.Pixels[0][i]);
  b.Clear(0);
  for (int i = 0; i < b.Size[0]; ++i) ASSERT_EQ(0, b.Pixels[0][i]);

  b.Create(8, 8, KindIndex8, 3);
  b.Clear(0x12);
  for (int l = 0; l < 3; ++l)
    for (int i = 0; i < b.Size[l]; ++i) ASSERT_EQ(0x12, b.Pixels[l][i]);

  b.Create(4, 4, KindIndex4, 1);
  b.Clear(0xA);
  EXPECT_EQ(0xAA, b.Pixels[0][5]);
  b.Clear(0x12);  // (v << 4 | v) of the whole value: 0x132, byte 0x32
  EXPECT_EQ(0x32, b.Pixels[0][5]);

  b.Create(4, 4, Kind0565, 1);
  b.Clear(0xBEEF);
  EXPECT_EQ(0xBEEFu, b.GetPixel(3, 3, 0));

  b.Create(4, 4, Kind8888, 1);
  b.Clear(0x01020304);
  EXPECT_EQ(0x01020304u, b.GetPixel(2, 1, 0));

  b.Create(12, 4, Kind0888, 3);
  b.Clear(0x123456);
  for (int l = 0; l < 3; ++l) {
    int w = b.Width >> l, h = b.Height >> l;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) ASSERT_EQ(0x123456u, b.GetPixel(x, y, l)) << l << " " << x << " " << y;
    EXPECT_EQ(0, *b.PixelAddress(w, 0, l)) << "row padding is not written";
  }
}

TEST(Bitmap, ConvertThroughColours) {
  // The area must fit every converted level of both bitmaps: 2 x 2 fits level 1 of a 4 x 4.
  sBitmap src, dst;
  src.Create(4, 4, KindIndex8, 2);
  src.Palette[3] = {255, 0, 0, 255};
  src.Palette[4] = {0, 255, 0, 255};
  src.SetPixel(3, 0, 0, 0);
  src.SetPixel(4, 1, 1, 0);
  src.SetPixel(4, 1, 0, 1);
  dst.Create(8, 8, Kind0565, 3);
  dst.Clear(0x1111);
  const sBlitRect area{9, 9, 9, 9, 2, 2};
  dst.Convert(&src, &area);
  EXPECT_EQ(0xF800u, dst.GetPixel(0, 0, 0));
  EXPECT_EQ(0x07E0u, dst.GetPixel(1, 1, 0));
  EXPECT_EQ(0x0000u, dst.GetPixel(1, 0, 0)) << "grey 0 of the default palette";
  EXPECT_EQ(0x1111u, dst.GetPixel(2, 0, 0)) << "outside w x h untouched";
  EXPECT_EQ(0x1111u, dst.GetPixel(0, 2, 0));
  EXPECT_EQ(0x07E0u, dst.GetPixel(1, 0, 1)) << "second level converted too";
  EXPECT_EQ(0x1111u, dst.GetPixel(0, 0, 2)) << "only the common levels";

  // And back into a palette: nearest entries.
  sBitmap idx;
  idx.Create(4, 2, KindIndex8, 1);
  idx.Palette[7] = {250, 0, 0, 255};
  const sBlitRect one{0, 0, 0, 0, 1, 1};
  idx.Convert(&dst, &one);
  EXPECT_EQ(7u, idx.GetPixel(0, 0, 0));

  // An area that fits level 0 only is clipped to the smaller levels: level 1
  // of this 4 x 4 bitmap holds 2 x 2, and the bytes after it stay.
  uint8_t memory[128];
  std::memset(memory, 0xEE, sizeof memory);
  sBitmap ext;
  ext.CreateExternal(4, 4, KindIndex8, 8, 2);
  ext.SetLevel(16, memory, 0);
  ext.SetLevel(16, memory + 64, 1);
  ext.SetPalette(256, src.Palette);
  const sBlitRect whole{0, 0, 0, 0, 4, 4};
  ext.Convert(&src, &whole);
  EXPECT_EQ(4u, ext.GetPixel(1, 0, 1));
  EXPECT_EQ(0xEE, memory[64 + 2]) << "past level 1's width";
  for (int i = 96; i < 128; ++i) ASSERT_EQ(0xEE, memory[i]) << "past level 1's rows, byte " << i;
}

TEST(Bitmap, MapToRange) {
  sBitmap b;
  b.Create(4, 1, KindIndex8, 1);
  b.SetPixel(255, 0, 0, 0);
  b.SetPixel(128, 1, 0, 0);
  b.SetPixel(3, 2, 0, 0);
  b.SetPixel(0, 3, 0, 0);
  b.MapToRange(0, 64);
  EXPECT_EQ(64u, b.GetPixel(0, 0, 0));
  EXPECT_EQ(32u, b.GetPixel(1, 0, 0));
  EXPECT_EQ(0u, b.GetPixel(2, 0, 0));
  EXPECT_EQ(0u, b.GetPixel(3, 0, 0));
  EXPECT_EQ(128, b.Palette[128].r) << "the palette stays";

  b.SetPixel(200, 0, 0, 0);
  b.MapToRange(100, 40);  // a falling band truncates toward zero
  EXPECT_EQ(static_cast<uint32_t>(100 + (200 * -60) / 255), b.GetPixel(0, 0, 0));
  EXPECT_EQ(53u, b.GetPixel(0, 0, 0));

  b.Create(4, 1, KindIndex4, 1);
  EXPECT_FATAL(b.MapToRange(0, 64), "Assertion in line 674, file bitmap");
  uint8_t mem[16];
  sColor pal[16] = {};
  b.CreateExternal(4, 1, KindIndex8, 8, 1);
  b.SetLevel(16, mem, 0);
  b.SetPalette(16, pal);
  EXPECT_FATAL(b.MapToRange(0, 64), "Assertion in line 675, file bitmap");
}

TEST(Bitmap, FreeAndRecreate) {
  sBitmap b;
  b.Create(8, 8, KindIndex8, 2);
  b.Free();
  b.Free();
  EXPECT_EQ(nullptr, b.Pixels[0]);
  EXPECT_EQ(nullptr, b.Palette);
  b.Create(8, 8, KindIndex8, 2);
  b.Create(8, 8, Kind8888, 1);
  EXPECT_EQ(nullptr, b.Pixels[1]);
  EXPECT_EQ(nullptr, b.Palette);
}

}  // namespace
