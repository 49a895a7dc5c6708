#include "platform/soft/rasterizer.h"

#include "platform/soft/raster_pixels.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace platform {

using raster::Rgba;

namespace {

constexpr int SubBits = 8;
constexpr int64_t Sub = int64_t{1} << SubBits;
// Vertices further out than this are pulled in, which keeps the edge
// arithmetic inside 64 bits.
constexpr double CoordLimit = 1 << 20;

int64_t FloorDiv(int64_t a, int64_t b) {  // b > 0
  int64_t q = a / b;
  return (a % b != 0 && a < 0) ? q - 1 : q;
}

int64_t CeilDiv(int64_t a, int64_t b) {  // b > 0
  int64_t q = a / b;
  return (a % b != 0 && a > 0) ? q + 1 : q;
}

float Finite(float v) { return std::isfinite(v) ? v : 0.0f; }

int Channel(uint32_t color, int shift) { return static_cast<int>((color >> shift) & 0xFF); }

// A linear function of the screen position, anchored at vertex 0.
struct Plane {
  double v0 = 0, dx = 0, dy = 0;
  double At(double ox, double oy) const { return v0 + dx * ox + dy * oy; }
};

struct Triangle {
  double x0 = 0, y0 = 0;  // snapped position of vertex 0
  double ex1 = 0, ey1 = 0, ex2 = 0, ey2 = 0, area = 0;
  bool gouraud = false, textured = false, textureAlpha = false, specular = false, blend = false;
  Plane r, g, b, a, sr, sg, sb, z, q, uq, vq;
  Rgba flat{};
  Rgba flatSpecular{};
  int flatIndex = 0;

  Plane Make(double a0, double a1, double a2) const {
    Plane p;
    p.v0 = a0;
    p.dx = ((a1 - a0) * ey2 - (a2 - a0) * ey1) / area;
    p.dy = ((a2 - a0) * ex1 - (a1 - a0) * ex2) / area;
    return p;
  }
};

int Wrap(int i, int n) {
  if ((n & (n - 1)) == 0) return i & (n - 1);
  i %= n;
  return i < 0 ? i + n : i;
}

// floor() without the library call; coordinates far out are pulled in first.
int FloorToInt(double v) {
  v = v < -1073741824.0 ? -1073741824.0 : (v > 1073741824.0 ? 1073741824.0 : v);
  if (!(v == v)) return 0;  // NaN
  int i = static_cast<int>(v);
  return v < i ? i - 1 : i;
}

Rgba Sample(const RasterTexture& t, TextureFilter filter, double u, double v) {
  if (filter == TextureFilter::Nearest) {
    return raster::Texel(t, Wrap(FloorToInt(u * t.width), t.width), Wrap(FloorToInt(v * t.height), t.height));
  }
  double tu = u * t.width - 0.5, tv = v * t.height - 0.5;
  int iu = FloorToInt(tu), iv = FloorToInt(tv);
  int fu = static_cast<int>((tu - iu) * 256.0);
  int fv = static_cast<int>((tv - iv) * 256.0);
  fu = std::clamp(fu, 0, 256);
  fv = std::clamp(fv, 0, 256);
  int i0 = Wrap(iu, t.width), i1 = Wrap(iu + 1, t.width);
  int j0 = Wrap(iv, t.height), j1 = Wrap(iv + 1, t.height);
  Rgba c00 = raster::Texel(t, i0, j0), c10 = raster::Texel(t, i1, j0);
  Rgba c01 = raster::Texel(t, i0, j1), c11 = raster::Texel(t, i1, j1);
  int w00 = (256 - fu) * (256 - fv), w10 = fu * (256 - fv), w01 = (256 - fu) * fv, w11 = fu * fv;
  auto mix = [&](int a, int b, int c, int d) { return (a * w00 + b * w10 + c * w01 + d * w11 + 32768) >> 16; };
  return {mix(c00.r, c10.r, c01.r, c11.r), mix(c00.g, c10.g, c01.g, c11.g), mix(c00.b, c10.b, c01.b, c11.b),
          mix(c00.a, c10.a, c01.a, c11.a)};
}

// Interpolants of one span, stepped per pixel: colours in 16.16 (biased by a
// half so that truncation rounds), texture terms in double.
struct Span {
  int32_t r, g, b, a, sr, sg, sb;
  int32_t dr, dg, db, da, dsr, dsg, dsb;
  double q, uq, vq, dq, duq, dvq;
};

// The depth test along one span.
struct DepthSpan {
  bool active = false;
  CompareFunc func = CompareFunc::Always;
  bool write = false;
  int bits = 0;
  uint32_t max = 0;
  uint8_t* row = nullptr;
  int64_t z = 0, dz = 0;  // 48.16

  DepthSpan(const RasterDepth& depth, const RasterState& state, const Plane& plane, int y, double ox, double oy) {
    active = state.zEnable && depth.memory && (depth.bits == 16 || depth.bits == 24 || depth.bits == 32);
    if (!active) return;
    func = state.zFunc;
    write = state.zWrite;
    bits = depth.bits;
    max = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
    row = depth.memory + static_cast<std::ptrdiff_t>(y) * depth.pitch;
    double scale = static_cast<double>(max) * 65536.0;
    z = static_cast<int64_t>(std::floor(plane.At(ox, oy) * scale + 32768.0));
    dz = static_cast<int64_t>(std::floor(plane.dx * scale + 0.5));
  }

  // Tests (and, when it passes and writing is on, stores) the depth at x.
  bool Pass(int x) const {
    int64_t zi = z >> 16;
    uint32_t value = zi < 0 ? 0u : (zi > static_cast<int64_t>(max) ? max : static_cast<uint32_t>(zi));
    // Little-endian elements; fixed-size copies compile to plain loads.
    uint32_t stored = 0;
    if (bits == 16) {
      uint16_t s16;
      std::memcpy(&s16, row + x * 2, 2);
      stored = s16;
    } else if (bits == 32) {
      std::memcpy(&stored, row + x * 4, 4);
    } else {
      std::memcpy(&stored, row + x * 3, 3);
    }
    if (!raster::Compare(func, value, stored)) return false;
    if (write) {
      if (bits == 16) {
        const uint16_t v16 = static_cast<uint16_t>(value);
        std::memcpy(row + x * 2, &v16, 2);
      } else if (bits == 32) {
        std::memcpy(row + x * 4, &value, 4);
      } else {
        std::memcpy(row + x * 3, &value, 3);
      }
    }
    return true;
  }
};

int32_t Fixed16(double v) { return static_cast<int32_t>(std::floor(std::clamp(v, -32768.0, 32767.0) * 65536.0 + 0.5)); }

template <RasterFormat F>
uint64_t ShadeSpan(const RasterTarget& target, const RasterDepth& depth, const RasterState& state,
                   const Triangle& t, int y, int xs, int xe) {
  using Io = raster::PixelIo<F>;
  const double ox = xs - t.x0, oy = y - t.y0;
  Span s{};
  if (t.gouraud) {
    s.r = Fixed16(t.r.At(ox, oy) + 0.5), s.dr = Fixed16(t.r.dx);
    s.g = Fixed16(t.g.At(ox, oy) + 0.5), s.dg = Fixed16(t.g.dx);
    s.b = Fixed16(t.b.At(ox, oy) + 0.5), s.db = Fixed16(t.b.dx);
    s.a = Fixed16(t.a.At(ox, oy) + 0.5), s.da = Fixed16(t.a.dx);
    if (t.specular) {
      s.sr = Fixed16(t.sr.At(ox, oy) + 0.5), s.dsr = Fixed16(t.sr.dx);
      s.sg = Fixed16(t.sg.At(ox, oy) + 0.5), s.dsg = Fixed16(t.sg.dx);
      s.sb = Fixed16(t.sb.At(ox, oy) + 0.5), s.dsb = Fixed16(t.sb.dx);
    }
  }
  DepthSpan zs(depth, state, t.z, y, ox, oy);
  if (t.textured) {
    s.q = t.q.At(ox, oy), s.dq = t.q.dx;
    s.uq = t.uq.At(ox, oy), s.duq = t.uq.dx;
    s.vq = t.vq.At(ox, oy), s.dvq = t.vq.dx;
  }

  uint8_t* row = target.pixels + static_cast<std::ptrdiff_t>(y) * target.pitch;
  uint64_t written = 0;

  for (int x = xs; x <= xe; ++x) {
    do {
      if (zs.active && !zs.Pass(x)) break;
      Rgba c;
      if (t.gouraud) {
        c = {raster::Clamp255(s.r >> 16), raster::Clamp255(s.g >> 16), raster::Clamp255(s.b >> 16),
             raster::Clamp255(s.a >> 16)};
      } else {
        c = t.flat;
      }
      if (t.textured) {
        double w = 1.0 / s.q;
        Rgba tex = Sample(*state.texture, state.magFilter, s.uq * w, s.vq * w);
        if (state.textureBlend == TextureBlend::Decal) {
          c = tex;
        } else {
          c.r = tex.r * (c.r + 1) >> 8;
          c.g = tex.g * (c.g + 1) >> 8;
          c.b = tex.b * (c.b + 1) >> 8;
          if (t.textureAlpha) c.a = tex.a;
        }
      }
      if (t.specular) {
        if (t.gouraud) {
          c.r = raster::Min255(c.r + raster::Clamp255(s.sr >> 16));
          c.g = raster::Min255(c.g + raster::Clamp255(s.sg >> 16));
          c.b = raster::Min255(c.b + raster::Clamp255(s.sb >> 16));
        } else {
          c.r = raster::Min255(c.r + t.flatSpecular.r);
          c.g = raster::Min255(c.g + t.flatSpecular.g);
          c.b = raster::Min255(c.b + t.flatSpecular.b);
        }
      }
      uint8_t* p = row + x * Io::Bytes;
      if (t.blend) {
        Rgba d = Io::Read(p);
        auto mix = [&](int sc, int dc) {
          int fs = raster::Factor(state.srcBlend, sc, dc, c.a, d.a);
          int fd = raster::Factor(state.destBlend, sc, dc, c.a, d.a);
          return raster::Min255(raster::Div255(sc * fs + dc * fd));
        };
        c = {mix(c.r, d.r), mix(c.g, d.g), mix(c.b, d.b), mix(c.a, d.a)};
      }
      Io::Write(p, c);
      ++written;
    } while (false);
    s.r += s.dr, s.g += s.dg, s.b += s.db, s.a += s.da;
    s.sr += s.dsr, s.sg += s.dsg, s.sb += s.dsb;
    zs.z += zs.dz;
    s.q += s.dq, s.uq += s.duq, s.vq += s.dvq;
  }
  return written;
}

// Palette screens take one index per triangle; only the depth test applies.
uint64_t IndexSpan(const RasterTarget& target, const RasterDepth& depth, const RasterState& state,
                   const Triangle& t, int y, int xs, int xe) {
  uint8_t* row = target.pixels + static_cast<std::ptrdiff_t>(y) * target.pitch;
  const uint8_t index = static_cast<uint8_t>(t.flatIndex);
  DepthSpan zs(depth, state, t.z, y, xs - t.x0, y - t.y0);
  if (!zs.active) {
    std::memset(row + xs, index, static_cast<size_t>(xe - xs + 1));
    return static_cast<uint64_t>(xe - xs + 1);
  }
  uint64_t written = 0;
  for (int x = xs; x <= xe; ++x, zs.z += zs.dz) {
    if (zs.Pass(x)) {
      row[x] = index;
      ++written;
    }
  }
  return written;
}

}  // namespace

void Rasterizer::ClearDepth(int x0, int y0, int x1, int y1, uint32_t value) {
  if (!depth_.memory || (depth_.bits != 16 && depth_.bits != 24 && depth_.bits != 32)) return;
  const int bytes = depth_.bits / 8;
  x0 = std::max(x0, 0), y0 = std::max(y0, 0);
  x1 = std::min(x1, target_.width), y1 = std::min(y1, target_.height);
  for (int y = y0; y < y1; ++y) {
    uint8_t* row = depth_.memory + static_cast<std::ptrdiff_t>(y) * depth_.pitch;
    for (int x = x0; x < x1; ++x) std::memcpy(row + x * bytes, &value, static_cast<size_t>(bytes));
  }
}

void Rasterizer::DrawTriangle(const RasterVertex& va, const RasterVertex& vb, const RasterVertex& vc,
                              const RasterVertex& flat) {
  if (!target_.pixels || target_.width <= 0 || target_.height <= 0) return;
  const RasterVertex* v[3] = {&va, &vb, &vc};
  int64_t X[3], Y[3];
  for (int i = 0; i < 3; ++i) {
    if (!std::isfinite(v[i]->x) || !std::isfinite(v[i]->y)) return;
    X[i] = std::llround(std::clamp(static_cast<double>(v[i]->x), -CoordLimit, CoordLimit) * Sub);
    Y[i] = std::llround(std::clamp(static_cast<double>(v[i]->y), -CoordLimit, CoordLimit) * Sub);
  }
  int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (Y[1] - Y[0]) * (X[2] - X[0]);
  if (area == 0) return;
  // y grows downwards, so a positive area is clockwise on the screen.
  if ((state_.cull == CullMode::Clockwise && area > 0) || (state_.cull == CullMode::CounterClockwise && area < 0))
    return;
  if (area < 0) {
    std::swap(v[1], v[2]);
    std::swap(X[1], X[2]);
    std::swap(Y[1], Y[2]);
    area = -area;
  }

  // Rows whose sample lies within the triangle's height, on the target.
  int64_t ymin = std::min({Y[0], Y[1], Y[2]}), ymax = std::max({Y[0], Y[1], Y[2]});
  int64_t rowFirst = std::max<int64_t>(CeilDiv(ymin, Sub), 0);
  int64_t rowLast = std::min<int64_t>(FloorDiv(ymax, Sub), target_.height - 1);
  if (rowFirst > rowLast) return;

  Triangle t;
  t.x0 = static_cast<double>(X[0]) / Sub, t.y0 = static_cast<double>(Y[0]) / Sub;
  t.ex1 = static_cast<double>(X[1] - X[0]) / Sub, t.ey1 = static_cast<double>(Y[1] - Y[0]) / Sub;
  t.ex2 = static_cast<double>(X[2] - X[0]) / Sub, t.ey2 = static_cast<double>(Y[2] - Y[0]) / Sub;
  t.area = static_cast<double>(area) / (Sub * Sub);

  const RasterState& st = state_;
  const bool indexed = target_.format == RasterFormat::Index8;
  t.gouraud = !indexed && st.shade == ShadeMode::Gouraud;
  t.textured = !indexed && st.texture && st.texture->pixels && st.texture->width > 0 && st.texture->height > 0;
  t.textureAlpha = t.textured && raster::HasAlpha(st.texture->format);
  t.blend = !indexed && st.blendEnable && !(st.srcBlend == BlendFactor::One && st.destBlend == BlendFactor::Zero);
  t.flat = {Channel(flat.color, 16), Channel(flat.color, 8), Channel(flat.color, 0), Channel(flat.color, 24)};
  t.flatSpecular = {Channel(flat.specular, 16), Channel(flat.specular, 8), Channel(flat.specular, 0), 0};
  t.flatIndex = Channel(flat.color, 16);
  if (!indexed && st.specular) {
    if (t.gouraud) {
      t.specular = ((va.specular | vb.specular | vc.specular) & 0xFFFFFF) != 0;
    } else {
      t.specular = (flat.specular & 0xFFFFFF) != 0;
    }
  }
  if (t.gouraud) {
    auto plane = [&](int shift) {
      return t.Make(Channel(v[0]->color, shift), Channel(v[1]->color, shift), Channel(v[2]->color, shift));
    };
    t.r = plane(16), t.g = plane(8), t.b = plane(0), t.a = plane(24);
    if (t.specular) {
      auto specular = [&](int shift) {
        return t.Make(Channel(v[0]->specular, shift), Channel(v[1]->specular, shift), Channel(v[2]->specular, shift));
      };
      t.sr = specular(16), t.sg = specular(8), t.sb = specular(0);
    }
  }
  auto depthOf = [](const RasterVertex* p) { return std::clamp(Finite(p->z), 0.0f, 1.0f); };
  t.z = t.Make(depthOf(v[0]), depthOf(v[1]), depthOf(v[2]));
  if (t.textured) {
    bool perspective = st.perspective;
    for (const RasterVertex* p : v) {
      if (!(std::isfinite(p->rhw) && p->rhw > 0.0f)) perspective = false;  // no usable w: affine
    }
    double q[3], u[3], w[3];
    for (int i = 0; i < 3; ++i) {
      q[i] = perspective ? v[i]->rhw : 1.0;
      u[i] = Finite(v[i]->u) * q[i];
      w[i] = Finite(v[i]->v) * q[i];
    }
    t.q = t.Make(q[0], q[1], q[2]);
    t.uq = t.Make(u[0], u[1], u[2]);
    t.vq = t.Make(w[0], w[1], w[2]);
  }

  struct Edge {
    int64_t dx, dy, xa, ya, bias;
  } edges[3];
  for (int e = 0; e < 3; ++e) {
    int a = e, b = (e + 1) % 3;
    int64_t dx = X[b] - X[a], dy = Y[b] - Y[a];
    bool topLeft = dy < 0 || (dy == 0 && dx > 0);
    edges[e] = {dx, dy, X[a], Y[a], topLeft ? 0 : 1};
  }

  auto span = [&](int y, int xs, int xe) -> uint64_t {
    switch (target_.format) {
      case RasterFormat::Index8: return IndexSpan(target_, depth_, st, t, y, xs, xe);
      case RasterFormat::R5G6B5: return ShadeSpan<RasterFormat::R5G6B5>(target_, depth_, st, t, y, xs, xe);
      case RasterFormat::A1R5G5B5: return ShadeSpan<RasterFormat::A1R5G5B5>(target_, depth_, st, t, y, xs, xe);
      case RasterFormat::R8G8B8: return ShadeSpan<RasterFormat::R8G8B8>(target_, depth_, st, t, y, xs, xe);
      case RasterFormat::A8R8G8B8: return ShadeSpan<RasterFormat::A8R8G8B8>(target_, depth_, st, t, y, xs, xe);
    }
    return 0;
  };

  // Per row, each edge bounds the covered samples from one side: with
  // E(x) = dx * (Y - ya) - dy * (x - xa), a sample is inside when E >= bias
  // for all three edges (bias 1 keeps samples on right and bottom edges out).
  for (int64_t y = rowFirst; y <= rowLast; ++y) {
    const int64_t py = y * Sub;
    int64_t lo = 0, hi = target_.width - 1;
    bool empty = false;
    for (const Edge& e : edges) {
      int64_t k = e.dx * (py - e.ya) + e.dy * e.xa;  // E(x) = k - dy * x
      if (e.dy == 0) {
        if (k < e.bias) empty = true;
      } else if (e.dy < 0) {
        lo = std::max(lo, CeilDiv(e.bias - k, -e.dy * Sub));
      } else {
        hi = std::min(hi, FloorDiv(k - e.bias, e.dy * Sub));
      }
    }
    if (empty || lo > hi) continue;
    pixelsDrawn_ += span(static_cast<int>(y), static_cast<int>(lo), static_cast<int>(hi));
  }
}

void Rasterizer::DrawStrip(const RasterVertex* vertices, int count) {
  if (!vertices) return;
  for (int i = 0; i + 2 < count; ++i) {
    if (i & 1) {
      DrawTriangle(vertices[i + 1], vertices[i], vertices[i + 2], vertices[i]);
    } else {
      DrawTriangle(vertices[i], vertices[i + 1], vertices[i + 2], vertices[i]);
    }
  }
}

void Rasterizer::DrawFan(const RasterVertex* vertices, int count) {
  if (!vertices) return;
  for (int i = 0; i + 2 < count; ++i) DrawTriangle(vertices[0], vertices[i + 1], vertices[i + 2], vertices[i + 1]);
}

void Rasterizer::DrawList(const RasterVertex* vertices, int count) {
  if (!vertices) return;
  for (int i = 0; i + 2 < count; i += 3) DrawTriangle(vertices[i], vertices[i + 1], vertices[i + 2], vertices[i]);
}

}  // namespace platform
