#include <tuple>
#include "framework/bitmap.h"
#include "framework/file.h"
#include "framework/pack.h"
#include "tests/raster/bytes.h"
namespace {
using Ints = std::vector<int>;
class ImageFile : public TempFolder {
protected:
  void Load(sBitmap& b, const Bytes& bytes) { b.Load(Write("img.scl", bytes).c_str()); }
};
Bytes Header(int depth, int flags) { return Bytes().str("BMAP").u8(depth).u8(flags); }
TEST_F(ImageFile, HeaderOnly) {
  sBitmap b;
  Load(b, Header(8, 0).str("bmap"));
  EXPECT_EQ((Ints{1, 1, KindIndex8, 256, 77}), (Ints{b.Width, b.Height, b.Kind, b.PaletteSize, b.Palette[77].r}));
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
  EXPECT_EQ((Ints{10, 6, 2, 59, 214}), (Ints{b.Width, b.Height, b.Levels, int(b.GetPixel(9, 5, 0)), int(b.GetPixel(4, 2, 1))}));
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
  sBitmap b;
  Load(b, Header(8, 1 | 2).u16(2).u8(1).u8(2).u8(3).u8(4).u8(250).u8(251).u8(252).u8(253)  // two palette entries
              .u16(2).u16(1).u16(2).u8(1).u8(0).str("bmap"));
  ASSERT_EQ(256, b.PaletteSize);
  sColor c{};
  b.IndexToColor(b.GetPixel(0, 0, 0), &c);
  EXPECT_EQ((Ints{4, 251, 2, 255, 250}), (Ints{b.Palette[0].a, b.Palette[1].g, b.Palette[2].r, b.Palette[2].a, c.r}));
  // Depth 24 with a palette still loads as Index 8, one byte per pixel.
  Load(b, Header(24, 1 | 2).u16(0).u16(3).u16(1).u16(3).u8(7).u8(8).u8(9).str("bmap"));
  EXPECT_EQ((Ints{KindIndex8, 9}), (Ints{b.Kind, int(b.GetPixel(2, 0, 0))}));
}
TEST_F(ImageFile, DirectKindsKeepTheirMemoryLayout) {
  sBitmap b;
  Load(b, Header(16, 2).u16(2).u16(1).u16(4).u16(0xF800).u16(0x001F).str("bmap"));
  EXPECT_EQ((Ints{Kind0565, 0x001F}), (Ints{b.Kind, int(b.GetPixel(1, 0, 0))}));
  Load(b, Header(24, 2).u16(1).u16(1).u16(3).u8(0x56).u8(0x34).u8(0x12).str("bmap"));
  EXPECT_EQ(0x123456u, b.GetPixel(0, 0, 0));
  Load(b, Header(1, 2).u16(16).u16(1).u16(2).u8(0x80).u8(0x01).str("bmap"));
  EXPECT_EQ((Ints{1, 0, 1}), (Ints{int(b.GetPixel(0, 0, 0)), int(b.GetPixel(1, 0, 0)), int(b.GetPixel(15, 0, 0))}));
}
TEST_F(ImageFile, FormatErrorsAndRowsBeyondTheFile) {
  sBitmap b;
  for (int depth : {0, 2, 4, 12, 32, 255}) EXPECT_FATAL(Load(b, Header(depth, 0).str("bmap")), "Assertion in line 728, file bitmap");
  const std::string beyond = "sBitmap::Load() image data beyond the end of the file", large = "sBitmap::Load() image too large";
  const std::pair<Bytes, std::string> cases[] = {
      {Bytes().str("BMAQ").u8(8).u8(0).str("bmap"), "Assertion in line 708, file bitmap"},
      {Bytes().str("BMA"), "Assertion in line 708, file bitmap"},
      {Header(8, 1).u16(257).fill(257 * 4, 0).str("bmap"), "Assertion in line 735, file bitmap"},
      {Header(8, 6).u16(1).u16(1).u16(1).u8(0).u8(0).str("bmap"), "Assertion in line 746, file bitmap"},
      {Header(8, 6).u16(1).u16(1).u16(1).u8(17).u8(0).str("bmap"), "Assertion in line 746, file bitmap"},
      {Header(8, 6).u16(16).u16(1).u16(1).u8(16).u8(0).str("bmap"), "Assertion in line 58, file bitmap"},
      {Header(8, 2).u16(16).u16(1).u16(17).fill(17, 0).str("bmap"), "Assertion in line 754, file bitmap"},
      {Header(8, 2).u16(16).u16(1).u16(17).str("bmap"), "Assertion in line 754, file bitmap"},  // rows missing too
      {Header(8, 2).u16(0).u16(1).u16(1).u8(0).str("bmap"), "Assertion in line 55, file bitmap"},
      {Header(8, 0).str("BMAP"), "Assertion in line 771, file bitmap"},
      {Header(8, 2).u16(2).u16(2).u16(2).fill(4, 1).str("bm"), "Assertion in line 771, file bitmap"},
      // 19 bytes that ask for 65535 x 65535 bytes of rows, fail before allocating.
      {Header(8, 2).u16(65535).u16(65535).u16(65535).str("bmap").fill(3, 0), beyond},
      {Header(8, 2).u16(4).u16(4).u16(4).fill(15, 1), beyond},  // one byte short of the rows
      // Rows present but the closing tag cut: still the tag's assertion.
      {Header(8, 2).u16(4).u16(4).u16(4).fill(16, 1).str("bma"), "Assertion in line 771, file bitmap"},
      // Level sizes beyond 32 bits with no row bytes; short rows, but an image
      // beyond 64 MiB from a 20-byte file; and so through Create's rounding
      // (4 x 8 with 15 levels is 16384 x 16384).
      {Header(24, 2).u16(65535).u16(65535).u16(0).str("bmap"), large},
      {Header(8, 2).u16(8193).u16(8192).u16(0).str("bmap"), large},
      {Header(16, 6).u16(4).u16(8).u16(0).u8(15).str("bmap"), large},
      // Rows one byte short of an image beyond 64 MiB.
      {Header(8, 2).u16(8192).u16(8193).u16(8191).fill(8191 * 8193, 7).str("bmap"), large},
  };
  for (const auto& [bytes, message] : cases) {
    SCOPED_TRACE(::testing::Message() << bytes.size() << " bytes");
    EXPECT_FATAL(Load(b, bytes), message);
  }
  Load(b, Header(8, 2).u16(4096).u16(4096).u16(0).str("bmap"));
  EXPECT_EQ(4096, b.Width);
  // A file holding every row of an image beyond 64 MiB loads.
  Load(b, Header(8, 2).u16(8192).u16(8193).u16(8192).fill(8192 * 8193, 7).str("bmap"));
  EXPECT_EQ(8193, b.Height);
  EXPECT_EQ(7u, b.GetPixel(8191, 8192, 0));
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
