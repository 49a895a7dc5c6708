// Our stand-in for Direct3D immediate mode: a software rasterizer for
// transformed-and-lit triangles drawn into a locked surface.
//
// Conventions, as the hardware of the time drew them:
// - pixel (x, y) is sampled at the integer screen position (x, y);
// - a pixel is covered when its sample lies inside the triangle; on an edge
//   only top and left edges cover it, so triangles sharing an edge cover each
//   of its pixels exactly once (vertices are snapped to 1/256 pixel first);
// - colours interpolate linearly in screen space, texture coordinates
//   perspective-correctly through the reciprocal w, depth linearly;
// - texel (i, j) covers u in [i/width, (i+1)/width); textures wrap;
// - nothing is dithered, so colours are exact.
#pragma once
#include <cstdint>

namespace platform {

enum class RasterFormat {
  Index8,    // palette indices: one flat index (the colour's red byte) per triangle
  R5G6B5,    // 16 bits, 0565
  A1R5G5B5,  // 16 bits, 1555
  R8G8B8,    // 24 bits, memory order b, g, r
  A8R8G8B8,  // 32 bits, little-endian a<<24|r<<16|g<<8|b
};

// The surface drawn into.
struct RasterTarget {
  uint8_t* pixels = nullptr;
  int pitch = 0;
  int width = 0;
  int height = 0;
  RasterFormat format = RasterFormat::R5G6B5;
};

// A Z-buffer of the target's size: little-endian elements of 16, 24 or 32
// bits (2, 3 or 4 bytes); other depths: none. Larger values are nearer; 0 is
// the far plane.
struct RasterDepth {
  uint8_t* memory = nullptr;
  int pitch = 0;
  int bits = 0;
};

enum class TexelFormat {
  R5G6B5,
  A1R5G5B5,
  A4R4G4B4,
  R8G8B8,
  A8R8G8B8,
};

// A texture; formats with alpha give the alpha of decal and modulate.
struct RasterTexture {
  const uint8_t* pixels = nullptr;
  int pitch = 0;
  int width = 0;
  int height = 0;
  TexelFormat format = TexelFormat::R5G6B5;
};

// Layout of the platform's transformed-and-lit vertex (32 bytes).
struct RasterVertex {
  float x, y, z, rhw;
  uint32_t color;     // a<<24 | r<<16 | g<<8 | b
  uint32_t specular;  // r, g, b added after texturing; the top byte is unused
  float u, v;
};
static_assert(sizeof(RasterVertex) == 32, "the vertex record is 32 bytes");

enum class ShadeMode { Flat = 1, Gouraud = 2 };
// Which winding, as seen on the screen, is dropped.
enum class CullMode { None = 1, Clockwise = 2, CounterClockwise = 3 };
enum class TextureBlend { Decal = 1, Modulate = 2 };
enum class TextureFilter { Nearest = 1, Linear = 2 };
// Comparison of the new depth against the stored one (values as the platform's).
enum class CompareFunc { Never = 1, Less, Equal, LessEqual, Greater, NotEqual, GreaterEqual, Always };
enum class BlendFactor { Zero = 1, One, SrcColor, InvSrcColor, SrcAlpha, InvSrcAlpha, DestAlpha, InvDestAlpha };

// Render states, with the platform's defaults.
struct RasterState {
  ShadeMode shade = ShadeMode::Gouraud;
  CullMode cull = CullMode::CounterClockwise;
  const RasterTexture* texture = nullptr;  // null: untextured
  TextureBlend textureBlend = TextureBlend::Modulate;
  TextureFilter magFilter = TextureFilter::Nearest;
  bool perspective = false;
  bool zEnable = false;
  bool zWrite = true;
  CompareFunc zFunc = CompareFunc::LessEqual;
  bool blendEnable = false;
  BlendFactor srcBlend = BlendFactor::One;
  BlendFactor destBlend = BlendFactor::Zero;
  bool specular = true;
  bool dither = false;  // accepted and ignored
};

class Rasterizer {
public:
  void SetTarget(const RasterTarget& target) { target_ = target; }
  void SetDepth(const RasterDepth& depth) { depth_ = depth; }
  const RasterTarget& Target() const { return target_; }
  const RasterDepth& Depth() const { return depth_; }
  RasterState& State() { return state_; }
  const RasterState& State() const { return state_; }

  // Fills the Z-buffer's rectangle (far edges exclusive, clipped) with value.
  void ClearDepth(int x0, int y0, int x1, int y1, uint32_t value);

  // One triangle; flat shading takes colour and specular from `flat`. The
  // winding for culling is a, b, c.
  void DrawTriangle(const RasterVertex& a, const RasterVertex& b, const RasterVertex& c,
                    const RasterVertex& flat);
  // Triangle i of a strip is (i, i+1, i+2), flat-shaded by vertex i; odd
  // triangles count as wound the other way, so a strip has one winding.
  void DrawStrip(const RasterVertex* vertices, int count);
  // Triangle i of a fan is (0, i+1, i+2), flat-shaded by vertex i+1.
  void DrawFan(const RasterVertex* vertices, int count);
  // Triangle i of a list is (3i, 3i+1, 3i+2), flat-shaded by vertex 3i.
  void DrawList(const RasterVertex* vertices, int count);

  // Pixels written since construction (for the benchmark's fill rate).
  uint64_t PixelsDrawn() const { return pixelsDrawn_; }

private:
  RasterTarget target_;
  RasterDepth depth_;
  RasterState state_;
  uint64_t pixelsDrawn_ = 0;
};

}  // namespace platform
