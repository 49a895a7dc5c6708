// Texturing: texel placement, decal and modulate, linear magnification,
// perspective correction and wrapping.
#include <gtest/gtest.h>
#include <cmath>
#include "tests/raster3d/picture.h"
namespace rastertest {
namespace {
using platform::TextureBlend;
using platform::TextureFilter;
uint16_t Pack0565(int r, int g, int b) { return static_cast<uint16_t>((r & 0xF8) << 8 | (g & 0xFC) << 3 | (b >> 3)); }
int Red(uint32_t argb) { return static_cast<int>((argb >> 16) & 0xFF); }
// A 0565 texture used by a picture.
struct Texture {
  std::vector<uint16_t> texels;
  platform::RasterTexture t;
  Texture(int w, int h) : texels(static_cast<size_t>(w) * h) {
    t.width = w, t.height = h, t.pitch = w * 2;
    t.pixels = reinterpret_cast<const uint8_t*>(texels.data());
  }
  uint16_t& At(int i, int j) { return texels[static_cast<size_t>(j) * t.width + i]; }
  void Use(Picture& p, TextureBlend blend = TextureBlend::Decal, TextureFilter filter = TextureFilter::Nearest) const {
    p.State().texture = &t;
    p.State().textureBlend = blend;
    p.State().magFilter = filter;
  }
};
// A quad from (x0, y0) to (x1, y1) with u running u0 .. u1 and v 0 .. 1.
void TexQuad(Picture& p, float x0, float y0, float x1, float y1, uint32_t color, float u0 = 0, float u1 = 1,
             float rhwLeft = 1, float rhwRight = 1) {
  RasterVertex q[4] = {V(x0, y0, color, 0.5f, rhwLeft, u0, 0), V(x1, y0, color, 0.5f, rhwRight, u1, 0),
                       V(x0, y1, color, 0.5f, rhwLeft, u0, 1), V(x1, y1, color, 0.5f, rhwRight, u1, 1)};
  p.R().DrawStrip(q, 4);
}
TEST(RasterTexture, TexelsLandWhereTheyBelong) {
  Texture tex(4, 4);
  for (int j = 0; j < 4; ++j)
    for (int i = 0; i < 4; ++i) tex.At(i, j) = Pack0565(i * 64, j * 64, 8 * (i + 4 * j));
  // Twice magnified, shifted by half a pixel so texel centres fall between samples;
  // then one to one, where every sample sits on a texel centre and the filter changes nothing.
  for (auto [scale, filter] : {std::pair{2, TextureFilter::Nearest}, {1, TextureFilter::Nearest}, {1, TextureFilter::Linear}}) {
      Picture p(4 * scale, 4 * scale, RasterFormat::R5G6B5);
      tex.Use(p, TextureBlend::Decal, filter);
      TexQuad(p, -0.5f, -0.5f, 4 * scale - 0.5f, 4 * scale - 0.5f, 0xFF000000);
      for (int y = 0; y < 4 * scale; ++y)
        for (int x = 0; x < 4 * scale; ++x) ASSERT_EQ(p.At(x, y), tex.At(x / scale, y / scale)) << scale << ": " << x << "," << y;
    }
}
TEST(RasterTexture, LinearMagnificationBlendsNeighbours) {
  Texture tex(4, 1);
  for (int i = 0; i < 4; ++i) tex.At(i, 0) = Pack0565(i * 64, 0, 0);
  Picture p(8, 1, RasterFormat::A8R8G8B8);
  tex.Use(p, TextureBlend::Decal, TextureFilter::Linear);
  TexQuad(p, -0.5f, -0.5f, 7.5f, 0.5f, 0xFF000000);
  // Pixel x samples texel position x/2 - 0.25; the ends wrap around.
  const int want[8] = {(3 * 0 + 192) / 4, 16, 48, 80, 112, 144, 176, (3 * 192 + 0) / 4};
  for (int x = 0; x < 8; ++x) EXPECT_EQ(Red(p.At(x, 0)), want[x]) << x;
}
TEST(RasterTexture, PerspectiveCorrectionFollowsReciprocalW) {
  Texture tex(16, 1);
  for (int i = 0; i < 16; ++i) tex.At(i, 0) = Pack0565(i * 8, 0, 0);
  for (bool perspective : {true, false}) {
    Picture p(64, 2, RasterFormat::A8R8G8B8);
    tex.Use(p);
    p.State().perspective = perspective;
    TexQuad(p, 0, 0, 64, 2, 0xFF000000, 0, 1, 1.0f, 0.25f);  // near on the left (w 1), four times farther on the right
    int checked = 0;
    for (int x = 0; x < 64; ++x) {
      const double s = x / 64.0, tu = (perspective ? (s * 0.25) / ((1 - s) * 1.0 + s * 0.25) : s) * 16;
      if (std::fabs(tu - std::round(tu)) < 1e-3) continue;  // on a texel border
      EXPECT_EQ(Red(p.At(x, 0)), static_cast<int>(std::floor(tu)) * 8) << x << (perspective ? " perspective" : " affine");
      ++checked;
    }
    EXPECT_GT(checked, 40);
  }
  // A zero w (vertices left as allocated) falls back to affine mapping.
  Picture a(64, 2, RasterFormat::A8R8G8B8), b(64, 2, RasterFormat::A8R8G8B8);
  tex.Use(a);
  tex.Use(b);
  a.State().perspective = true;
  TexQuad(a, 0, 0, 64, 2, 0xFF000000, 0, 1, 0.0f, 0.0f);
  TexQuad(b, 0, 0, 64, 2, 0xFF000000, 0, 1, 1.0f, 1.0f);
  for (int x = 0; x < 64; ++x) EXPECT_EQ(a.At(x, 1), b.At(x, 1)) << x;
}
TEST(RasterTexture, CoordinatesWrap) {
  for (int width : {4, 3}) {  // power of two and not
    Texture tex(width, 1);
    for (int i = 0; i < width; ++i) tex.At(i, 0) = Pack0565(0, 0, 8 * (i + 1));
    Picture p(4 * width, 1, RasterFormat::A8R8G8B8);
    tex.Use(p);
    TexQuad(p, -0.5f, -0.5f, 4 * width - 0.5f, 0.5f, 0xFF000000, -1, 3);  // u from -1 to 3: four repeats
    for (int x = 0; x < 4 * width; ++x) EXPECT_EQ(p.At(x, 0) & 0xFF, 8u * (x % width + 1)) << width << ": " << x;
  }
}
TEST(RasterTexture, TexelFormatsDecalAndModulate) {
  const struct {
    platform::TexelFormat format;
    int bytes;
    uint32_t texel;
    uint32_t decal;     // a r g b drawn by decal
    uint32_t modulate;  // with vertex colour 0x40FFFFFF
  } cases[] = {
      {platform::TexelFormat::R5G6B5, 2, 0xFFFFu, 0xFFF8FCF8u, 0x40F8FCF8u},
      {platform::TexelFormat::A1R5G5B5, 2, 0x7C1Fu, 0x00F800F8u, 0x00F800F8u},
      {platform::TexelFormat::A4R4G4B4, 2, 0x8F05u, 0x88FF0055u, 0x88FF0055u},
      {platform::TexelFormat::R8G8B8, 3, 0x123456u, 0xFF123456u, 0x40123456u},
      {platform::TexelFormat::A8R8G8B8, 4, 0x9A123456u, 0x9A123456u, 0x9A123456u},
  };
  for (const auto& c : cases) {
    uint8_t texel[4];
    std::memcpy(texel, &c.texel, 4);
    const platform::RasterTexture t{texel, c.bytes, 1, 1, c.format};
    for (TextureBlend blend : {TextureBlend::Decal, TextureBlend::Modulate}) {
      Picture p(2, 2, RasterFormat::A8R8G8B8);
      p.State().texture = &t;
      p.State().textureBlend = blend;
      TexQuad(p, 0, 0, 2, 2, 0x40FFFFFF);
      EXPECT_EQ(p.At(1, 1), blend == TextureBlend::Decal ? c.decal : c.modulate) << static_cast<int>(c.format);
    }
  }
  // Modulate scales by the vertex colour and keeps its alpha; decal is opaque.
  Texture tex(1, 1);
  tex.At(0, 0) = Pack0565(200, 100, 248);
  Picture p(4, 4, RasterFormat::A8R8G8B8);
  tex.Use(p, TextureBlend::Modulate);
  TexQuad(p, 0, 0, 4, 4, 0x80FF8000);  // full red, half green, no blue
  EXPECT_EQ(p.At(1, 1), 0x80000000u | 200u << 16 | static_cast<uint32_t>(100 * 129 / 256) << 8);
  p.State().textureBlend = TextureBlend::Decal;
  TexQuad(p, 0, 0, 4, 4, 0x10000000);
  EXPECT_EQ(p.At(1, 1), 0xFFC864F8u);
}
}  // namespace
}  // namespace rastertest
