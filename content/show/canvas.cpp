#include "content/show/canvas.h"

#include <algorithm>
#include <cmath>

namespace contentgen {

float Clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

float Smoothstep(float e0, float e1, float x) {
  const float t = Clamp01((x - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}

namespace {
float Lattice(int x, int y, uint32_t seed) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return (h & 0xFFFFFF) * (1.0f / 16777215.0f);
}

float ValueNoise(float x, float y, uint32_t seed) {
  const int xi = static_cast<int>(std::floor(x)), yi = static_cast<int>(std::floor(y));
  const float fx = x - xi, fy = y - yi;
  const float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
  const float a = Lattice(xi, yi, seed), b = Lattice(xi + 1, yi, seed);
  const float c = Lattice(xi, yi + 1, seed), d = Lattice(xi + 1, yi + 1, seed);
  return (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
}
}  // namespace

float Noise(float x, float y, float cell, int octaves, uint32_t seed) {
  float sum = 0, amp = 1, norm = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += amp * ValueNoise(x / cell, y / cell, seed + o * 101);
    norm += amp;
    amp *= 0.5f;
    cell *= 0.5f;
  }
  return sum / norm;
}

std::vector<uint8_t> GreyPalette() {
  std::vector<uint8_t> p(1024);
  for (int i = 0; i < 256; ++i) {
    p[4 * i] = p[4 * i + 1] = p[4 * i + 2] = static_cast<uint8_t>(i);
    p[4 * i + 3] = 255;
  }
  return p;
}

Picture ToGrey(const Canvas& c) {
  Picture p;
  p.w = c.w;
  p.h = c.h;
  p.px.resize(c.v.size());
  for (size_t i = 0; i < c.v.size(); ++i) p.px[i] = static_cast<uint8_t>(std::lround(std::clamp(c.v[i], 0.0f, 255.0f)));
  p.palette = GreyPalette();
  return p;
}

Picture ToDitheredGrey(const Canvas& c, int levels) {
  static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
  Picture p;
  p.w = c.w;
  p.h = c.h;
  p.px.resize(c.v.size());
  const float step = 255.0f / (levels - 1);
  for (int y = 0; y < c.h; ++y) {
    for (int x = 0; x < c.w; ++x) {
      const float v = std::clamp(c.at(x, y), 0.0f, 255.0f) / step;
      const float threshold = (bayer[y & 3][x & 3] + 0.5f) / 16.0f;
      int level = static_cast<int>(std::floor(v));
      if (v - level > threshold) ++level;
      level = std::min(level, levels - 1);
      // Rounded up, so that a truncating remap to these levels keeps the level.
      p.px[size_t(y) * c.w + x] = static_cast<uint8_t>(std::min(255, (level * 255 + levels - 2) / (levels - 1)));
    }
  }
  p.palette = GreyPalette();
  return p;
}

}  // namespace contentgen
