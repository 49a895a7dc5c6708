// The pictures of shows/ribbons.show: a sea, a title, a fan of ribbons for
// the wipe, and the effect's window, blob, weave and colours.
#include <algorithm>
#include <cmath>

#include "content/show/pictures.h"

namespace contentgen {
namespace {

const float Pi = 3.14159265358979f;

// Long waves under a pale sky, darker toward the bottom.
Canvas Sea() {
  Canvas c(640, 480);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      float v = 240 - 30 * (y / 180.0f);
      if (y > 180) {
        const float depth = (y - 180) / 300.0f;
        const float wave = std::sin(x * 0.035f + y * 0.22f + 6 * Noise(float(x), float(y), 90, 3, 5));
        v = 190 - 120 * depth + 30 * wave * (1 - 0.5f * depth);
      }
      c.at(x, y) = v;
    }
  return c;
}

// Five bands across the wipe, each a soft ribbon of shade.
Picture Fan() {
  const int w = 400, h = 300;
  Canvas c(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const float u = (x + 0.6f * y) / 80.0f;
      const float band = 0.5f + 0.5f * std::cos(2 * Pi * u);
      const float edge = Smoothstep(0, 30, float(std::min({x, y, w - 1 - x, h - 1 - y})));
      c.at(x, y) = 255 - 170 * band * edge;
    }
  return ToDitheredGrey(c, 17);
}

// An oval window (white) in a soft grey frame.
Picture Window() {
  const int w = 300, h = 200;
  Canvas c(w, h, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const float dx = (x + 0.5f - w / 2.0f) / (w / 2.0f - 16), dy = (y + 0.5f - h / 2.0f) / (h / 2.0f - 16);
      const float d = std::sqrt(dx * dx + dy * dy);
      c.at(x, y) = d <= 1 ? 255 : (d < 1.15f ? 70 + 170 * Smoothstep(1, 1.15f, d) : 0);
    }
  return ToGrey(c);
}

// A ring: bright at its rim, dim in its middle.
std::vector<uint8_t> Drop() {
  std::vector<uint8_t> b(64 * 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const float r = std::hypot(x - 31.5f, y - 31.5f) / 31.5f;
      const float ring = Clamp01(1 - std::fabs(r - 0.65f) / 0.35f);
      b[y * 64 + x] = static_cast<uint8_t>(std::lround(80 * ring * ring + 10 * Clamp01(1 - r)));
    }
  return b;
}

// Woven threads, 200 rows of 352.
std::vector<uint8_t> Weave() {
  const int w = 352, h = 200;
  std::vector<uint8_t> t(w * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool over = ((x / 16) + (y / 16)) % 2 == 0;
      const float thread = 0.5f + 0.5f * std::sin((over ? x : y) * Pi / 8);
      t[y * w + x] = static_cast<uint8_t>(std::lround(70 + 140 * thread));
    }
  return t;
}

// Deep green through sea blue to foam white at indices 64..255.
std::vector<uint8_t> Colours() {
  std::vector<uint8_t> p(768, 0);
  for (int i = 64; i < 256; ++i) {
    const float u = (i - 64) / 191.0f;
    const float r = 10 + 245 * Smoothstep(0.6f, 1, u), g = 60 + 195 * Smoothstep(0, 0.8f, u),
                b = 50 + 205 * Smoothstep(0.2f, 0.9f, u);
    p[3 * i] = static_cast<uint8_t>(std::lround(r));
    p[3 * i + 1] = static_cast<uint8_t>(std::lround(g));
    p[3 * i + 2] = static_cast<uint8_t>(std::lround(b));
  }
  return p;
}

}  // namespace

std::vector<Entry> BuildRibbons() {
  return {ImageEntry("ribbons/sea.scl", ToDitheredGrey(Sea(), 16)),
          ImageEntry("ribbons/title.scl", TextSprite("DejaVuSans-Bold.ttf", 96, "ribbons", 8, 4)),
          ImageEntry("ribbons/fan.scl", Fan()),
          ImageEntry("ribbons/window.scl", Window()),
          RawEntry("ribbons/drop.raw", Drop()),
          RawEntry("ribbons/weave.raw", Weave()),
          RawEntry("ribbons/colours.raw", Colours())};
}

}  // namespace contentgen
