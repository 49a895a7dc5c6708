// Rectangles shared by bitmaps, blits and the display.
#pragma once
#include <cstdint>

// Far edges (x1, y1) are exclusive.
struct sRect {
  int32_t x0, y0, x1, y1;
};

// A copy of w x h pixels from (sx, sy) of a source to (dx, dy) of a target.
struct sBlitRect {
  int32_t sx, sy, dx, dy, w, h;
};
