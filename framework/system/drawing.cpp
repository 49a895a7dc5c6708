// The drawing operations of the driver: pixels written into the locked back
// buffer, fills and copies handed to the platform blitter unlocked.
#include "framework/system/drawing.h"

#include <cstring>

#include "framework/system/driver.h"
#include "framework/system/fatal.h"
#include "platform/display.h"

using namespace platform;

namespace {
const char* const Source = "system";

int Max(int a, int b) { return a > b ? a : b; }
int Min(int a, int b) { return a < b ? a : b; }
}  // namespace

bool Contains(const sRect& r, int x, int y) { return r.x0 <= x && x < r.x1 && r.y0 <= y && y < r.y1; }

bool ClipBlit(sBlitRect* a, const sRect* clip, int srcW, int srcH) {
  if (a->sx + a->w > srcW) a->w = srcW - a->sx;
  if (a->sy + a->h > srcH) a->h = srcH - a->sy;
  if (a->dx >= clip->x1 || a->dy >= clip->y1 || a->dx + a->w <= clip->x0 || a->dy + a->h <= clip->y0 || a->w < 1 ||
      a->h < 1)
    return false;
  if (a->dx < clip->x0) {
    a->w = a->dx + a->w - clip->x0;
    a->sx = a->sx + clip->x0 - a->dx;
    a->dx = clip->x0;
  }
  if (a->dy < clip->y0) {
    a->h = a->h + a->dy - clip->y0;
    a->sy = a->sy + clip->y0 - a->dy;
    a->dy = clip->y0;
  }
  if (a->sx < 0) {
    a->dx = a->dx - a->sx;
    a->w = a->w + a->sx;
    a->sx = 0;
  }
  if (a->sy < 0) {
    a->dy = a->dy - a->sy;
    a->h = a->h + a->sy;
    a->sy = 0;
  }
  if (a->dx + a->w > clip->x1) a->w = clip->x1 - a->dx;
  if (a->dy + a->h > clip->y1) a->h = clip->y1 - a->dy;
  return true;
}

void sWinDriver::SetClipRect(const sRect* r) {
  Clipping = true;
  Clip = r ? *r : sRect{0, 0, CurrentMode.Width, CurrentMode.Height};
}

void sWinDriver::ClearClipRect() { Clipping = false; }

void sWinDriver::PutPixel(uint32_t value, int x, int y) {
  if (Clipping && !Contains(Clip, x, y)) return;
  // Without clipping the caller keeps to the screen; a point off it would
  // land outside the surface, so it is dropped as the blitter drops rectangles.
  if (x < 0 || y < 0 || x >= CurrentMode.Width || y >= CurrentMode.Height) return;
  if (!LockBackBuffer()) return;
  uint8_t* p = LockStart + static_cast<ptrdiff_t>(LockPitch) * y;
  switch (CurrentMode.Bits) {
    case 8: p[x] = static_cast<uint8_t>(value); break;
    case 16: {
      const uint16_t v = static_cast<uint16_t>(value);
      std::memcpy(p + 2 * x, &v, 2);
      break;
    }
    case 24:
      p += 3 * x;
      p[0] = static_cast<uint8_t>(value);
      p[1] = static_cast<uint8_t>(value >> 8);
      p[2] = static_cast<uint8_t>(value >> 16);
      break;
    case 32: std::memcpy(p + 4 * x, &value, 4); break;
    default: Assertion(1917, Source);
  }
}

bool sWinDriver::Fill(uint32_t value, int x0, int y0, int x1, int y1) {
  UnlockBackBuffer();
  FillValue = value;
  const DDRect r{x0, y0, x1, y1};
  return BackBuffer && BackBuffer->ColorFill(&r, FillValue) == DD_OK;
}

void sWinDriver::HLine(uint32_t value, int x0, int x1, int y) {
  if (!(x1 + 1 > x0)) Assertion(1928, Source);
  int a = x0, b = x1 + 1;
  if (Clipping) {
    if (y < Clip.y0 || y >= Clip.y1) return;
    a = Max(a, Clip.x0);
    b = Min(b, Clip.x1);
    if (a >= b) return;
  }
  Fill(value, a, y, b, y + 1);
}

void sWinDriver::VLine(uint32_t value, int x, int y0, int y1) {
  if (!(y1 + 1 > y0)) Assertion(1959, Source);
  int a = y0, b = y1 + 1;
  if (Clipping) {
    if (x < Clip.x0 || x >= Clip.x1) return;
    a = Max(a, Clip.y0);
    b = Min(b, Clip.y1);
    if (a >= b) return;
  }
  Fill(value, x, a, x + 1, b);
}

void sWinDriver::FillRect(uint32_t value, int x0, int y0, int x1, int y1) {
  if (Clipping) {
    x0 = Max(x0, Clip.x0);
    y0 = Max(y0, Clip.y0);
    x1 = Min(x1, Clip.x1);
    y1 = Min(y1, Clip.y1);
    if (x0 >= x1 || y0 >= y1) return;
  }
  Fill(value, x0, y0, x1, y1);
}

void sWinDriver::FrameRect(uint32_t value, int x0, int y0, int x1, int y1) {
  if (!(y1 >= y0)) Assertion(2151, Source);
  if (!(x1 >= x0)) Assertion(2152, Source);
  if (x1 <= x0 || y1 <= y0) return;
  if (y1 == y0 + 1) {
    HLine(value, x0, x1 - 1, y0);
    return;
  }
  HLine(value, x0, x1 - 1, y0);
  HLine(value, x0, x1 - 1, y1 - 1);
  if (y1 == y0 + 2) return;
  VLine(value, x0, y0 + 1, y1 - 2);
  VLine(value, x1 - 1, y0 + 1, y1 - 2);
}

void sWinDriver::Line(uint32_t value, int x0, int y0, int x1, int y1) {
  const int dx = x1 - x0, dy = y1 - y0;
  if (Clipping) {
    const int X0 = Clip.x0, Y0 = Clip.y0, X1 = Clip.x1, Y1 = Clip.y1;
    if ((x0 < X0 && x1 < X0) || (y0 < Y0 && y1 < Y0) || (x0 >= X1 && x1 >= X1) || (y0 >= Y1 && y1 >= Y1)) return;
    auto clipEnd = [&](int& x, int& y) {
      if (x < X0 && dx != 0) {
        y = y - (x - X0) * dy / dx;
        x = X0;
      }
      if (y < Y0 && dy != 0) {
        x = x - (y - Y0) * dx / dy;
        y = Y0;
      }
      if (x >= X1 && dx != 0) {
        y = y - (x - X1) * dy / dx;
        x = X1 - 1;
      }
      if (y >= Y1 && dy != 0) {
        x = x - (y - Y1) * dx / dy;
        y = Y1 - 1;
      }
    };
    clipEnd(x0, y0);
    clipEnd(x1, y1);
  }
  const int ax = x1 > x0 ? x1 - x0 : x0 - x1;
  const int ay = y1 > y0 ? y1 - y0 : y0 - y1;
  const int sx = x1 > x0 ? 1 : (x1 < x0 ? -1 : 0);
  const int sy = y1 > y0 ? 1 : (y1 < y0 ? -1 : 0);
  if (ax <= ay) {
    int x = x0, y = y0, end = y1, step = sx;
    if (!(y0 < y1)) {
      x = x1;
      y = y1;
      end = y0;
      step = -sx;
    }
    int error = ay / 2;
    for (;;) {
      PutPixel(value, x, y);
      if (y >= end) break;
      ++y;
      error += ax;
      if (error > ay) {
        error -= ay;
        x += step;
      }
    }
  } else {
    int x = x0, y = y0, end = x1, step = sy;
    if (!(x0 < x1)) {
      x = x1;
      y = y1;
      end = x0;
      step = -sy;
    }
    int error = ax / 2;
    for (;;) {
      PutPixel(value, x, y);
      if (x >= end) break;
      ++x;
      error += ay;
      if (error > ax) {
        error -= ax;
        y += step;
      }
    }
  }
}

void sWinDriver::Blit(sTexture* t, const sBlitRect* area) {
  sBlitRect a = *area;
  if (Clipping && !ClipBlit(&a, &Clip, t->Width, t->Height)) return;
  UnlockBackBuffer();
  if (t->VideoSurface) {
    // Rectangles the blitter cannot take (empty, inverted, off either surface)
    // are refused by it, as the hardware refused them.
    const DDRect from{a.sx, a.sy, a.sx + a.w, a.sy + a.h};
    if (BackBuffer) BackBuffer->BltFast(a.dx, a.dy, t->VideoSurface, from, DDBLTFAST_WAIT);
    return;
  }
  if (!t->Bitmap || t->Bitmap->Kind != KindMono) Assertion(2202, Source);
  BlitMonoOpaque(t, &a, 0xFFFFFFFFu, 0);
}

namespace {
// A software copy takes what the blitter would: a non-empty rectangle inside
// both the source and the screen. Without clipping nothing else protects memory.
bool CopyFits(const sBlitRect& a, int srcW, int srcH, int dstW, int dstH) {
  return a.w > 0 && a.h > 0 && a.sx >= 0 && a.sy >= 0 && a.sx + a.w <= srcW && a.sy + a.h <= srcH && a.dx >= 0 &&
         a.dy >= 0 && a.dx + a.w <= dstW && a.dy + a.h <= dstH;
}
}  // namespace

void sWinDriver::BlitMono(sTexture* t, const sBlitRect* area, uint32_t value) {
  sBlitRect a = *area;
  const sBitmap* b = t->Bitmap;
  if (Clipping && !ClipBlit(&a, &Clip, t->Width, t->Height)) return;
  if (!LockBackBuffer()) return;
  if (CurrentMode.Bits != 16) Assertion(2312, Source);
  if (!b || !CopyFits(a, b->Width, b->Height, CurrentMode.Width, CurrentMode.Height)) return;
  const uint16_t v = static_cast<uint16_t>(value);
  for (int j = 0; j < a.h; ++j) {
    const uint8_t* src = b->Pixels[0] + static_cast<ptrdiff_t>(b->Pitch[0]) * (a.sy + j);
    uint8_t* dst = LockStart + static_cast<ptrdiff_t>(LockPitch) * (a.dy + j) + 2 * a.dx;
    for (int i = 0; i < a.w; ++i) {
      const int x = a.sx + i;
      if (src[x >> 3] & (0x80 >> (x & 7))) std::memcpy(dst + 2 * i, &v, 2);
    }
  }
}

void sWinDriver::BlitMonoOpaque(sTexture* t, const sBlitRect* area, uint32_t fg, uint32_t bg) {
  sBlitRect a = *area;
  const sBitmap* b = t->Bitmap;
  if (Clipping && !ClipBlit(&a, &Clip, t->Width, t->Height)) return;
  if (!LockBackBuffer()) return;
  if (CurrentMode.Bits != 16) Assertion(2420, Source);
  if (!b || !CopyFits(a, b->Width, b->Height, CurrentMode.Width, CurrentMode.Height)) return;
  const uint16_t f = static_cast<uint16_t>(fg), g = static_cast<uint16_t>(bg);
  for (int j = 0; j < a.h; ++j) {
    const uint8_t* src = b->Pixels[0] + static_cast<ptrdiff_t>(b->Pitch[0]) * (a.sy + j);
    uint8_t* dst = LockStart + static_cast<ptrdiff_t>(LockPitch) * (a.dy + j) + 2 * a.dx;
    for (int i = 0; i < a.w; ++i) {
      const int x = a.sx + i;
      std::memcpy(dst + 2 * i, (src[x >> 3] & (0x80 >> (x & 7))) ? &f : &g, 2);
    }
  }
}

namespace {
uint16_t Load16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
void Store16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

// One channel moved toward the palette colour by alpha / 256.
int Blend(int old, int target, int alpha) { return old + (((target - old) * alpha) >> 8); }

uint32_t Blend0565(uint32_t d, const sColor& c) {
  int r = (d >> 8) & 0xF8, g = (d >> 3) & 0xFC, b = (d & 0x1F) << 3;
  r = Blend(r, c.r, c.a);
  g = Blend(g, c.g, c.a);
  b = Blend(b, c.b, c.a);
  return ((r & 0xF8) << 8) | ((g & 0xFC) << 3) | (b >> 3);
}

// A 1555 screen blends in its own layout and keeps the pixel's alpha bit.
uint32_t Blend1555(uint32_t d, const sColor& c) {
  int r = (d >> 7) & 0xF8, g = (d >> 2) & 0xF8, b = (d & 0x1F) << 3;
  r = Blend(r, c.r, c.a);
  g = Blend(g, c.g, c.a);
  b = Blend(b, c.b, c.a);
  return (d & 0x8000) | ((r & 0xF8) << 7) | ((g & 0xF8) << 2) | (b >> 3);
}
}  // namespace

void sWinDriver::DrawBitmap(sBitmap* bitmap, const sBlitRect* area) {
  sBlitRect a = *area;
  if (Clipping && !ClipBlit(&a, &Clip, bitmap->Width, bitmap->Height)) return;
  if (!LockBackBuffer()) return;
  const int src = bitmap->Kind, dst = Kind;
  const bool known = (src == KindIndex8 && (dst == KindIndex8 || dst == Kind0565 || dst == Kind1555)) ||
                     (src == Kind0565 && (dst == Kind0565 || dst == Kind1555)) ||
                     (src == Kind1555 && dst == Kind0565);
  if (!known) Assertion(2577, Source);
  if (!CopyFits(a, bitmap->Width, bitmap->Height, CurrentMode.Width, CurrentMode.Height)) return;
  const int bytes = CurrentMode.Bits / 8;

  uint32_t table[256] = {};
  const sColor* palette = bitmap->Palette;
  const int entries = palette ? (bitmap->PaletteSize < 256 ? bitmap->PaletteSize : 256) : 0;
  if (src == KindIndex8 && dst != KindIndex8)
    for (int i = 0; i < entries; ++i) table[i] = ColorToIndex(&palette[i]);

  for (int j = 0; j < a.h; ++j) {
    const uint8_t* from = bitmap->PixelAddress(a.sx, a.sy + j, 0);
    uint8_t* to = LockStart + static_cast<ptrdiff_t>(LockPitch) * (a.dy + j) + static_cast<ptrdiff_t>(a.dx) * bytes;
    if (src == dst) {
      std::memcpy(to, from, static_cast<size_t>(a.w) * bytes);
      continue;
    }
    for (int i = 0; i < a.w; ++i) {
      uint8_t* d = to + 2 * i;
      if (src == KindIndex8) {
        const uint8_t index = from[i];
        if (index >= entries) continue;
        const sColor& c = palette[index];
        if (c.a == 255) Store16(d, table[index]);
        else if (c.a != 0) Store16(d, dst == Kind0565 ? Blend0565(Load16(d), c) : Blend1555(Load16(d), c));
      } else if (src == Kind0565) {
        const uint32_t p = Load16(from + 2 * i);
        Store16(d, ((p >> 1) & 0x7FE0) | (p & 0x1F));
      } else {
        const uint32_t p = Load16(from + 2 * i);
        Store16(d, ((p & 0xFFE0) << 1) | (p & 0x1F));
      }
    }
  }
}
