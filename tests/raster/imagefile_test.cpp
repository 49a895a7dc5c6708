#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "framework/bitmap.h"
#include "framework/file.h"
#include "framework/pack.h"
#include "tests/raster/bytes.h"
#include "tests/support/fatal_capture.h"

namespace {

class ImageFile : public TempFolder {
protected:
  void Load(sBitmap& b, const Bytes& bytes) { b.Load(Write("img.scl", bytes).c_str()); }
};

Bytes Header(int depth, int flags) { return Bytes().str("BMAP").u8(depth).u8(flags); }

TEST_F(ImageFile, HeaderOnly) {
  sBitmap b;
  Load(b, Header(8, 0).str("bmap"));
  EXPECT_EQ((std::vector<int>{1, 1, KindIndex8, 256, 77}), (std::vector<int>{b.Width, b.Height, b.Kind, b.PaletteSize, b.Palette[77].r}));
  // Unknown flag bits are ignored; no levels byte without image data.
  for (auto [depth, flags, kind] : {std::tuple{24, 0, Kind0888}, {16, 0xF8, Kind0565}, {1, 4, KindMono}}) {
    Load(b, Header(depth, flags).str("bmap"));
    EXPECT_EQ(kind, b.Kind) << depth;
  }
}

TEST_F(ImageFile, RowsOfTwoLevels) {
  Bytes f = Header(8, 2 | 4).u16(10).u16(6).u16(10).u8(2);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 10; ++x) f.u8(y * 10 + x);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) f.u8(200 + y * 5 + x);
  f.str("bmap");
  EXPECT_EQ(6u + 6 + 1 + 75 + 4, f.size());
  sBitmap b;
  Load(b, f);
  EXPECT_EQ(10, b.Width);
  EXPECT_EQ(6, b.Height);
  EXPECT_EQ(2, b.Levels);
  EXPECT_EQ(59u, b.GetPixel(9, 5, 0));
  EXPECT_EQ(214u, b.GetPixel(4, 2, 1));
  EXPECT_EQ(0, *b.PixelAddress(10, 0, 0)) << "bytes beyond the stored row are zero";
}

TEST_F(ImageFile, OddHeightRoundsAndShortLevels) {
  // Height 5 with 2 levels: the bitmap is 6 high; 5 rows and then 2 rows are stored.
  Bytes f = Header(8, 2 | 4).u16(4).u16(5).u16(4).u8(2);
  f.fill(5 * 4, 0x11).fill(2 * 2, 0x22).str("bmap");
  sBitmap b;
  Load(b, f);
  EXPECT_EQ(6, b.Height);
  EXPECT_EQ(0x11u, b.GetPixel(3, 4, 0));
  EXPECT_EQ(0u, b.GetPixel(0, 5, 0)) << "the row the file leaves out is zero";
  EXPECT_EQ(0x22u, b.GetPixel(1, 1, 1));
  EXPECT_EQ(0u, b.GetPixel(0, 2, 1));
}

TEST_F(ImageFile, PaletteOverGreyDefaults) {
  Bytes f = Header(8, 1 | 2).u16(2).u8(1).u8(2).u8(3).u8(4).u8(250).u8(251).u8(252).u8(253);
  f.u16(2).u16(1).u16(2).u8(1).u8(0).str("bmap");
  sBitmap b;
  Load(b, f);
  ASSERT_EQ(256, b.PaletteSize);
  EXPECT_EQ(4, b.Palette[0].a);
  EXPECT_EQ(251, b.Palette[1].g);
  EXPECT_EQ(2, b.Palette[2].r);
  EXPECT_EQ(255, b.Palette[2].a);
  sColor c{};
  b.IndexToColor(b.GetPixel(0, 0, 0), &c);
  EXPECT_EQ(250, c.r);

  // Depth 24 with a palette still loads as Index 8, one byte per pixel.
  f = Header(24, 1 | 2).u16(0).u16(3).u16(1).u16(3).u8(7).u8(8).u8(9).str("bmap");
  Load(b, f);
  EXPECT_EQ(KindIndex8, b.Kind);
  EXPECT_EQ(9u, b.GetPixel(2, 0, 0));
}

TEST_F(ImageFile, DirectKindsKeepTheirMemoryLayout) {
  Bytes f = Header(16, 2).u16(2).u16(1).u16(4).u16(0xF800).u16(0x001F).str("bmap");
  sBitmap b;
  Load(b, f);
  EXPECT_EQ(Kind0565, b.Kind);
  EXPECT_EQ(0x001Fu, b.GetPixel(1, 0, 0));
  f = Header(24, 2).u16(1).u16(1).u16(3).u8(0x56).u8(0x34).u8(0x12).str("bmap");
  Load(b, f);
  EXPECT_EQ(0x123456u, b.GetPixel(0, 0, 0));
  f = Header(1, 2).u16(16).u16(1).u16(2).u8(0x80).u8(0x01).str("bmap");
  Load(b, f);
  EXPECT_EQ(1u, b.GetPixel(0, 0, 0));
  EXPECT_EQ(0u, b.GetPixel(1, 0, 0));
  EXPECT_EQ(1u, b.GetPixel(15, 0, 0));
}

TEST_F(ImageFile, FormatErrors) {
  sBitmap b;
  EXPECT_FATAL(Load(b, Bytes().str("BMAQ").u8(8).u8(0).str("bmap")), "Assertion in line 708, file bitmap");
  for (int depth : {0, 2, 4, 12, 32, 255}) {
    SCOPED_TRACE(depth);
    EXPECT_FATAL(Load(b, Header(depth, 0).str("bmap")), "Assertion in line 728, file bitmap");
  }
  EXPECT_FATAL(Load(b, Header(8, 1).u16(257).fill(257 * 4, 0).str("bmap")), "Assertion in line 735, file bitmap");
  EXPECT_FATAL(Load(b, Header(8, 6).u16(1).u16(1).u16(1).u8(0).u8(0).str("bmap")),
               "Assertion in line 746, file bitmap");
  EXPECT_FATAL(Load(b, Header(8, 6).u16(1).u16(1).u16(1).u8(17).u8(0).str("bmap")),
               "Assertion in line 746, file bitmap");
  EXPECT_FATAL(Load(b, Header(8, 6).u16(16).u16(1).u16(1).u8(16).u8(0).str("bmap")),
               "Assertion in line 58, file bitmap");
  EXPECT_FATAL(Load(b, Header(8, 2).u16(16).u16(1).u16(17).fill(17, 0).str("bmap")),
               "Assertion in line 754, file bitmap");
  // Also when the rows are missing too.
  EXPECT_FATAL(Load(b, Header(8, 2).u16(16).u16(1).u16(17).str("bmap")), "Assertion in line 754, file bitmap");
  EXPECT_FATAL(Load(b, Header(8, 2).u16(0).u16(1).u16(1).u8(0).str("bmap")), "Assertion in line 55, file bitmap");
  EXPECT_FATAL(Load(b, Header(8, 0).str("BMAP")), "Assertion in line 771, file bitmap");
  EXPECT_FATAL(Load(b, Header(8, 2).u16(2).u16(2).u16(2).fill(4, 1).str("bm")), "Assertion in line 771, file bitmap");
  EXPECT_FATAL(Load(b, Bytes().str("BMA")), "Assertion in line 708, file bitmap");
}

TEST_F(ImageFile, RowsBeyondTheFileFailBeforeAllocating) {
  sBitmap b;
  // 20 bytes that ask for 65535 x 65535 bytes of rows.
  Bytes tiny = Header(8, 2).u16(65535).u16(65535).u16(65535).str("bmap").fill(3, 0);
  EXPECT_EQ(19u, tiny.size());
  EXPECT_FATAL(Load(b, tiny), "sBitmap::Load() image data beyond the end of the file");
  // One byte short of the rows.
  EXPECT_FATAL(Load(b, Header(8, 2).u16(4).u16(4).u16(4).fill(15, 1)),
               "sBitmap::Load() image data beyond the end of the file");
  // Rows present but the closing tag cut: still the tag's assertion.
  EXPECT_FATAL(Load(b, Header(8, 2).u16(4).u16(4).u16(4).fill(16, 1).str("bma")), "Assertion in line 771, file bitmap");
  // A header whose level sizes do not fit 32 bits, with no row bytes at all.
  EXPECT_FATAL(Load(b, Header(24, 2).u16(65535).u16(65535).u16(0).str("bmap")), "sBitmap::Load() image too large");
  // Short rows are allowed, but not an image beyond 64 MiB from a 20-byte file.
  EXPECT_FATAL(Load(b, Header(8, 2).u16(8193).u16(8192).u16(0).str("bmap")), "sBitmap::Load() image too large");
  // Nor through Create's rounding: 4 x 8 with 15 levels is 16384 x 16384.
  EXPECT_FATAL(Load(b, Header(16, 6).u16(4).u16(8).u16(0).u8(15).str("bmap")), "sBitmap::Load() image too large");
  Load(b, Header(8, 2).u16(4096).u16(4096).u16(0).str("bmap"));
  EXPECT_EQ(4096, b.Width);
  // A file holding every row of an image beyond 64 MiB loads; the same with
  // rows one byte short is refused.
  Load(b, Header(8, 2).u16(8192).u16(8193).u16(8192).fill(8192 * 8193, 7).str("bmap"));
  EXPECT_EQ(8193, b.Height);
  EXPECT_EQ(7u, b.GetPixel(8191, 8192, 0));
  EXPECT_FATAL(Load(b, Header(8, 2).u16(8192).u16(8193).u16(8191).fill(8191 * 8193, 7).str("bmap")),
               "sBitmap::Load() image too large");
}

TEST_F(ImageFile, FromThePack) {
  Bytes img = Header(8, 2).u16(2).u16(2).u16(2).u8(1).u8(2).u8(3).u8(4).str("bmap");
  Bytes big = Header(8, 2).u16(64).u16(64).u16(64);  // its rows would run past the pack
  Bytes pack;
  uint32_t dir = 16 + 8 + 13 + 8 + 13 + 4;
  pack.str("PACK").u32(0).u32(0).u32(2);
  pack.u32(static_cast<uint32_t>(img.size())).u32(dir).cstr("vo/a_pic.scl");
  pack.u32(static_cast<uint32_t>(big.size())).u32(dir + static_cast<uint32_t>(img.size())).cstr("vo/b_big.scl");
  pack.str("pack").add(img).add(big).fill(100, 9);
  ASSERT_EQ(dir, pack.size() - img.size() - big.size() - 100);
  OpenPackFile(Write("v01.dat", pack).c_str());

  sBitmap b;
  b.Load("VO/A_PIC.SCL");
  EXPECT_EQ(4u, b.GetPixel(1, 1, 0));
  // 4096 bytes of rows, only 100 after the entry in the whole pack.
  EXPECT_FATAL(b.Load("vo/b_big.scl"), "sBitmap::Load() image data beyond the end of the file");
}

}  // namespace
