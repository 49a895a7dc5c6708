// Colours: Gouraud interpolation, flat shading's provoking vertex, every
// target format, specular, and no dithering.
#include "tests/raster3d/picture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace rastertest {
namespace {

using platform::ShadeMode;

TEST(RasterShading, GouraudRampIsLinearAndExact) {
  Picture p(256, 4, RasterFormat::A8R8G8B8);
  // Red 0 at x = 0 to red 255 at x = 255: pixel x gets red x.
  RasterVertex quad[4] = {V(0, 0, 0xFF000000), V(255, 0, 0xFFFF0000), V(0, 4, 0xFF000000), V(255, 4, 0xFFFF0000)};
  p.R().DrawStrip(quad, 4);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 255; ++x) ASSERT_EQ(p.At(x, y), 0xFF000000u | static_cast<uint32_t>(x) << 16) << x << "," << y;
    EXPECT_EQ(p.At(255, y), 0u);  // the right edge is not drawn
  }

  // A vertical ramp in green, and in 0565 the channels are cut, never dithered.
  Picture q(4, 65, RasterFormat::R5G6B5);
  RasterVertex col[4] = {V(0, 0, 0xFF000000), V(4, 0, 0xFF000000), V(0, 64, 0xFF00FF00), V(4, 64, 0xFF00FF00)};
  q.R().DrawStrip(col, 4);
  for (int y = 0; y < 64; ++y) {
    int g = static_cast<int>(std::floor(255.0 * y / 64 + 0.5));
    for (int x = 0; x < 4; ++x) ASSERT_EQ(q.At(x, y), static_cast<uint32_t>((g & 0xFC) << 3)) << x << "," << y;
  }
}

TEST(RasterShading, GouraudFollowsBarycentricWeights) {
  Picture p(48, 40, RasterFormat::A8R8G8B8);
  RasterVertex a = V(2.5f, 1.25f, 0xFFFF0000), b = V(45.75f, 12, 0xFF00FF00), c = V(9, 38.5f, 0xFF0000FF);
  p.R().DrawTriangle(a, b, c, a);
  int checked = 0;
  double area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 48; ++x) {
      uint32_t v = p.At(x, y);
      if (!v) continue;
      double wb = ((x - a.x) * (c.y - a.y) - (y - a.y) * (c.x - a.x)) / area;
      double wc = ((b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x)) / area;
      double wa = 1 - wb - wc;
      EXPECT_NEAR(static_cast<int>((v >> 16) & 0xFF), 255 * wa, 1.0) << x << "," << y;
      EXPECT_NEAR(static_cast<int>((v >> 8) & 0xFF), 255 * wb, 1.0) << x << "," << y;
      EXPECT_NEAR(static_cast<int>(v & 0xFF), 255 * wc, 1.0) << x << "," << y;
      ++checked;
    }
  }
  EXPECT_GT(checked, 700);
}

TEST(RasterShading, FlatShadingTakesTheProvokingVertex) {
  Picture p(12, 4, RasterFormat::A8R8G8B8);
  p.State().shade = ShadeMode::Flat;
  // Strip: triangle 0 is (0,1,2) coloured by 0, triangle 1 (1,2,3) by 1.
  RasterVertex strip[4] = {V(0, 0, 0xFF000011), V(0, 4, 0xFF000022), V(12, 0, 0xFF000033), V(12, 4, 0xFF000044)};
  p.R().DrawStrip(strip, 4);
  EXPECT_EQ(p.At(1, 0), 0xFF000011u);   // upper-left triangle
  EXPECT_EQ(p.At(10, 3), 0xFF000022u);  // lower-right triangle

  // Fan: triangle i is (0, i+1, i+2) coloured by i+1.
  Picture f(8, 8, RasterFormat::A8R8G8B8);
  f.State().shade = ShadeMode::Flat;
  RasterVertex fan[4] = {V(0, 0, 0xFF000001), V(8, 0, 0xFF000002), V(8, 8, 0xFF000003), V(0, 8, 0xFF000004)};
  f.R().DrawFan(fan, 4);
  EXPECT_EQ(f.At(6, 1), 0xFF000002u);
  EXPECT_EQ(f.At(1, 6), 0xFF000003u);
}

TEST(RasterShading, EveryFormatStoresTheColourAsTheDisplayConvertsIt) {
  // r 0x9C, g 0x5E, b 0x3B, alpha 0xC0 (bit 7 set) and alpha 0x40 (clear).
  struct Case {
    RasterFormat format;
    uint32_t opaque, translucent;
  } cases[] = {
      {RasterFormat::R5G6B5, 0x9AE7u, 0x9AE7u},
      {RasterFormat::A1R5G5B5, 0x8000u | 0x4D67u, 0x4D67u},
      {RasterFormat::R8G8B8, 0x9C5E3Bu, 0x9C5E3Bu},
      {RasterFormat::A8R8G8B8, 0xC09C5E3Bu, 0x409C5E3Bu},
  };
  for (const Case& c : cases) {
    for (uint32_t alpha : {0xC0u, 0x40u}) {
      Picture p(4, 4, c.format);
      uint32_t color = alpha << 24 | 0x9C5E3Bu;
      RasterVertex quad[4] = {V(0, 0, color), V(4, 0, color), V(0, 4, color), V(4, 4, color)};
      p.R().DrawStrip(quad, 4);
      for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
          ASSERT_EQ(p.At(x, y), alpha == 0xC0u ? c.opaque : c.translucent) << static_cast<int>(c.format);
    }
  }
}

TEST(RasterShading, PaletteScreensTakeOneIndexPerTriangle) {
  Picture p(12, 4, RasterFormat::Index8);
  // Gouraud and a texture are ignored: each triangle gets its provoking
  // vertex's red byte.
  p.State().shade = ShadeMode::Gouraud;
  RasterVertex strip[4] = {V(0, 0, 0xFF210000), V(0, 4, 0xFF420000), V(12, 0, 0xFFFF0000), V(12, 4, 0xFF000000)};
  p.R().DrawStrip(strip, 4);
  EXPECT_EQ(p.At(1, 0), 0x21u);
  EXPECT_EQ(p.At(10, 3), 0x42u);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 12; ++x) EXPECT_TRUE(p.At(x, y) == 0x21u || p.At(x, y) == 0x42u);
}

TEST(RasterShading, SpecularIsAddedAndSaturates) {
  for (ShadeMode shade : {ShadeMode::Flat, ShadeMode::Gouraud}) {
    Picture p(4, 4, RasterFormat::A8R8G8B8);
    p.State().shade = shade;
    uint32_t color = 0xFF646464, specular = 0x00C80A00;
    RasterVertex quad[4] = {V(0, 0, color, 0.5f, 1, 0, 0, specular), V(4, 0, color, 0.5f, 1, 0, 0, specular),
                            V(0, 4, color, 0.5f, 1, 0, 0, specular), V(4, 4, color, 0.5f, 1, 0, 0, specular)};
    p.R().DrawStrip(quad, 4);
    EXPECT_EQ(p.At(2, 2), 0xFFFF6E64u);
    p.State().specular = false;
    p.R().DrawStrip(quad, 4);
    EXPECT_EQ(p.At(2, 2), 0xFF646464u);
  }
}

}  // namespace
}  // namespace rastertest
