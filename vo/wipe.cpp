#include <cstring>

#include "framework/bitmap.h"
#include "framework/math.h"
#include "framework/system/fatal.h"
#include "framework/text.h"
#include "vo/layers.h"

sWipe::sWipe() {
  std::memset(AngleGrid, 0, sizeof AngleGrid);
  std::memset(ColFrac, 0, sizeof ColFrac);
  std::memset(ColCell, 0, sizeof ColCell);
  std::memset(RowFrac, 0, sizeof RowFrac);
  std::memset(RowCell, 0, sizeof RowCell);
  // Direction of each grid point from the centre; 0 along increasing rows.
  for (int r = 0; r < Grid; ++r)
    for (int c = 0; c < Grid; ++c) AngleGrid[r][c] = static_cast<uint8_t>((FixAtan2(c - 16, r - 16) + 32768) * 255 / 65536);
}

sWipe::~sWipe() { delete Image; }

void sWipe::LoadImage(const char* name) { UseImage(LoadLayerImage(name), name); }

void sWipe::UseImage(sBitmap* image, const char* name) {
  delete Image;
  Image = image;
  // The tables reach 511 pixels; a larger image would read past them.
  if (image->Width >= TableSize || image->Height >= TableSize) {
    char text[256];
    FormatText(text, sizeof text, "sWipe::LoadImage() %s is larger than 511 pixels", name);
    Fatal(text);
  }
  for (int i = 0; i < TableSize; ++i) {
    const int qc = (8192 * i) / image->Width, qr = (8192 * i) / image->Height;
    ColFrac[i] = static_cast<uint8_t>(qc % 256);
    ColCell[i] = static_cast<uint8_t>((qc / 256) % 256);
    RowFrac[i] = static_cast<uint8_t>(qr % 256);
    RowCell[i] = static_cast<uint8_t>((qr / 256) % 256);
  }
}

void sWipe::MakeRuns(int lo, int hi) {
  Image->MapToRange(lo, hi);
  // A 16 tells the drawing loop how many pixels it may skip.
  for (int y = 0; y < Image->Height; ++y) {
    uint8_t* row = Image->PixelAddress(0, y, 0);
    int run = 0;
    for (int x = Image->Width - 1; x >= 0; --x) {
      if (row[x] == 16) {
        row[x] = static_cast<uint8_t>(16 + run > 255 ? 255 : 16 + run);
        ++run;
      } else {
        run = 0;
      }
    }
  }
}

void sWipe::Shade(sBitmap& screen, const sBlitRect& area) const {
  const int T = static_cast<int>((1.0 - Progress) * 65536);
  const int w = area.w, h = area.h;
  if (!screen.Pixels[0] || screen.Bits != 8 || w < 1 || h < 1) return;
  for (int j = 0; j < h; ++j) {
    const uint8_t* src = Image->PixelAddress(area.sx, area.sy + j, 0);
    uint8_t* dst = screen.Pixels[0] + screen.Pitch[0] * (area.dy + j) + area.dx;
    // The upper half is mirrored: its rows count back from h.
    const bool upper = j < h / 2;
    const int row = upper ? h - j : j;
    const int yf = RowFrac[row], yc = RowCell[row];
    for (int i = 0; i < w;) {
      const int p = src[i];
      if (p >= 16) {
        i += p - 15;
        continue;
      }
      const int xf = ColFrac[i], xc = ColCell[i];
      const int g0 = AngleGrid[yc][xc];
      const int g = (AngleGrid[yc][xc + 1] - g0) * xf + (AngleGrid[yc + 1][xc] - g0) * yf + 256 * g0;
      const bool drawn = upper ? (g ^ 32768) <= 65536 - T : g > T;
      if (drawn) dst[i] = static_cast<uint8_t>(((dst[i] % 32) * p) / 16);
      ++i;
    }
  }
}
