// The mouse pointer: drawn into the back buffer before the flip, what it
// covered saved per buffer of the chain and put back when drawing restarts.
#include "framework/system/driver.h"
#include "framework/system/driver_state.h"
#include "framework/system/fatal.h"

using namespace platform;

namespace {
const char* const Source = "system";

// '1' fill, '2' outline, '0' transparent; the sixteenth column is the
// strings' terminating NUL, transparent too.
const char* const Arrow[16] = {
    "222222220000000", "211111120000000", "211111200000000", "211112000000000", "211111200000000",
    "211211120000000", "212021112000000", "220002111200000", "000000212000000", "000000020000000",
    "000000000000000", "000000000000000", "000000000000000", "000000000000000", "000000000000000",
    "000000000000000",
};

template <typename T>
void ReleaseRef(T*& object) {
  if (object) object->Release();
  object = nullptr;
}

}  // namespace

void sWinDriver::ReleasePointer() {
  ReleaseRef(PointerSurface);
  for (DDSurface*& s : SaveUnder) ReleaseRef(s);
}

void sWinDriver::SetUpPointer() {
  ReleasePointer();
  DDSurfaceDesc desc;
  desc.flags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
  desc.caps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
  desc.width = desc.height = 16;
  if (DD().DirectDraw2->CreateSurface(desc, &PointerSurface) != DD_OK) Assertion(1516, Source);
  for (DDSurface*& s : SaveUnder)
    if (DD().DirectDraw2->CreateSurface(desc, &s) != DD_OK) Assertion(1521, Source);

  // The picture in pixel values of the screen's kind: all bits set for the
  // fill (white on 16 bits), 1 for the outline, 0 the key. Each value fits
  // the surface's own pixel size, whatever the depth; on 1 bit the outline
  // is the fill.
  const int bits = static_cast<int>(PointerSurface->Format().bitCount);
  const uint32_t fill = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
  uint8_t* p = nullptr;
  int pitch = 0;
  if (PointerSurface->Lock(&p, &pitch, DDLOCK_WAIT) == DD_OK) {
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x) {
        const char c = x < 15 ? Arrow[y][x] : 0;
        StoreRowPixel(p + y * pitch, x, bits, c == '1' ? fill : c == '2' ? 1u : 0u);
      }
    }
    PointerSurface->Unlock();
  }
  PointerSurface->SetColorKey(0, 0);
}

void sWinDriver::SetMousePointer(bool visible, int x, int y) {
  PointerVisible = visible;
  PointerX = x;
  PointerY = y;
}

void sWinDriver::DrawPointer() {
  if (!PointerVisible || !PointerSurface || !BackBuffer) return;
  const int i = GetBufferIndex();
  sRect& r = SavedRect[i];
  r = {PointerX, PointerY, PointerX + 16 < CurrentMode.Width ? PointerX + 16 : CurrentMode.Width,
       PointerY + 16 < CurrentMode.Height ? PointerY + 16 : CurrentMode.Height};
  if (!(r.x1 > PointerX && r.y1 > PointerY)) return;
  SaveUnder[i]->BltFast(0, 0, BackBuffer, DDRect{r.x0, r.y0, r.x1, r.y1}, DDBLTFAST_WAIT);
  BackBuffer->BltFast(PointerX, PointerY, PointerSurface, DDRect{0, 0, r.x1 - PointerX, r.y1 - PointerY},
                      DDBLTFAST_WAIT | DDBLTFAST_SRCCOLORKEY);
  Saved[i] = true;
}

void sWinDriver::RestorePointer() {
  const int i = GetBufferIndex();
  if (!Saved[i]) return;
  const sRect& r = SavedRect[i];
  if (BackBuffer && SaveUnder[i])
    BackBuffer->BltFast(r.x0, r.y0, SaveUnder[i], DDRect{0, 0, r.x1 - r.x0, r.y1 - r.y0}, DDBLTFAST_WAIT);
  Saved[i] = false;
}
