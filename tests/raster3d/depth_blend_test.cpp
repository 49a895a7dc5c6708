// The Z-buffer (larger z nearer, cleared to 0) and the two blend modes.
#include "tests/raster3d/picture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace rastertest {
namespace {

using platform::BlendFactor;
using platform::CompareFunc;

void Quad(Picture& p, float x0, float y0, float x1, float y1, uint32_t color, float z0, float z1 = -1) {
  if (z1 < 0) z1 = z0;
  RasterVertex q[4] = {V(x0, y0, color, z0), V(x1, y0, color, z1), V(x0, y1, color, z0), V(x1, y1, color, z1)};
  p.R().DrawStrip(q, 4);
}

void DepthState(Picture& p, bool write, CompareFunc func) {
  p.State().zEnable = true;
  p.State().zWrite = write;
  p.State().zFunc = func;
}

TEST(RasterDepth, GreaterOrEqualKeepsTheNearerTriangleAtEveryDepth) {
  for (int bits : {16, 24, 32}) {
    for (bool nearFirst : {true, false}) {
      Picture p(16, 8, RasterFormat::A8R8G8B8, bits);
      DepthState(p, true, CompareFunc::GreaterEqual);
      if (nearFirst) {
        Quad(p, 0, 0, 10, 8, 0xFF0000FF, 0.75f);
        Quad(p, 6, 0, 16, 8, 0xFFFF0000, 0.25f);
      } else {
        Quad(p, 6, 0, 16, 8, 0xFFFF0000, 0.25f);
        Quad(p, 0, 0, 10, 8, 0xFF0000FF, 0.75f);
      }
      for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 16; ++x) {
          uint32_t want = x < 10 ? 0xFF0000FFu : 0xFFFF0000u;
          ASSERT_EQ(p.At(x, y), want) << bits << " bits, " << x << "," << y;
        }
      }
      uint32_t max = bits == 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
      EXPECT_EQ(p.DepthAt(3, 3), static_cast<uint32_t>(std::floor(0.75 * max + 0.5))) << bits;
      EXPECT_EQ(p.DepthAt(12, 3), static_cast<uint32_t>(std::floor(0.25 * max + 0.5))) << bits;
    }
  }
}

TEST(RasterDepth, EqualDepthPassesAndDepthInterpolates) {
  Picture p(16, 4, RasterFormat::A8R8G8B8, 16);
  DepthState(p, true, CompareFunc::GreaterEqual);
  Quad(p, 0, 0, 16, 4, 0xFF000001, 0.5f);
  Quad(p, 0, 0, 16, 4, 0xFF000002, 0.5f);
  EXPECT_EQ(p.At(5, 1), 0xFF000002u);

  // z runs 0 .. 1 from x = 0 to x = 16; a flat z 0.5 on top wins where z <= 0.5.
  Picture q(16, 4, RasterFormat::A8R8G8B8, 32);
  DepthState(q, true, CompareFunc::GreaterEqual);
  Quad(q, 0, 0, 16, 4, 0xFF000001, 0.0f, 1.0f);
  Quad(q, 0, 0, 16, 4, 0xFF000002, 0.5f);
  for (int x = 0; x < 16; ++x) EXPECT_EQ(q.At(x, 2), x <= 8 ? 0xFF000002u : 0xFF000001u) << x;
}

TEST(RasterDepth, WriteOffAlwaysAndNoBuffer) {
  // Test without write: the buffer stays at 0, so a farther triangle still draws.
  Picture p(8, 4, RasterFormat::A8R8G8B8, 16);
  DepthState(p, false, CompareFunc::GreaterEqual);
  Quad(p, 0, 0, 8, 4, 0xFF000001, 0.9f);
  EXPECT_EQ(p.DepthAt(2, 2), 0u);
  Quad(p, 0, 0, 8, 4, 0xFF000002, 0.1f);
  EXPECT_EQ(p.At(2, 2), 0xFF000002u);

  // Always with write: the farther triangle replaces colour and depth.
  Picture q(8, 4, RasterFormat::A8R8G8B8, 16);
  DepthState(q, true, CompareFunc::Always);
  Quad(q, 0, 0, 8, 4, 0xFF000001, 0.9f);
  Quad(q, 0, 0, 8, 4, 0xFF000002, 0.1f);
  EXPECT_EQ(q.At(2, 2), 0xFF000002u);
  EXPECT_EQ(q.DepthAt(2, 2), static_cast<uint32_t>(std::floor(0.1 * 65535 + 0.5)));

  // Depth enabled without a Z-buffer draws untested.
  Picture r(8, 4, RasterFormat::A8R8G8B8);
  DepthState(r, true, CompareFunc::GreaterEqual);
  Quad(r, 0, 0, 8, 4, 0xFF000001, 0.9f);
  Quad(r, 0, 0, 8, 4, 0xFF000002, 0.1f);
  EXPECT_EQ(r.At(2, 2), 0xFF000002u);

  // Palette screens test depth too.
  Picture s(8, 4, RasterFormat::Index8, 24);
  DepthState(s, true, CompareFunc::GreaterEqual);
  Quad(s, 0, 0, 5, 4, 0xFF070000, 0.9f);
  Quad(s, 3, 0, 8, 4, 0xFF090000, 0.1f);
  EXPECT_EQ(s.At(4, 1), 7u);
  EXPECT_EQ(s.At(5, 1), 9u);
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
    Quad(p, 0, 0, 4, 4, static_cast<uint32_t>(alpha) << 24 | 0x0064FA, 0.5f);  // 0, 100, 250
    uint32_t v = p.At(1, 1);
    EXPECT_EQ(static_cast<int>((v >> 16) & 0xFF), Mix(0, 200, alpha)) << alpha;
    EXPECT_EQ(static_cast<int>((v >> 8) & 0xFF), 100) << alpha;
    EXPECT_EQ(static_cast<int>(v & 0xFF), Mix(250, 0, alpha)) << alpha;
  }
  // On a 0565 screen the destination reads back as stored.
  Picture q(4, 4, RasterFormat::R5G6B5);
  q.Fill((200 & 0xF8) << 8 | (100 & 0xFC) << 3);
  BlendState(q, BlendFactor::SrcAlpha, BlendFactor::InvSrcAlpha);
  Quad(q, 0, 0, 4, 4, 0x800064FAu, 0.5f);
  uint32_t rgb = q.Rgb(2, 2);
  EXPECT_EQ(static_cast<int>(rgb >> 16), Mix(0, 200 & 0xF8, 128) & 0xF8);
  EXPECT_EQ(static_cast<int>((rgb >> 8) & 0xFF), Mix(100, 100 & 0xFC, 128) & 0xFC);
  EXPECT_EQ(static_cast<int>(rgb & 0xFF), Mix(250, 0, 128) & 0xF8);
}

TEST(RasterBlend, AdditiveBlendingSaturates) {
  for (RasterFormat f : {RasterFormat::R8G8B8, RasterFormat::A8R8G8B8}) {
    Picture p(4, 4, f);
    p.Fill(0x00C86432);  // 200, 100, 50
    BlendState(p, BlendFactor::One, BlendFactor::One);
    Quad(p, 0, 0, 4, 4, 0x20646464u, 0.5f);  // 100, 100, 100, alpha does not matter
    EXPECT_EQ(p.Rgb(1, 1), 0xFFC896u);
  }
  // Blending off replaces.
  Picture q(4, 4, RasterFormat::A8R8G8B8);
  q.Fill(0xFFC86432);
  Quad(q, 0, 0, 4, 4, 0x10010203u, 0.5f);
  EXPECT_EQ(q.At(1, 1), 0x10010203u);
}

}  // namespace
}  // namespace rastertest
