// The layers' side of the display: blits, locks and fills.
#include "framework/bitmap.h"
#include "framework/display.h"
#include "framework/system/drawing.h"
#include "framework/system/fatal.h"
#include "vo/backdrop.h"
#include "vo/effect.h"
#include "vo/layers.h"

sBackdrop::~sBackdrop() {
  // ReleaseTextures deletes the bitmaps of registered textures: the picture
  // is ours to free only while the texture still holds it, or was never given it.
  if (!Texture.Bitmap ? !Registered : Texture.Bitmap == Image) delete Image;
}

void sBackdrop::LoadImage(const char* name) {
  delete Image;
  Image = LoadLayerImage(name);
}

void sBackdrop::MapToRange(int lo, int hi) {
  if (!Image) Assertion(MoveitAssertMapBackdrop, "vo/moveit");
  Image->MapToRange(lo, hi);
}

void sBackdrop::Prepare(sDisplay* display) {
  Texture.Bitmap = Image;
  Texture.Name = nullptr;
  Texture.Unused0 = -1;
  Texture.Usage = TextureSurface;
  Registered = true;
  display->AddTexture(&Texture);
}

bool sBackdrop::Covers() const { return Image && Image->Width == 640 && Image->Height == 480; }

void sBackdrop::Draw(sDisplay* display, float) {
  if (!Image) Assertion(MoveitAssertDrawBackdrop, "vo/moveit");
  const sBlitRect area{0, 0, 0, 0, Image->Width, Image->Height};
  display->Blit(&Texture, &area);
}

void sShadeRect::Draw(sDisplay* display, float) {
  if (!(x0 < x1 && y0 < y1)) return;
  sBitmap screen;
  display->Lock(&screen);
  ShadeEdges(screen);
  display->Unlock();
  // Not clipped: clipping is off, and the blitter refuses a rectangle that
  // reaches off the screen whole.
  const sRect r = Interior();
  display->FillRect(0, r.x0, r.y0, r.x1, r.y1);
}

void sSprite::Draw(sDisplay* display, float) {
  sBitmap* p = PhaseImages[Phase()];
  if (!p) Assertion(MoveitAssertSpritePhase, "vo/moveit");
  sBlitRect area{0, 0, static_cast<int>(x - p->Width), static_cast<int>(y - p->Height), p->Width, p->Height};
  const sRect clip{static_cast<int>(Clip[0]), static_cast<int>(Clip[1]), static_cast<int>(Clip[2]),
                   static_cast<int>(Clip[3])};
  if (ClipBlit(&area, &clip, p->Width, p->Height)) display->DrawBitmap(p, &area);
}

void sWipe::Draw(sDisplay* display, float) {
  if (!Image) Assertion(MoveitAssertDrawWipe, "vo/moveit");
  const int W = Image->Width, H = Image->Height;
  sBlitRect area{0, 0, static_cast<int>(x - W), static_cast<int>(y - H), W, H};
  const sRect clip{0, 0, 640, 480};
  if (!ClipBlit(&area, &clip, W, H)) return;
  sBitmap screen;
  display->Lock(&screen);
  Shade(screen, area);
  display->Unlock();
}

void sMaskedEffect::Draw(sDisplay* display, float) {
  sBitmap screen;
  display->Lock(&screen);
  Shade(screen);
  display->Unlock();
}
