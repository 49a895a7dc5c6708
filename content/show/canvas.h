// Pictures of the default show as they are made: float grey canvases, shaped
// and shaded, then quantised into 8-bit indices.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace contentgen {

// Grey values 0 (black) .. 255 (white) as floats.
struct Canvas {
  Canvas(int width, int height, float fill = 255.0f) : w(width), h(height), v(size_t(width) * height, fill) {}
  float& at(int x, int y) { return v[size_t(y) * w + x]; }
  float at(int x, int y) const { return v[size_t(y) * w + x]; }
  int w, h;
  std::vector<float> v;
};

// An 8-bit picture with its palette (r, g, b, a per entry).
struct Picture {
  int w = 0, h = 0;
  std::vector<uint8_t> px;
  std::vector<uint8_t> palette;  // 256 x 4 bytes
};

// Deterministic pseudo-random numbers (no library generator: the same on every build).
class Rng {
public:
  explicit Rng(uint32_t seed) : s_(seed ? seed : 1) {}
  uint32_t Next() {
    s_ ^= s_ << 13;
    s_ ^= s_ >> 17;
    s_ ^= s_ << 5;
    return s_;
  }
  float Unit() { return (Next() >> 8) * (1.0f / 16777216.0f); }

private:
  uint32_t s_;
};

float Clamp01(float v);
float Smoothstep(float e0, float e1, float x);
// Smooth value noise in 0..1 with the given cell size, several octaves.
float Noise(float x, float y, float cell, int octaves, uint32_t seed);

// The grey palette every remapped picture uses: entry i is (i, i, i, 255).
std::vector<uint8_t> GreyPalette();
// Grey canvas to indices 0..255 with the grey palette.
Picture ToGrey(const Canvas& c);
// Grey canvas to `levels` steps of 255 / (levels - 1), ordered dithering between them,
// so a later remapping to that many levels keeps the tones.
Picture ToDitheredGrey(const Canvas& c, int levels);

}  // namespace contentgen
