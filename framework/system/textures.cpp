// Display textures: loaded, converted to the screen's kind, copied to a
// system-memory surface, then to video memory for the blitter.
#include <cstring>

#include "framework/system/driver.h"
#include "framework/system/driver_state.h"
#include "framework/system/fatal.h"

using namespace platform;

namespace {
const char* const Source = "system";

template <typename T>
void ReleaseRef(T*& object) {
  if (object) object->Release();
  object = nullptr;
}
}  // namespace

void sWinDriver::LoadTextures(const sDisplayMode* mode) {
  for (int i = 0; i < TextureCount; ++i) {
    sTexture* t = Textures[i];
    if (!t->Bitmap) {
      if (!t->Name) Assertion(1654, Source);
      t->Bitmap = new sBitmap;
      t->Bitmap->Load(t->Name);
    }
    t->Width = t->Bitmap->Width;
    t->Height = t->Bitmap->Height;
    t->Levels = 1;
    if (t->Usage == Texture3D) {
      if (!DD().TextureFormats[Kind0565].Found) Assertion(1674, Source);
      t->Kind = Kind0565;
    } else {
      t->Kind = mode->Kind;
    }
    t->Loaded = true;
    // Surfaces of an earlier load would be lost here: they are released.
    ReleaseRef(t->SystemSurface);
    ReleaseRef(t->VideoSurface);
    t->Handle = 0;
  }
  for (int i = 0; i < TextureCount; ++i) {
    sTexture* t = Textures[i];
    DDSurfaceDesc desc;
    desc.flags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.width = t->Width;
    desc.height = t->Height;
    if (t->Usage == Texture3D) {
      desc.flags |= DDSD_PIXELFORMAT;
      desc.caps = DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY;
      desc.format = DD().TextureFormats[Kind0565].Format;
    } else {
      desc.caps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    }
    if (DD().DirectDraw2->CreateSurface(desc, &t->SystemSurface) != DD_OK) Assertion(1710, Source);

    sBitmap* source = t->Bitmap;
    sBitmap* converted = nullptr;
    if (source->Kind != t->Kind) {
      converted = new sBitmap;
      converted->Create(t->Width, t->Height, t->Kind, t->Levels);
      const sBlitRect all{0, 0, 0, 0, t->Width, t->Height};
      converted->Convert(source, &all);
      source = converted;
    }
    int height = t->Height;
    for (int level = 0; level < t->Levels; ++level) {
      uint8_t* p = nullptr;
      int pitch = 0;
      t->SystemSurface->Lock(&p, &pitch, 0);
      if (p) {
        const int row = pitch < source->Pitch[level] ? pitch : source->Pitch[level];
        for (int y = 0; y < height; ++y)
          std::memcpy(p + static_cast<ptrdiff_t>(pitch) * y, source->Pixels[level] + source->Pitch[level] * y,
                      static_cast<size_t>(row));
      }
      t->SystemSurface->Unlock();
      height = height / 2 > 0 ? height / 2 : 1;
    }
    delete converted;
  }
}

void sWinDriver::UploadTextures() {
  for (int i = 0; i < TextureCount; ++i) {
    sTexture* t = Textures[i];
    if (!t->VideoSurface) {
      DDSurfaceDesc desc;
      desc.flags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
      desc.width = t->Width;
      desc.height = t->Height;
      if (t->Usage == Texture3D) {
        desc.flags |= DDSD_PIXELFORMAT;
        desc.caps = DDSCAPS_TEXTURE | DDSCAPS_VIDEOMEMORY | DDSCAPS_ALLOCONLOAD;
        desc.format = DD().TextureFormats[Kind0565].Format;
        if (DD().DirectDraw2->CreateSurface(desc, &t->VideoSurface) != DD_OK) Assertion(1807, Source);
      } else if (t->Kind != KindMono) {
        desc.caps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY;
        if (DD().DirectDraw2->CreateSurface(desc, &t->VideoSurface) != DD_OK) Assertion(1794, Source);
      }
    }
    if (!t->VideoSurface) continue;
    if (t->Usage == Texture3D) {
      // The video texture loads the system one; the handle names it for the device.
      D3DTexture *from = nullptr, *to = nullptr;
      if (QueryTexture(t->SystemSurface, &from) == DD_OK && QueryTexture(t->VideoSurface, &to) == DD_OK) {
        to->Load(from);
        to->GetHandle(DD().Device, &t->Handle);
      }
      if (from) from->Release();
      if (to) to->Release();
      continue;
    }
    const DDRect all{0, 0, t->Width, t->Height};
    if (t->VideoSurface->BltFast(0, 0, t->SystemSurface, all, DDBLTFAST_WAIT) != DD_OK) Assertion(1867, Source);
  }
}

void sWinDriver::ReleaseTextures() {
  for (int i = 0; i < TextureCount; ++i) {
    sTexture* t = Textures[i];
    ReleaseRef(t->VideoSurface);
    ReleaseRef(t->SystemSurface);
    if (t->Bitmap) {
      t->Bitmap->Free();
      delete t->Bitmap;
      t->Bitmap = nullptr;
    }
  }
}
