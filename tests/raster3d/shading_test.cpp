// Colours: Gouraud interpolation, flat shading's provoking vertex, every
// target format, specular, and no dithering.
#include <gtest/gtest.h>
#include <cmath>
#include "tests/raster3d/picture.h"
namespace rastertest {
namespace {
using platform::ShadeMode;
TEST(RasterShading, GouraudRampIsLinearAndExact) {
  Picture p(256, 4, RasterFormat::A8R8G8B8);
  // Red 0 at x = 0 to red 255 at x = 255: pixel x gets red x; the right edge is not drawn.
  RasterVertex quad[4] = {V(0, 0, 0xFF000000), V(255, 0, 0xFFFF0000), V(0, 4, 0xFF000000), V(255, 4, 0xFFFF0000)};
  p.R().DrawStrip(quad, 4);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 255; ++x) ASSERT_EQ(p.At(x, y), 0xFF000000u | static_cast<uint32_t>(x) << 16) << x << "," << y;
    EXPECT_EQ(p.At(255, y), 0u);
  }
  // A vertical ramp in green, and in 0565 the channels are cut, never dithered.
  Picture q(4, 65, RasterFormat::R5G6B5);
  RasterVertex col[4] = {V(0, 0, 0xFF000000), V(4, 0, 0xFF000000), V(0, 64, 0xFF00FF00), V(4, 64, 0xFF00FF00)};
  q.R().DrawStrip(col, 4);
  for (int y = 0; y < 64; ++y) {
    const int g = static_cast<int>(std::floor(255.0 * y / 64 + 0.5));
    for (int x = 0; x < 4; ++x) ASSERT_EQ(q.At(x, y), static_cast<uint32_t>((g & 0xFC) << 3)) << x << "," << y;
  }
}
TEST(RasterShading, GouraudFollowsBarycentricWeights) {
  Picture p(48, 40, RasterFormat::A8R8G8B8);
  RasterVertex a = V(2.5f, 1.25f, 0xFFFF0000), b = V(45.75f, 12, 0xFF00FF00), c = V(9, 38.5f, 0xFF0000FF);
  p.R().DrawTriangle(a, b, c, a);
  int checked = 0;
  const double area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 48; ++x) {
      const uint32_t v = p.At(x, y);
      if (!v) continue;
      const double wb = ((x - a.x) * (c.y - a.y) - (y - a.y) * (c.x - a.x)) / area;
      const double wc = ((b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x)) / area;
      const double want[3] = {255 * (1 - wb - wc), 255 * wb, 255 * wc};
      for (int ch = 0; ch < 3; ++ch) EXPECT_NEAR(static_cast<int>((v >> (16 - 8 * ch)) & 0xFF), want[ch], 1.0) << x << "," << y;
      ++checked;
    }
  EXPECT_GT(checked, 700);
}
TEST(RasterShading, FlatShadingTakesTheProvokingVertex) {
  Picture p(12, 4, RasterFormat::A8R8G8B8), f(8, 8, RasterFormat::A8R8G8B8);
  p.State().shade = f.State().shade = ShadeMode::Flat;
  // Strip: triangle 0 is (0,1,2) coloured by 0, triangle 1 (1,2,3) by 1.
  RasterVertex strip[4] = {V(0, 0, 0xFF000011), V(0, 4, 0xFF000022), V(12, 0, 0xFF000033), V(12, 4, 0xFF000044)};
  // Fan: triangle i is (0, i+1, i+2) coloured by i+1.
  RasterVertex fan[4] = {V(0, 0, 0xFF000001), V(8, 0, 0xFF000002), V(8, 8, 0xFF000003), V(0, 8, 0xFF000004)};
  p.R().DrawStrip(strip, 4);
  f.R().DrawFan(fan, 4);
  EXPECT_EQ((std::vector<uint32_t>{0xFF000011u, 0xFF000022u, 0xFF000002u, 0xFF000003u}),
            (std::vector<uint32_t>{p.At(1, 0), p.At(10, 3), f.At(6, 1), f.At(1, 6)}));
}
TEST(RasterShading, EveryFormatStoresTheColourAsTheDisplayConvertsIt) {
  // r 0x9C, g 0x5E, b 0x3B, alpha 0xC0 (bit 7 set) and alpha 0x40 (clear).
  const struct {
    RasterFormat format;
    uint32_t opaque, translucent;
  } cases[] = {{RasterFormat::R5G6B5, 0x9AE7u, 0x9AE7u},
               {RasterFormat::A1R5G5B5, 0x8000u | 0x4D67u, 0x4D67u},
               {RasterFormat::R8G8B8, 0x9C5E3Bu, 0x9C5E3Bu},
               {RasterFormat::A8R8G8B8, 0xC09C5E3Bu, 0x409C5E3Bu}};
  for (const auto& c : cases)
    for (uint32_t alpha : {0xC0u, 0x40u}) {
      Picture p(4, 4, c.format);
      p.Quad(0, 0, 4, 4, alpha << 24 | 0x9C5E3Bu);
      const uint32_t want = alpha == 0xC0u ? c.opaque : c.translucent;
      EXPECT_EQ(p.Mask([want](uint32_t v) { return v != want; }).find('#'), std::string::npos) << static_cast<int>(c.format);
    }
}
TEST(RasterShading, PaletteScreensTakeOneIndexPerTriangle) {
  // Gouraud is ignored: each triangle gets its provoking vertex's red byte.
  Picture p(12, 4, RasterFormat::Index8);
  p.State().shade = ShadeMode::Gouraud;
  RasterVertex strip[4] = {V(0, 0, 0xFF210000), V(0, 4, 0xFF420000), V(12, 0, 0xFFFF0000), V(12, 4, 0xFF000000)};
  p.R().DrawStrip(strip, 4);
  EXPECT_EQ((std::vector<uint32_t>{0x21u, 0x42u}), (std::vector<uint32_t>{p.At(1, 0), p.At(10, 3)}));
  EXPECT_EQ(p.Mask([](uint32_t v) { return v != 0x21u && v != 0x42u; }).find('#'), std::string::npos);
}
TEST(RasterShading, SpecularIsAddedAndSaturates) {
  for (ShadeMode shade : {ShadeMode::Flat, ShadeMode::Gouraud}) {
    Picture p(4, 4, RasterFormat::A8R8G8B8);
    p.State().shade = shade;
    p.Quad(0, 0, 4, 4, 0xFF646464, 0.5f, -1, 0x00C80A00);
    EXPECT_EQ(p.At(2, 2), 0xFFFF6E64u);
    p.State().specular = false;
    p.Quad(0, 0, 4, 4, 0xFF646464, 0.5f, -1, 0x00C80A00);
    EXPECT_EQ(p.At(2, 2), 0xFF646464u);
  }
}
}  // namespace
}  // namespace rastertest
