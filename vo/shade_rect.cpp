#include "framework/bitmap.h"
#include "vo/layers.h"
#include "vo/palette.h"

namespace {
// Edge pixels keep the part of their brightness the rectangle leaves uncovered.
struct Shader {
  sBitmap& screen;
  void Set(int x, int y, int (*keep)(int level, int a, int b), int a, int b) const {
    if (x < 0 || y < 0 || x >= screen.Width || y >= screen.Height) return;
    uint8_t* p = screen.Pixels[0] + screen.Pitch[0] * y + x;
    *p = static_cast<uint8_t>(keep(ShadeLevel[*p], a, b));
  }
};

int Corner(int level, int a, int b) { return ((256 - (16 - a) * (16 - b)) * level) / 256; }
int Edge(int level, int a, int) { return (level * a) / 16; }

// trunc(16 v) mod 16 as a remainder of 0..15, also for an edge left of or
// above the screen.
int Sixteenths(float v) {
  const int r = static_cast<int>(16 * v) % 16;
  return r < 0 ? r + 16 : r;
}
}  // namespace

bool sShadeRect::ShadeEdges(sBitmap& screen) const {
  if (!(x0 < x1 && y0 < y1)) return false;
  const int X0 = static_cast<int>(x0), Y0 = static_cast<int>(y0);
  const int X1 = static_cast<int>(x1), Y1 = static_cast<int>(y1);
  const int fx0 = Sixteenths(x0), fy0 = Sixteenths(y0);
  const int ex1 = 15 - Sixteenths(x1), ey1 = 15 - Sixteenths(y1);
  if (!screen.Pixels[0] || screen.Bits != 8) return true;
  const Shader s{screen};
  s.Set(X0, Y0, Corner, fy0, fx0);
  s.Set(X0, Y1, Corner, ey1, fx0);
  if (fy0 != 0)
    for (int x = X0 + 1; x <= X1 - 1; ++x) s.Set(x, Y0, Edge, fy0, 0);
  if (ey1 != 15)
    for (int x = X0 + 1; x <= X1 - 1; ++x) s.Set(x, Y1, Edge, ey1, 0);
  s.Set(X1, Y0, Corner, ex1, fy0);
  s.Set(X1, Y1, Corner, ey1, ex1);
  for (int y = Y0 + 1; y <= Y1 - 1; ++y) {
    s.Set(X0, y, Edge, fx0, 0);
    s.Set(X1, y, Edge, ex1, 0);
  }
  return true;
}

sRect sShadeRect::Interior() const {
  const int X0 = static_cast<int>(x0), Y0 = static_cast<int>(y0);
  return sRect{X0 + 1, Sixteenths(y0) == 0 ? Y0 : Y0 + 1, static_cast<int>(x1), static_cast<int>(y1)};
}
