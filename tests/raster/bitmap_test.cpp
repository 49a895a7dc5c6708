#include "framework/bitmap.h"
#include <cstring>
#include "tests/raster/bytes.h"
namespace {
using Ints = std::vector<int>;
Ints Of(const sColor& c) { return {c.r, c.g, c.b, c.a}; }
Ints ToColor(const sBitmap& b, uint32_t index, sColor c = {}) {
  b.IndexToColor(index, &c);
  return Of(c);
}
TEST(PixelKinds, Names) {
  EXPECT_EQ((std::vector<std::string>{"Mono   ", "Index 4", "Index 8", "0565-16", "1555-16", "4444-16", "0888-24", "8888-32"}),
            std::vector<std::string>(KindNames, KindNames + KindCount));
}
TEST(PixelKinds, DirectKindsBothWays) {
  const struct {
    int kind;
    Ints rgba;
    uint32_t index;
  } to[] = {{Kind0565, {255, 255, 255, 0}, 0xFFFF},         {Kind0565, {0x87, 0x83, 0x87, 0}, 0x8410},  // top 5/6/5 bits
            {Kind1555, {0, 0, 0, 128}, 0x8000},             {Kind1555, {0, 0, 0, 127}, 0},
            {Kind1555, {255, 255, 255, 0}, 0x7FFF},         {Kind4444, {17, 34, 51, 68}, 0x4123},
            {Kind0888, {0x12, 0x34, 0x56, 0x78}, 0x123456}, {Kind8888, {0x12, 0x34, 0x56, 0x78}, 0x78123456}};
  const struct {
    int kind;
    uint32_t index;
    sColor before;
    Ints rgba;
  } from[] = {{Kind0565, 0xFFFF, {}, {248, 252, 248, 255}},          {Kind1555, 0x8000, {}, {0, 0, 0, 255}},
              {Kind1555, 0x7FFF, {}, {248, 248, 248, 0}},            {Kind4444, 0xF00F, {}, {0, 0, 255, 255}},
              {Kind0888, 0xABCDEF, {0, 0, 0, 77}, {0xAB, 0xCD, 0xEF, 77}}, {Kind8888, 0x78123456, {}, {0x12, 0x34, 0x56, 0x78}}};
  sBitmap b;
  for (const auto& c : to) {
    b.Create(1, 1, c.kind, 1);
    EXPECT_EQ(c.index, b.ColorToIndex(c.rgba[0], c.rgba[1], c.rgba[2], c.rgba[3])) << KindNames[c.kind];
  }
  for (const auto& c : from) {
    b.Create(1, 1, c.kind, 1);
    EXPECT_EQ(c.rgba, ToColor(b, c.index, c.before)) << KindNames[c.kind];
  }
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
  b.Palette[0x34] = {9, 8, 7, 6};
  EXPECT_EQ((Ints{9, 8, 7, 6}), ToColor(b, 0x1234, {1, 2, 3, 4}));
  sBitmap small, mono;
  sColor one[1] = {{1, 2, 3, 4}};
  small.CreateExternal(1, 1, KindIndex8, 8, 1);
  small.SetPalette(1, one);
  EXPECT_EQ(static_cast<uint32_t>(-10), small.ColorToIndex(1, 2, 3, 4));
  mono.Create(8, 1, KindMono, 1);
  EXPECT_EQ(1u, mono.ColorToIndex(0, 0, 0, 0)) << "Mono has entries 0 and 1 only; 0 is never chosen";
  // An unknown kind, and an Index 8 bitmap without a palette.
  sBitmap odd, bare;
  odd.CreateExternal(1, 1, 9, 8, 1);
  bare.CreateExternal(1, 1, KindIndex8, 8, 1);
  EXPECT_FATAL(odd.ColorToIndex(1, 2, 3, 4), "sBitmap::ColorToIndex() unknown bitmap kind");
  EXPECT_EQ((std::vector<Ints>{{1, 2, 3, 4}, {1, 2, 3, 4}}),
            (std::vector<Ints>{ToColor(odd, 5, {1, 2, 3, 4}), ToColor(bare, 5, {1, 2, 3, 4})}));
}
TEST(Bitmap, CreateRoundsAndPadsLevels) {
  sBitmap b;
  b.Create(5, 3, KindIndex8, 3);
  EXPECT_EQ((Ints{8, 4, 3, 8}), (Ints{b.Width, b.Height, b.Levels, b.Bits}));
  EXPECT_EQ((Ints{16, 16, 16, 64, 32, 16}), (Ints{b.Pitch[0], b.Pitch[1], b.Pitch[2], b.Size[0], b.Size[1], b.Size[2]}));
  EXPECT_TRUE(b.Pixels[0] && b.Pixels[1] && b.Pixels[2] && !b.Pixels[3]);
  b.Create(1, 1, Kind8888, 1);
  EXPECT_EQ((Ints{16, 16, 0, 1}), (Ints{b.Pitch[0], b.Size[0], b.PaletteSize, b.Palette == nullptr}));
  b.Create(129, 2, KindMono, 1);
  ASSERT_EQ((Ints{32, 2}), (Ints{b.Pitch[0], b.PaletteSize}));
  EXPECT_EQ((Ints{0, 0, 255, 255}), (Ints{b.Palette[0].r, b.Palette[0].a, b.Palette[1].g, b.Palette[1].a}));
  b.Create(33, 17, Kind0888, 1);
  EXPECT_EQ(112, b.Pitch[0]) << "99 bytes padded to 16";
  for (int i = 0; i < b.Size[0]; ++i) ASSERT_EQ(0, b.Pixels[0][i]) << "pixel memory starts zeroed";
  b.Create(1, 64, Kind0565, 4);  // a level never goes below one pixel
  EXPECT_EQ((Ints{8, 16, 16 * 8}), (Ints{b.Width, b.Pitch[3], b.Size[3]}));
  b.Create(2, 2, KindIndex4, 1);
  ASSERT_EQ(16, b.PaletteSize);
  for (int i = 0; i < 16; ++i) EXPECT_EQ((Ints{17 * i, 17 * i, 255}), (Ints{b.Palette[i].r, b.Palette[i].b, b.Palette[i].a}));
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
TEST(Bitmap, ExternalMemoryFreeAndRecreate) {
  uint8_t mem[40 * 7] = {};
  sColor pal[4] = {{1, 1, 1, 1}, {2, 2, 2, 2}, {3, 3, 3, 3}, {4, 4, 4, 4}};
  sBitmap b;
  b.CreateExternal(13, 7, Kind0888, 24, 1);
  EXPECT_EQ((Ints{1, 13, 24}), (Ints{b.External, b.Width, b.Bits}));
  b.SetLevel(40, mem, 0);
  EXPECT_EQ(7 * 40, b.Size[0]);
  EXPECT_EQ(mem + 40 * 5 + 24 * 3 / 8, b.PixelAddress(3, 5, 0));
  b.SetPixel(0x112233, 12, 6, 0);
  EXPECT_EQ((Ints{0x33, 0x11, 0x112233}), (Ints{mem[40 * 6 + 36], mem[40 * 6 + 38], int(b.GetPixel(12, 6, 0))}));
  // External memory and palette are not freed (the sanitizer build would see it).
  b.CreateExternal(16, 2, KindIndex8, 8, 1);
  b.SetLevel(40, mem, 0);
  b.SetPalette(4, pal);
  EXPECT_EQ((Ints{4, 4}), (Ints{b.PaletteSize, ToColor(b, 7)[0]})) << "index 7 masked to the 4-entry palette";
  b.Free();
  EXPECT_TRUE(!b.External && !b.Palette && !b.PaletteSize && pal[0].r == 1);
  b.Create(8, 8, KindIndex8, 2);
  b.Free();
  b.Free();
  EXPECT_TRUE(!b.Pixels[0] && !b.Palette);
  b.Create(8, 8, KindIndex8, 2);
  b.Create(8, 8, Kind8888, 1);
  EXPECT_TRUE(!b.Pixels[1] && !b.Palette);
}
TEST(Bitmap, PixelsPerKind) {
  sBitmap b;
  b.Create(16, 2, KindIndex4, 1);
  b.SetPixel(5, 0, 1, 0);
  b.SetPixel(0x29, 1, 1, 0);
  EXPECT_EQ(0x59, *b.PixelAddress(0, 1, 0));
  EXPECT_EQ((Ints{5, 9}), (Ints{int(b.GetPixel(0, 1, 0)), int(b.GetPixel(1, 1, 0))}));
  b.SetPixel(0xC, 0, 1, 0);
  EXPECT_EQ(0xC9, *b.PixelAddress(0, 1, 0)) << "the other nibble is kept";
  b.Create(16, 1, KindMono, 1);
  b.SetPixel(3, 9, 0, 0);
  b.SetPixel(1, 14, 0, 0);
  EXPECT_EQ(0x42, b.Pixels[0][1]);
  EXPECT_EQ((Ints{1, 0, 1, 0}), (Ints{int(b.GetPixel(9, 0, 0)), int(b.GetPixel(8, 0, 0)), int(b.GetPixel(14, 0, 0)),
                                     int(b.GetPixel(10, 0, 0))}));
  b.SetPixel(0, 14, 0, 0);
  b.SetPixel(2, 9, 0, 0);
  EXPECT_EQ(0x00, b.Pixels[0][1]) << "bit 0 of the value decides";
  b.Create(4, 4, Kind1555, 2);
  b.SetPixel(0xABCD1234, 1, 1, 1);
  EXPECT_EQ((Ints{0x34, 0x12, 0x1234}), (Ints{b.Pixels[1][16 + 2], b.Pixels[1][16 + 3], int(b.GetPixel(1, 1, 1))}));
  b.Create(4, 4, Kind8888, 1);
  b.SetPixel(0xA1B2C3D4, 3, 3, 0);
  EXPECT_EQ((Ints{0xD4, 0xA1}), (Ints{b.Pixels[0][16 * 3 + 12], b.Pixels[0][16 * 3 + 15]}));
  EXPECT_EQ(0xA1B2C3D4u, b.GetPixel(3, 3, 0));
  uint8_t mem[16] = {};
  b.CreateExternal(4, 1, 11, 8, 1);
  b.SetLevel(16, mem, 0);
  b.SetPixel(7, 0, 0, 0);
  EXPECT_TRUE(mem[0] == 0 && b.GetPixel(0, 0, 0) == 0xFFFFFFFFu) << "an unknown kind stores nothing";
}
TEST(Bitmap, ClearEveryLevel) {
  sBitmap b;
  auto every = [&b](int byte) {  // every byte of every level
    for (int l = 0; l < b.Levels; ++l)
      for (int i = 0; i < b.Size[l]; ++i)
        if (b.Pixels[l][i] != byte) return false;
    return true;
  };
  b.Create(17, 3, KindMono, 1);
  b.Clear(1);
  EXPECT_TRUE(every(0xFF));
  b.Clear(0);
  EXPECT_TRUE(every(0));
  b.Create(8, 8, KindIndex8, 3);
  b.Clear(0x12);
  EXPECT_TRUE(every(0x12));
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
  sBitmap src, dst, idx, ext;
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
  // Red, green, grey 0 of the default palette; outside w x h untouched; the
  // second level converted too; only the common levels.
  EXPECT_EQ((Ints{0xF800, 0x07E0, 0, 0x1111, 0x1111, 0x07E0, 0x1111}),
            (Ints{int(dst.GetPixel(0, 0, 0)), int(dst.GetPixel(1, 1, 0)), int(dst.GetPixel(1, 0, 0)), int(dst.GetPixel(2, 0, 0)),
                  int(dst.GetPixel(0, 2, 0)), int(dst.GetPixel(1, 0, 1)), int(dst.GetPixel(0, 0, 2))}));
  idx.Create(4, 2, KindIndex8, 1);  // and back into a palette: nearest entries
  idx.Palette[7] = {250, 0, 0, 255};
  const sBlitRect one{0, 0, 0, 0, 1, 1};
  idx.Convert(&dst, &one);
  EXPECT_EQ(7u, idx.GetPixel(0, 0, 0));
  // An area that fits level 0 only is clipped to the smaller levels: level 1
  // of this 4 x 4 bitmap holds 2 x 2, and the bytes after it stay.
  uint8_t memory[128];
  std::memset(memory, 0xEE, sizeof memory);
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
  const uint32_t in[4] = {255, 128, 3, 0};
  for (int x = 0; x < 4; ++x) b.SetPixel(in[x], x, 0, 0);
  b.MapToRange(0, 64);
  EXPECT_EQ((Ints{64, 32, 0, 0}), (Ints{int(b.GetPixel(0, 0, 0)), int(b.GetPixel(1, 0, 0)), int(b.GetPixel(2, 0, 0)),
                                       int(b.GetPixel(3, 0, 0))}));
  EXPECT_EQ(128, b.Palette[128].r) << "the palette stays";
  b.SetPixel(200, 0, 0, 0);
  b.MapToRange(100, 40);  // a falling band truncates toward zero: 100 + (200 * -60) / 255
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
}  // namespace
