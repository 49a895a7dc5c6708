// tess_icon: the program's icon, cut from a frame of the show: the square of
// the masked effect, its corners rounded off, at the sizes desktops ask for.
//   tess_icon FRAME.png X Y SIDE OUTDIR   writes OUTDIR/<n>x<n>/apps/tessaline.png
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/bitmap.h"
#include "tools/common/png_io.h"

namespace {

struct Rgba {
  double r = 0, g = 0, b = 0, a = 0;
};

// Share of the source pixel (x, y) inside a square of `side` with corners
// of `radius` (4 x 4 samples).
double Coverage(int x, int y, int side, double radius) {
  int inside = 0;
  for (int sy = 0; sy < 4; ++sy)
    for (int sx = 0; sx < 4; ++sx) {
      const double px = x + (sx + 0.5) / 4, py = y + (sy + 0.5) / 4;
      const double cx = std::clamp(px, radius, side - radius), cy = std::clamp(py, radius, side - radius);
      if ((px - cx) * (px - cx) + (py - cy) * (py - cy) <= radius * radius) ++inside;
    }
  return inside / 16.0;
}

// Area-weighted reduction of the square to n x n, alpha-weighted colours.
std::vector<Rgba> Reduce(const std::vector<Rgba>& square, int side, int n) {
  std::vector<Rgba> out(static_cast<size_t>(n) * n);
  const double step = static_cast<double>(side) / n;
  for (int oy = 0; oy < n; ++oy)
    for (int ox = 0; ox < n; ++ox) {
      Rgba sum;
      double area = 0;
      const double x0 = ox * step, x1 = x0 + step, y0 = oy * step, y1 = y0 + step;
      for (int y = static_cast<int>(y0); y < std::min<double>(side, std::ceil(y1)); ++y)
        for (int x = static_cast<int>(x0); x < std::min<double>(side, std::ceil(x1)); ++x) {
          const double w = (std::min<double>(x + 1, x1) - std::max<double>(x, x0)) *
                           (std::min<double>(y + 1, y1) - std::max<double>(y, y0));
          const Rgba& p = square[static_cast<size_t>(y) * side + x];
          sum.r += w * p.a * p.r;
          sum.g += w * p.a * p.g;
          sum.b += w * p.a * p.b;
          sum.a += w * p.a;
          area += w;
        }
      Rgba& o = out[static_cast<size_t>(oy) * n + ox];
      if (sum.a > 0) o = {sum.r / sum.a, sum.g / sum.a, sum.b / sum.a, sum.a / area};
    }
  return out;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "tess_icon: %s\n", message.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) return Fail("usage: tess_icon FRAME.png X Y SIDE OUTDIR");
  const int x0 = std::atoi(argv[2]), y0 = std::atoi(argv[3]), side = std::atoi(argv[4]);
  PngImage frame;
  std::string error;
  if (!ReadPng(argv[1], &frame, &error)) return Fail(error);
  if (side < 16 || x0 < 0 || y0 < 0 || x0 + side > frame.width || y0 + side > frame.height)
    return Fail("the square lies outside the frame");

  std::vector<Rgba> square(static_cast<size_t>(side) * side);
  const double radius = side * 0.09;
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      const sColor& c = frame.rgba[static_cast<size_t>(y0 + y) * frame.width + x0 + x];
      square[static_cast<size_t>(y) * side + x] = {double(c.r), double(c.g), double(c.b), Coverage(x, y, side, radius)};
    }
  for (int n : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const std::vector<Rgba> icon = Reduce(square, side, n);
    sBitmap b;
    b.Create(n, n, Kind8888, 1);
    for (int y = 0; y < n; ++y)
      for (int x = 0; x < n; ++x) {
        const Rgba& p = icon[static_cast<size_t>(y) * n + x];
        auto byte = [](double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 255.0))); };
        b.SetPixel(b.ColorToIndex(byte(p.r), byte(p.g), byte(p.b), byte(p.a * 255)), x, y, 0);
      }
    const std::string size = std::to_string(n) + "x" + std::to_string(n);
    const std::filesystem::path dir = std::filesystem::path(argv[5]) / size / "apps";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) return Fail("cannot create " + dir.string() + ": " + ec.message());
    if (!WritePng((dir / "tessaline.png").string(), b, &error)) return Fail(error);
  }
  return 0;
}
