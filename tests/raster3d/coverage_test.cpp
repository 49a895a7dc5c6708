// Which pixels a triangle covers: samples at integer positions, top-left rule,
// shared edges drawn once, nothing written outside the target.
#include <gtest/gtest.h>
#include <cmath>
#include <limits>
#include "tests/raster3d/picture.h"
namespace rastertest {
namespace {
// Independent per-sample reference: edge functions in doubles (vertices lie on
// a quarter-pixel grid, so every value is exact). A sample on an edge belongs
// to the triangle only when that edge is a top or a left one.
bool Covers(const RasterVertex& a, const RasterVertex& b0, const RasterVertex& c0, double px, double py) {
  double bx = b0.x, by = b0.y, cx = c0.x, cy = c0.y;
  const double area = (bx - a.x) * (cy - a.y) - (by - a.y) * (cx - a.x);
  if (area == 0) return false;
  if (area < 0) std::swap(bx, cx), std::swap(by, cy);
  const double xs[3] = {a.x, bx, cx}, ys[3] = {a.y, by, cy};
  for (int e = 0; e < 3; ++e) {
    const double x0 = xs[e], y0 = ys[e], x1 = xs[(e + 1) % 3], y1 = ys[(e + 1) % 3];
    const double f = (x1 - x0) * (py - y0) - (y1 - y0) * (px - x0);
    const bool topOrLeft = (y1 == y0 && x1 > x0) || y1 < y0;
    if (f < 0 || (f == 0 && !topOrLeft)) return false;
  }
  return true;
}
// The reference mask of the union of triangles (a, b, c, a, c, d, ...).
std::string ReferenceMask(int w, int h, std::initializer_list<RasterVertex> corners) {
  const std::vector<RasterVertex> v(corners);
  std::string s;
  for (int y = 0; y < h; ++y, s += '\n')
    for (int x = 0; x < w; ++x) {
      bool in = false;
      for (size_t t = 0; t + 2 < v.size(); t += 3) in = in || Covers(v[t], v[t + 1], v[t + 2], x, y);
      s += in ? '#' : '.';
    }
  return s;
}
// Deterministic pseudo-random quarter-pixel coordinates.
struct Lcg {
  uint32_t state;
  float Quarter(int lo, int hi) {
    state = state * 1664525u + 1013904223u;
    return lo + static_cast<float>((state >> 8) % static_cast<uint32_t>((hi - lo) * 4 + 1)) / 4.0f;
  }
};
TEST(RasterCoverage, MatchesThePerSampleReferenceForManyTriangles) {
  const int w = 32, h = 24;
  Lcg rng{12345};
  for (int n = 0; n < 400; ++n) {
    RasterVertex a = V(rng.Quarter(-6, w + 6), rng.Quarter(-6, h + 6));
    RasterVertex b = V(rng.Quarter(-6, w + 6), rng.Quarter(-6, h + 6));
    RasterVertex c = V(rng.Quarter(-6, w + 6), rng.Quarter(-6, h + 6));
    if (n % 5 == 0) b.y = a.y;  // flat tops and bottoms
    if (n % 7 == 0) c.x = b.x;  // vertical edges
    Picture p(w, h, RasterFormat::A8R8G8B8);
    p.R().DrawTriangle(a, b, c, a);
    ASSERT_EQ(p.Mask(0u), ReferenceMask(w, h, {a, b, c})) << "triangle " << n << ": (" << a.x << "," << a.y << ") ("
                                                          << b.x << "," << b.y << ") (" << c.x << "," << c.y << ")";
    ASSERT_TRUE(p.GuardsIntact());
  }
}
// Additive drawing of blue 1 counts how often each pixel is drawn.
Picture CountingPicture(int w, int h) {
  Picture p(w, h, RasterFormat::A8R8G8B8);
  p.State().blendEnable = true;
  p.State().srcBlend = p.State().destBlend = platform::BlendFactor::One;
  return p;
}
// Pixels of the rectangle drawn more than once, or (inside) not once.
int Count(const Picture& p, int x0, int y0, int x1, int y1, bool inside) {
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) n += inside ? (p.At(x, y) & 0xFF) != 1 : (p.At(x, y) & 0xFF) > 1;
  return n;
}
int Overdrawn(const Picture& p) { return Count(p, 0, 0, p.Width(), p.Height(), false); }
TEST(RasterCoverage, SharedEdgesAreDrawnExactlyOnce) {
  {  // A fan around a centre: a closed polygon, every spoke shared.
    Picture p = CountingPicture(32, 32);
    RasterVertex fan[18];
    fan[0] = V(15.25f, 16.5f, 0xFF000001);
    for (int i = 0; i < 17; ++i) {
      const double angle = 2 * M_PI * (i % 16) / 16;
      fan[i + 1] = V(std::round((15.25 + 13 * std::cos(angle)) * 4) / 4, std::round((16.5 + 13 * std::sin(angle)) * 4) / 4,
                     0xFF000001);
    }
    p.R().DrawFan(fan, 18);
    EXPECT_EQ(0, Overdrawn(p));
    EXPECT_EQ(0, Count(p, 9, 10, 22, 23, true));
  }
  // Random quads split along either diagonal cover what the reference says, once.
  Lcg rng{999};
  for (int n = 0; n < 200; ++n) {
    Picture p = CountingPicture(24, 24);
    const uint32_t one = 0xFF000001;
    RasterVertex a = V(rng.Quarter(0, 10), rng.Quarter(0, 10), one), b = V(rng.Quarter(14, 24), rng.Quarter(0, 10), one);
    RasterVertex c = V(rng.Quarter(14, 24), rng.Quarter(14, 24), one), d = V(rng.Quarter(0, 10), rng.Quarter(14, 24), one);
    if (n % 2 == 0) std::swap(a, b), std::swap(c, d);  // the other diagonal: triangles (b, a, d) and (b, d, c)
    p.R().DrawTriangle(a, b, c, a);
    p.R().DrawTriangle(a, c, d, a);
    ASSERT_EQ(0, Overdrawn(p)) << "quad " << n;
    ASSERT_EQ(p.Mask(0u), ReferenceMask(24, 24, {a, b, c, a, c, d})) << "quad " << n;
  }
}
TEST(RasterCoverage, NothingIsWrittenOutsideTheTarget) {
  for (RasterFormat f : {RasterFormat::Index8, RasterFormat::R5G6B5, RasterFormat::A1R5G5B5, RasterFormat::R8G8B8,
                         RasterFormat::A8R8G8B8}) {
    Picture p(20, 10, f), q(20, 10, f);
    // Larger than the target on every side: every pixel, nothing beyond; then far-away, absurd coordinates.
    RasterVertex big[3] = {V(-50, -40), V(90, -30), V(10, 60)}, far[3] = {V(-1e30f, 5), V(1e30f, 2), V(3, 1e25f)};
    p.R().DrawStrip(big, 3);
    q.R().DrawStrip(far, 3);
    EXPECT_TRUE(p.GuardsIntact() && q.GuardsIntact());
    EXPECT_EQ(p.Mask(0u).find('.'), std::string::npos);
  }
}
TEST(RasterCoverage, CullingDropsOneScreenWinding) {
  // Clockwise on the screen (y down): right, then down-left.
  RasterVertex cw[3] = {V(0, 0), V(8, 0), V(0, 8)}, ccw[3] = {V(0, 0), V(0, 8), V(8, 0)};
  const struct {
    platform::CullMode cull;
    bool cwDrawn, ccwDrawn;
  } cases[] = {{platform::CullMode::None, true, true},
               {platform::CullMode::Clockwise, false, true},
               {platform::CullMode::CounterClockwise, true, false}};
  for (const auto& c : cases) {
    Picture a(8, 8, RasterFormat::A8R8G8B8), b(8, 8, RasterFormat::A8R8G8B8);
    a.State().cull = b.State().cull = c.cull;
    a.R().DrawStrip(cw, 3);
    b.R().DrawStrip(ccw, 3);
    EXPECT_EQ((std::vector<bool>{c.cwDrawn, c.ccwDrawn}), (std::vector<bool>{a.At(1, 1) != 0, b.At(1, 1) != 0}))
        << static_cast<int>(c.cull);
  }
  // A strip keeps one winding: both of its triangles survive the same culling;
  // a list draws separate triangles.
  Picture s(8, 8, RasterFormat::A8R8G8B8), l(8, 8, RasterFormat::A8R8G8B8);
  s.State().cull = platform::CullMode::CounterClockwise;
  RasterVertex strip[4] = {V(0, 0), V(8, 0), V(0, 8), V(8, 8)};
  RasterVertex list[7] = {V(0, 0), V(8, 0), V(0, 8), V(8, 0), V(8, 8), V(0, 8), V(3, 3)};
  s.R().DrawStrip(strip, 4);
  l.R().DrawList(list, 7);
  EXPECT_EQ(s.Mask(0u).find('.'), std::string::npos);
  EXPECT_EQ(l.Mask(0u).find('.'), std::string::npos);
}
TEST(RasterCoverage, DegenerateInputDrawsNothing) {
  Picture p(16, 16, RasterFormat::A8R8G8B8);
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  RasterVertex line[3] = {V(1, 1), V(5, 5), V(9, 9)};  // zero area
  RasterVertex bad[3] = {V(nan, 1), V(10, 2), V(3, 12)}, inf3[3] = {V(1, 1), V(inf, 2), V(3, 12)};
  RasterVertex two[2] = {V(0, 0), V(10, 10)};
  p.R().DrawStrip(line, 3);
  p.R().DrawStrip(bad, 3);
  p.R().DrawFan(inf3, 3);
  p.R().DrawStrip(two, 2);
  p.R().DrawFan(two, 2);
  p.R().DrawStrip(nullptr, 5);
  p.R().DrawStrip(line, -1);
  EXPECT_EQ(p.Mask(0u).find('#'), std::string::npos);
  EXPECT_EQ(p.R().PixelsDrawn(), 0u);
  EXPECT_TRUE(p.GuardsIntact());
}
}  // namespace
}  // namespace rastertest
