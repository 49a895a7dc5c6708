// Which pixels a triangle covers: samples at integer positions, top-left rule,
// shared edges drawn once, nothing written outside the target.
#include "tests/raster3d/picture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace rastertest {
namespace {

// Independent per-sample reference: edge functions in doubles (vertices lie on
// a quarter-pixel grid, so every value is exact). A sample on an edge belongs
// to the triangle only when that edge is a top or a left one.
bool Covers(const RasterVertex& a0, const RasterVertex& b0, const RasterVertex& c0, double px, double py) {
  double ax = a0.x, ay = a0.y, bx = b0.x, by = b0.y, cx = c0.x, cy = c0.y;
  double area = (bx - ax) * (cy - ay) - (by - ay) * (cx - ax);
  if (area == 0) return false;
  if (area < 0) std::swap(bx, cx), std::swap(by, cy);
  const double xs[3] = {ax, bx, cx}, ys[3] = {ay, by, cy};
  for (int e = 0; e < 3; ++e) {
    double x0 = xs[e], y0 = ys[e], x1 = xs[(e + 1) % 3], y1 = ys[(e + 1) % 3];
    double f = (x1 - x0) * (py - y0) - (y1 - y0) * (px - x0);
    bool top = y1 == y0 && x1 > x0;
    bool left = y1 < y0;
    if (f < 0 || (f == 0 && !top && !left)) return false;
  }
  return true;
}

std::string ReferenceMask(int w, int h, const RasterVertex& a, const RasterVertex& b, const RasterVertex& c) {
  std::string s;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) s += Covers(a, b, c, x, y) ? '#' : '.';
    s += '\n';
  }
  return s;
}

// Deterministic pseudo-random quarter-pixel coordinates.
struct Lcg {
  uint32_t state;
  float Quarter(int lo, int hi) {
    state = state * 1664525u + 1013904223u;
    int range = (hi - lo) * 4;
    return lo + static_cast<float>((state >> 8) % static_cast<uint32_t>(range + 1)) / 4.0f;
  }
};

TEST(RasterCoverage, SmallTrianglesCoverExactlyTheSamplesInside) {
  Picture p(8, 6, RasterFormat::A8R8G8B8);
  p.State().shade = platform::ShadeMode::Flat;
  RasterVertex v[3] = {V(0, 0), V(4, 0), V(0, 4)};
  p.R().DrawTriangle(v[0], v[1], v[2], v[0]);
  EXPECT_EQ(p.Mask(0u),
            "####....\n"
            "###.....\n"
            "##......\n"
            "#.......\n"
            "........\n"
            "........\n");

  // A pixel-aligned rectangle: left and top edges in, right and bottom out.
  Picture q(8, 6, RasterFormat::A8R8G8B8);
  RasterVertex quad[4] = {V(1, 1), V(5, 1), V(1, 4), V(5, 4)};
  q.R().DrawStrip(quad, 4);
  EXPECT_EQ(q.Mask(0u),
            "........\n"
            ".####...\n"
            ".####...\n"
            ".####...\n"
            "........\n"
            "........\n");
}

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
    ASSERT_EQ(p.Mask(0u), ReferenceMask(w, h, a, b, c))
        << "triangle " << n << ": (" << a.x << "," << a.y << ") (" << b.x << "," << b.y << ") (" << c.x << ","
        << c.y << ")";
    ASSERT_TRUE(p.GuardsIntact());
  }
}

// Additive drawing of blue 1 counts how often each pixel is drawn.
Picture CountingPicture(int w, int h) {
  Picture p(w, h, RasterFormat::A8R8G8B8);
  p.State().blendEnable = true;
  p.State().srcBlend = platform::BlendFactor::One;
  p.State().destBlend = platform::BlendFactor::One;
  return p;
}

int MaxCount(const Picture& p) {
  int m = 0;
  for (int y = 0; y < p.Height(); ++y)
    for (int x = 0; x < p.Width(); ++x) m = std::max(m, static_cast<int>(p.At(x, y) & 0xFF));
  return m;
}

TEST(RasterCoverage, SharedEdgesAreDrawnExactlyOnce) {
  // A grid of quads with uneven corners, one strip per row.
  {
    Picture p = CountingPicture(40, 30);
    Lcg rng{77};
    const int cols = 6, rows = 5;
    float gx[rows + 1][cols + 1], gy[rows + 1][cols + 1];
    for (int j = 0; j <= rows; ++j) {
      for (int i = 0; i <= cols; ++i) {
        gx[j][i] = i * 6 + 2 + rng.Quarter(-1, 1);
        gy[j][i] = j * 5 + 2 + rng.Quarter(-1, 1);
      }
    }
    for (int j = 0; j < rows; ++j) {
      RasterVertex strip[2 * (cols + 1)];
      for (int i = 0; i <= cols; ++i) {
        strip[2 * i] = V(gx[j][i], gy[j][i], 0xFF000001);
        strip[2 * i + 1] = V(gx[j + 1][i], gy[j + 1][i], 0xFF000001);
      }
      p.R().DrawStrip(strip, 2 * (cols + 1));
    }
    EXPECT_EQ(MaxCount(p), 1) << p.Mask([](uint32_t v) { return (v & 0xFF) > 1; });
    // The inside of the grid has no holes.
    for (int y = 4; y < 26; ++y)
      for (int x = 4; x < 36; ++x) EXPECT_EQ(p.At(x, y) & 0xFF, 1u) << x << "," << y;
  }
  // A fan around a centre: a closed polygon, every spoke shared.
  {
    Picture p = CountingPicture(32, 32);
    RasterVertex fan[18];
    fan[0] = V(15.25f, 16.5f, 0xFF000001);
    for (int i = 0; i < 17; ++i) {
      double angle = 2 * M_PI * (i % 16) / 16;
      fan[i + 1] = V(std::round((15.25 + 13 * std::cos(angle)) * 4) / 4, std::round((16.5 + 13 * std::sin(angle)) * 4) / 4,
                     0xFF000001);
    }
    p.R().DrawFan(fan, 18);
    EXPECT_EQ(MaxCount(p), 1);
    for (int y = 10; y < 23; ++y)
      for (int x = 9; x < 22; ++x) EXPECT_EQ(p.At(x, y) & 0xFF, 1u) << x << "," << y;
  }
  // Random quads split along either diagonal cover what the reference says, once.
  Lcg rng{999};
  for (int n = 0; n < 200; ++n) {
    Picture p = CountingPicture(24, 24);
    RasterVertex a = V(rng.Quarter(0, 10), rng.Quarter(0, 10), 0xFF000001);
    RasterVertex b = V(rng.Quarter(14, 24), rng.Quarter(0, 10), 0xFF000001);
    RasterVertex c = V(rng.Quarter(14, 24), rng.Quarter(14, 24), 0xFF000001);
    RasterVertex d = V(rng.Quarter(0, 10), rng.Quarter(14, 24), 0xFF000001);
    if (n % 2) {
      p.R().DrawTriangle(a, b, c, a);
      p.R().DrawTriangle(a, c, d, a);
    } else {
      p.R().DrawTriangle(b, d, a, b);
      p.R().DrawTriangle(d, b, c, d);
    }
    ASSERT_LE(MaxCount(p), 1) << "quad " << n;
    std::string want1 = ReferenceMask(24, 24, a, b, c), want2 = ReferenceMask(24, 24, a, c, d);
    if (n % 2 == 0) want1 = ReferenceMask(24, 24, b, d, a), want2 = ReferenceMask(24, 24, d, b, c);
    std::string got = p.Mask(0u);
    for (size_t i = 0; i < got.size(); ++i) {
      char want = (want1[i] == '#' || want2[i] == '#') ? '#' : want1[i];
      ASSERT_EQ(got[i], want) << "quad " << n << " at " << i;
    }
  }
}

TEST(RasterCoverage, NothingIsWrittenOutsideTheTarget) {
  for (RasterFormat f : {RasterFormat::Index8, RasterFormat::R5G6B5, RasterFormat::A1R5G5B5, RasterFormat::R8G8B8,
                         RasterFormat::A8R8G8B8}) {
    Picture p(20, 10, f);
    // Larger than the target on every side: every pixel, nothing beyond.
    RasterVertex big[3] = {V(-50, -40), V(90, -30), V(10, 60)};
    p.R().DrawStrip(big, 3);
    EXPECT_TRUE(p.GuardsIntact());
    EXPECT_EQ(p.Mask(0u).find('.'), std::string::npos);
    // Far-away and absurd coordinates.
    Picture q(20, 10, f);
    RasterVertex far[3] = {V(-1e30f, 5), V(1e30f, 2), V(3, 1e25f)};
    q.R().DrawStrip(far, 3);
    EXPECT_TRUE(q.GuardsIntact());
  }
}

TEST(RasterCoverage, CullingDropsOneScreenWinding) {
  // Clockwise on the screen (y down): right, then down-left.
  RasterVertex cw[3] = {V(0, 0), V(8, 0), V(0, 8)};
  RasterVertex ccw[3] = {V(0, 0), V(0, 8), V(8, 0)};
  struct Case {
    platform::CullMode cull;
    bool cwDrawn, ccwDrawn;
  } cases[] = {{platform::CullMode::None, true, true},
               {platform::CullMode::Clockwise, false, true},
               {platform::CullMode::CounterClockwise, true, false}};
  for (const Case& c : cases) {
    Picture a(8, 8, RasterFormat::A8R8G8B8), b(8, 8, RasterFormat::A8R8G8B8);
    a.State().cull = b.State().cull = c.cull;
    a.R().DrawStrip(cw, 3);
    b.R().DrawStrip(ccw, 3);
    EXPECT_EQ(a.At(1, 1) != 0, c.cwDrawn) << static_cast<int>(c.cull);
    EXPECT_EQ(b.At(1, 1) != 0, c.ccwDrawn) << static_cast<int>(c.cull);
  }
  // A strip keeps one winding: both of its triangles survive the same culling.
  Picture s(8, 8, RasterFormat::A8R8G8B8);
  s.State().cull = platform::CullMode::CounterClockwise;
  RasterVertex strip[4] = {V(0, 0), V(8, 0), V(0, 8), V(8, 8)};
  s.R().DrawStrip(strip, 4);
  EXPECT_EQ(s.Mask(0u).find('.'), std::string::npos);
  // A list draws separate triangles.
  Picture l(8, 8, RasterFormat::A8R8G8B8);
  RasterVertex list[7] = {V(0, 0), V(8, 0), V(0, 8), V(8, 0), V(8, 8), V(0, 8), V(3, 3)};
  l.R().DrawList(list, 7);
  EXPECT_EQ(l.Mask(0u).find('.'), std::string::npos);
}

TEST(RasterCoverage, DegenerateInputDrawsNothing) {
  Picture p(16, 16, RasterFormat::A8R8G8B8);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  RasterVertex line[3] = {V(1, 1), V(5, 5), V(9, 9)};  // zero area
  p.R().DrawStrip(line, 3);
  RasterVertex bad[3] = {V(nan, 1), V(10, 2), V(3, 12)};
  p.R().DrawStrip(bad, 3);
  RasterVertex inf3[3] = {V(1, 1), V(inf, 2), V(3, 12)};
  p.R().DrawFan(inf3, 3);
  RasterVertex two[2] = {V(0, 0), V(10, 10)};
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
