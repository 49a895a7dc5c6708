// The Z-buffer (larger z nearer, cleared to 0) and the two blend modes.
#include <gtest/gtest.h>
#include <cmath>
#include "tests/raster3d/picture.h"
namespace rastertest {
namespace {
using platform::BlendFactor;
using platform::CompareFunc;
void DepthState(Picture& p, bool write, CompareFunc func) {
  p.State().zEnable = true;
  p.State().zWrite = write;
  p.State().zFunc = func;
}
uint32_t Stored(double z, int bits) {
  return static_cast<uint32_t>(std::floor(z * (bits == 32 ? 0xFFFFFFFFu : (1u << bits) - 1) + 0.5));
}
TEST(RasterDepth, GreaterOrEqualKeepsTheNearerTriangleAtEveryDepth) {
  for (int bits : {16, 24, 32})
    for (bool nearFirst : {true, false}) {
      Picture p(16, 8, RasterFormat::A8R8G8B8, bits);
      DepthState(p, true, CompareFunc::GreaterEqual);
      for (int pass = 0; pass < 2; ++pass) {
        if ((pass == 0) == nearFirst) p.Quad(0, 0, 10, 8, 0xFF0000FF, 0.75f);
        else p.Quad(6, 0, 16, 8, 0xFFFF0000, 0.25f);
      }
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(p.At(x, y), x < 10 ? 0xFF0000FFu : 0xFFFF0000u) << bits << " bits, " << x << "," << y;
      EXPECT_EQ((std::vector<uint32_t>{Stored(0.75, bits), Stored(0.25, bits)}),
                (std::vector<uint32_t>{p.DepthAt(3, 3), p.DepthAt(12, 3)}));
    }
}
TEST(RasterDepth, EqualDepthPassesAndDepthInterpolates) {
  Picture p(16, 4, RasterFormat::A8R8G8B8, 16), q(16, 4, RasterFormat::A8R8G8B8, 32);
  DepthState(p, true, CompareFunc::GreaterEqual);
  DepthState(q, true, CompareFunc::GreaterEqual);
  p.Quad(0, 0, 16, 4, 0xFF000001, 0.5f);
  p.Quad(0, 0, 16, 4, 0xFF000002, 0.5f);
  EXPECT_EQ(p.At(5, 1), 0xFF000002u);
  // z runs 0 .. 1 from x = 0 to x = 16; a flat z 0.5 on top wins where z <= 0.5.
  q.Quad(0, 0, 16, 4, 0xFF000001, 0.0f, 1.0f);
  q.Quad(0, 0, 16, 4, 0xFF000002, 0.5f);
  for (int x = 0; x < 16; ++x) EXPECT_EQ(q.At(x, 2), x <= 8 ? 0xFF000002u : 0xFF000001u) << x;
}
TEST(RasterDepth, WriteOffAlwaysNoBufferAndPaletteScreens) {
  // No write: the buffer stays 0 and a farther triangle still draws. Always
  // with write: the farther one replaces colour and depth. No Z-buffer: untested.
  Picture p(8, 4, RasterFormat::A8R8G8B8, 16), q(8, 4, RasterFormat::A8R8G8B8, 16), r(8, 4, RasterFormat::A8R8G8B8);
  DepthState(p, false, CompareFunc::GreaterEqual);
  DepthState(q, true, CompareFunc::Always);
  DepthState(r, true, CompareFunc::GreaterEqual);
  for (Picture* s : {&p, &q, &r}) {
    s->Quad(0, 0, 8, 4, 0xFF000001, 0.9f);
    s->Quad(0, 0, 8, 4, 0xFF000002, 0.1f);
    EXPECT_EQ(s->At(2, 2), 0xFF000002u);
  }
  EXPECT_EQ(p.DepthAt(2, 2), 0u);
  EXPECT_EQ(q.DepthAt(2, 2), Stored(0.1, 16));
  // Palette screens test depth too.
  Picture s(8, 4, RasterFormat::Index8, 24);
  DepthState(s, true, CompareFunc::GreaterEqual);
  s.Quad(0, 0, 5, 4, 0xFF070000, 0.9f);
  s.Quad(3, 0, 8, 4, 0xFF090000, 0.1f);
  EXPECT_EQ((std::vector<uint32_t>{7, 9}), (std::vector<uint32_t>{s.At(4, 1), s.At(5, 1)}));
}
TEST(RasterDepth, ClearFillsTheClippedRectangle) {
  Picture p(8, 6, RasterFormat::R5G6B5, 16);
  p.R().ClearDepth(-3, 2, 5, 100, 0x1234);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(p.DepthAt(x, y), (x < 5 && y >= 2) ? 0x1234u : 0u) << x << "," << y;
  EXPECT_TRUE(p.GuardsIntact());
}
void BlendState(Picture& p, BlendFactor src, BlendFactor dest) {
  p.State().blendEnable = true;
  p.State().srcBlend = src;
  p.State().destBlend = dest;
}
int Mix(int s, int d, int a) { return static_cast<int>(std::floor((s * a + d * (255 - a)) / 255.0 + 0.5)); }
TEST(RasterBlend, AlphaBlendingMixesBySourceAlpha) {
  for (int alpha : {0, 1, 64, 128, 200, 255}) {
    Picture p(4, 4, RasterFormat::A8R8G8B8);
    p.Fill(0xFFC86400);  // 200, 100, 0
    BlendState(p, BlendFactor::SrcAlpha, BlendFactor::InvSrcAlpha);
    p.Quad(0, 0, 4, 4, static_cast<uint32_t>(alpha) << 24 | 0x0064FA);  // 0, 100, 250
    EXPECT_EQ(static_cast<uint32_t>(Mix(0, 200, alpha) << 16 | 100 << 8 | Mix(250, 0, alpha)), p.Rgb(1, 1)) << alpha;
  }
  // On a 0565 screen the destination reads back as stored.
  Picture q(4, 4, RasterFormat::R5G6B5);
  q.Fill((200 & 0xF8) << 8 | (100 & 0xFC) << 3);
  BlendState(q, BlendFactor::SrcAlpha, BlendFactor::InvSrcAlpha);
  q.Quad(0, 0, 4, 4, 0x800064FAu);
  EXPECT_EQ(static_cast<uint32_t>((Mix(0, 200 & 0xF8, 128) & 0xF8) << 16 | (Mix(100, 100 & 0xFC, 128) & 0xFC) << 8 |
                                  (Mix(250, 0, 128) & 0xF8)),
            q.Rgb(2, 2));
}
TEST(RasterBlend, AdditiveBlendingSaturates) {
  for (RasterFormat f : {RasterFormat::R8G8B8, RasterFormat::A8R8G8B8}) {
    Picture p(4, 4, f);
    p.Fill(0x00C86432);  // 200, 100, 50
    BlendState(p, BlendFactor::One, BlendFactor::One);
    p.Quad(0, 0, 4, 4, 0x20646464u);  // 100, 100, 100, alpha does not matter
    EXPECT_EQ(p.Rgb(1, 1), 0xFFC896u);
  }
  // Blending off replaces.
  Picture q(4, 4, RasterFormat::A8R8G8B8);
  q.Fill(0xFFC86432);
  q.Quad(0, 0, 4, 4, 0x10010203u);
  EXPECT_EQ(q.At(1, 1), 0x10010203u);
}
}  // namespace
}  // namespace rastertest
