#include "content/show/pictures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "content/show/font.h"

namespace contentgen {
namespace {

const float Pi = 3.14159265358979f;

// The effect's colours: indices 64..255 along a ramp of colour stops.
struct Stop {
  float at, r, g, b;
};
const Stop EffectStops[] = {{0.00f, 8, 6, 40},     {0.25f, 70, 20, 120}, {0.50f, 190, 40, 110},
                            {0.72f, 245, 120, 40}, {0.90f, 255, 215, 110}, {1.00f, 255, 250, 225}};

void EffectColour(float u, float rgb[3]) {
  u = Clamp01(u);
  for (size_t i = 1; i < sizeof EffectStops / sizeof EffectStops[0]; ++i) {
    const Stop &a = EffectStops[i - 1], &b = EffectStops[i];
    if (u <= b.at) {
      const float t = Smoothstep(0, 1, (u - a.at) / (b.at - a.at));
      rgb[0] = a.r + (b.r - a.r) * t;
      rgb[1] = a.g + (b.g - a.g) * t;
      rgb[2] = a.b + (b.b - a.b) * t;
      return;
    }
  }
}

std::vector<uint8_t> EffectPaletteBytes() {
  std::vector<uint8_t> p(768, 0);
  for (int i = 64; i < 256; ++i) {
    float rgb[3];
    EffectColour((i - 64) / 191.0f, rgb);
    for (int k = 0; k < 3; ++k) p[3 * i + k] = static_cast<uint8_t>(std::lround(rgb[k]));
  }
  return p;
}

// Rolling hills under a soft sky, light overall: the first scene's ground.
Canvas FirstBackdrop() {
  Canvas c(640, 480);
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x) {
      float v = 235 - 40 * (y / 480.0f);  // sky, darker toward the horizon
      v += 14 * (Noise(float(x), float(y) * 2.5f, 160, 4, 11) - 0.5f);
      // Three ridges, each nearer one darker.
      for (int r = 0; r < 3; ++r) {
        const float base = 250 + 70 * r;
        const float ridge = base - 60 * Noise(float(x), float(r * 1000), 220.0f - 50 * r, 4, 23 + r);
        if (y > ridge) v = 200 - 45 * r - 25 * Noise(float(x), float(y), 40, 3, 31 + r) - 0.1f * (y - ridge);
      }
      c.at(x, y) = v;
    }
  }
  return c;
}

// A title card fading in at the end.
Canvas LastPicture() {
  Canvas c(640, 480);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      const float dx = (x - 320) / 320.0f, dy = (y - 240) / 240.0f;
      const float vignette = 1 - 0.55f * (dx * dx + dy * dy);
      c.at(x, y) = 70 * vignette + 30 * Noise(float(x), float(y), 90, 3, 57) * vignette;
    }
  // Tessellated triangles along the bottom.
  for (int y = 380; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      const int row = (y - 380) / 25, col = (x + (row % 2) * 25) / 50;
      const float fx = std::fmod(float(x + (row % 2) * 25), 50.0f) / 50.0f, fy = ((y - 380) % 25) / 25.0f;
      const bool up = std::fabs(fx - 0.5f) * 2 < fy;
      if ((row + col) % 3 != 0) c.at(x, y) += up ? 40.0f : 18.0f;
    }
  Font big(FontPath("DejaVuSans-Bold.ttf"), 84);
  Font small(FontPath("DejaVuSerif-Italic.ttf"), 30);
  const std::string title = "tessaline", line = "thank you for watching";
  big.Draw(c, (640 - big.Measure(title)) / 2 + 3, 223, title, 0);  // shadow
  big.Draw(c, (640 - big.Measure(title)) / 2, 220, title, 250);
  small.Draw(c, (640 - small.Measure(line)) / 2, 290, line, 200);
  return c;
}

// The second scene's picture, drawn with the screen's own indices: greys of
// the backdrop range, a colour band of the effect's range, text in the shade ramp.
Picture SecondBackdrop() {
  Canvas grey(640, 480);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      const float stripes = 0.5f + 0.5f * std::sin((x + y) * 0.09f);
      grey.at(x, y) = 40 + 120 * (y / 480.0f) + 50 * stripes * Noise(float(x), float(y), 70, 3, 77);
    }
  const Picture levels = ToDitheredGrey(grey, 16);
  Picture p;
  p.w = 640;
  p.h = 480;
  p.px.resize(640 * 480);
  for (int i = 0; i < 640 * 480; ++i) p.px[i] = static_cast<uint8_t>(32 + (levels.px[i] * 15) / 255);
  // A band of the effect's colours across the top.
  for (int y = 20; y < 110; ++y)
    for (int x = 0; x < 640; ++x) {
      const float u = 0.5f + 0.5f * std::sin(x * 0.012f + y * 0.03f) * Smoothstep(20, 60, float(y)) *
                                 (1 - Smoothstep(80, 110, float(y)));
      p.px[y * 640 + x] = static_cast<uint8_t>(64 + std::min(191, static_cast<int>(u * 191)));
    }
  Canvas text(640, 480, 0);
  Font f(FontPath("DejaVuSans-Bold.ttf"), 44);
  f.Draw(text, 24, 170, "part two", 255);
  Font g(FontPath("DejaVuSans.ttf"), 20);
  const char* lines[] = {"blobs on smooth paths,", "added with saturation,", "seen through a mask"};
  for (int i = 0; i < 3; ++i) g.Draw(text, 26, 215 + 30 * i, lines[i], 255);
  // Light text in the shade ramp (index 16 is white while the ramp is at rest),
  // blended from the grey level below it.
  for (int i = 0; i < 640 * 480; ++i) {
    if (text.v[i] < 8 || p.px[i] < 32 || p.px[i] > 47) continue;
    const float below = p.px[i] - 32, cover = text.v[i] / 255.0f;
    p.px[i] = static_cast<uint8_t>(std::lround(below + (16 - below) * cover));
  }
  p.palette = GreyPalette();
  return p;
}

// The logo: a disc tessellated with triangles, half of them inked.
Picture Logo() {
  const int n = 280;
  Canvas c(n, n);
  const float cx = n / 2.0f, cy = n / 2.0f, R = 130;
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const float dx = x + 0.5f - cx, dy = y + 0.5f - cy, r = std::sqrt(dx * dx + dy * dy);
      if (r > R + 1) continue;
      // Triangular lattice coordinates.
      const float side = 52;
      const float v = dy / (side * 0.8660254f);
      const float u = dx / side - v * 0.5f;
      const float fu = u - std::floor(u), fv = v - std::floor(v);
      const bool upper = fu + fv > 1;
      const int cell = static_cast<int>(std::floor(u)) * 3 + static_cast<int>(std::floor(v)) * 5 + upper;
      const float edge = std::min({fu, fv, std::fabs(1 - fu - fv)});
      float ink = (cell % 2 == 0) ? 30.0f : 200.0f;
      if (edge < 0.04f) ink = 255;  // white seams
      const float ring = Clamp01(R + 1 - r);
      const float outline = r > R - 8 ? 0.0f : ink;
      c.at(x, y) = 255 + (outline - 255) * ring;
    }
  return ToGrey(c);
}

// Concentric soft rings that darken the screen, fading out at the rim.
Picture WipeImage() {
  const int n = 480;
  Canvas c(n, n);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const float dx = x + 0.5f - n / 2.0f, dy = y + 0.5f - n / 2.0f, r = std::sqrt(dx * dx + dy * dy);
      const float rings = 0.5f + 0.5f * std::cos(2 * Pi * r / 64);
      const float falloff = 1 - Smoothstep(150, 235, r);
      c.at(x, y) = 255 - 150 * rings * falloff;
    }
  return ToDitheredGrey(c, 17);
}

// The effect's window: a rounded shape (white) with a soft shadow around it.
Picture Mask() {
  const int n = 352;
  Canvas c(n, n, 0);
  auto box = [](float px, float py, float x0, float y0, float x1, float y1, float radius) {
    // Signed distance to a rounded rectangle.
    const float qx = std::max({x0 + radius - px, px - (x1 - radius), 0.0f});
    const float qy = std::max({y0 + radius - py, py - (y1 - radius), 0.0f});
    const float inside = std::min(0.0f, std::max(std::max(x0 + radius - px, px - (x1 - radius)),
                                                 std::max(y0 + radius - py, py - (y1 - radius))));
    return std::sqrt(qx * qx + qy * qy) + inside - radius;
  };
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const float d = box(x + 0.5f, y + 0.5f, 28, 26, 320, 318, 46);
      float v;
      if (d <= 0)
        v = 255;  // the window
      else if (d < 22)
        v = 60 + 188 * Smoothstep(0, 22, d);  // shadow: darkest next to the window
      else
        v = 0;  // untouched
      c.at(x, y) = v;
    }
  return ToGrey(c);
}

std::vector<uint8_t> Blob() {
  std::vector<uint8_t> b(64 * 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const float dx = (x - 31.5f) / 31.5f, dy = (y - 31.5f) / 31.5f;
      const float f = Clamp01(1 - (dx * dx + dy * dy));
      b[y * 64 + x] = static_cast<uint8_t>(std::lround(96 * f * f));
    }
  return b;
}

std::vector<uint8_t> Texture() {
  const int w = 352, h = 352;
  std::vector<uint8_t> t(w * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const float n = Noise(float(x), float(y), 64, 4, 91);
      const float marble = 0.5f + 0.5f * std::sin(x * 0.05f + y * 0.02f + 9 * n);
      t[y * w + x] = static_cast<uint8_t>(std::lround(60 + 150 * marble * (0.6f + 0.4f * n)));
    }
  return t;
}

}  // namespace

// Black ink on white paper, sized for the sprites' quarter-size drawing.
Picture TextSprite(const char* fontFile, int size, const std::string& text, int padX, int padY) {
  Font f(FontPath(fontFile), size);
  const int w = f.Measure(text) + 2 * padX, h = f.Ascender() + f.Descender() + 2 * padY;
  Canvas c(w, h);
  f.Draw(c, padX, padY + f.Ascender(), text, 0);
  return ToGrey(c);
}

Entry ImageEntry(const char* name, Picture p) {
  Entry e;
  e.name = name;
  e.picture = std::move(p);
  return e;
}

Entry RawEntry(const char* name, std::vector<uint8_t> bytes) {
  Entry e;
  e.name = name;
  e.image = false;
  e.bytes = std::move(bytes);
  return e;
}

std::vector<Entry> BuildShow() {
  std::vector<Entry> show;
  show.push_back(ImageEntry("vo/v01_back.scl", ToDitheredGrey(FirstBackdrop(), 16)));
  show.push_back(ImageEntry("vo/v01_bac2.scl", SecondBackdrop()));
  show.push_back(ImageEntry("vo/good.scl", ToDitheredGrey(LastPicture(), 16)));
  show.push_back(ImageEntry("vo/v01_logo.scl", Logo()));
  show.push_back(ImageEntry("vo/v01_worl.scl", TextSprite("DejaVuSerif-Italic.ttf", 64, "for the whole world", 8, 2)));
  show.push_back(ImageEntry("vo/v01_elit.scl", TextSprite("DejaVuSans-Bold.ttf", 112, "tessaline", 8, 0)));
  show.push_back(ImageEntry("vo/v01_date.scl", TextSprite("DejaVuSansMono.ttf", 48, "december 2026", 8, 2)));
  const char* lines[10] = {"a native re-creation",  "of a small demo",       "in 256 colours",
                           "a timeline of tracks",  "ramps of shade",        "sprites at quarter steps",
                           "growing lines",         "an angular wipe",       "a masked effect",
                           "and then: good night"};
  for (int i = 0; i < 10; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "vo/v01_vi%02d.scl", i + 1);
    show.push_back(ImageEntry(name, TextSprite("DejaVuSans.ttf", 64, lines[i], 8, 4)));
  }
  show.push_back(ImageEntry("vo/v01_circ.scl", WipeImage()));
  show.push_back(ImageEntry("vo/v01_mask.scl", Mask()));
  show.push_back(RawEntry("vo/v01_raw1.raw", Blob()));
  show.push_back(RawEntry("vo/v01_raw2.raw", Texture()));
  show.push_back(RawEntry("vo/v01_raw3.raw", EffectPaletteBytes()));
  return show;
}

}  // namespace contentgen
