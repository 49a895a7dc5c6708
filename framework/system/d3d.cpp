// The display's Direct3D slots: scenes, the vertex array with its current
// colour, the texture handle and the render mode word, strips and fans. The
// device calls are skipped when the mode has no device.
#include <cstring>

#include "framework/system/driver.h"
#include "framework/system/driver_state.h"
#include "framework/system/fatal.h"

using namespace platform;

namespace {
const char* const Source = "system";
}

void sWinDriver::Begin3D(const sRect* area) {
  const sRect whole{0, 0, CurrentMode.Width, CurrentMode.Height};
  if (!area) area = &whole;
  UnlockBackBuffer();
  if (ZBufferSurface) {
    const DDRect r{area->x0, area->y0, area->x1, area->y1};
    ZBufferSurface->DepthFill(&r, 0);
  }
  if (D3DDevice* device = DD().Device) {
    device->BeginScene();
    device->SetLightState(D3DLIGHTSTATE_MATERIAL, DD().MaterialHandle);
    device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRENDERSTATE_DITHERENABLE, 1);
    device->SetRenderState(D3DRENDERSTATE_TEXTUREPERSPECTIVE, 1);
    device->SetRenderState(D3DRENDERSTATE_TEXTUREMAPBLEND, D3DTBLEND_MODULATE);
    device->SetRenderState(D3DRENDERSTATE_TEXTUREHANDLE, 0);
  }
  SetColor(255, 255, 255, 255);
  SetTexture(nullptr);
  SetRenderMode(0);
}

void sWinDriver::End3D() {
  if (DD().Device) DD().Device->EndScene();
}

void sWinDriver::DrawVertices(uint32_t primitive, int n) {
  D3DDevice* device = DD().Device;
  if (!device || !Vertices) return;
  // Never past the array; a software drawing operation since Begin3D may
  // hold the lock, and the device cannot draw into a locked surface.
  if (n > VertexCount) n = VertexCount;
  UnlockBackBuffer();
  device->DrawPrimitive(primitive, D3DVT_TLVERTEX, Vertices, n,
                        D3DDP_WAIT | D3DDP_DONOTCLIP | D3DDP_DONOTUPDATEEXTENTS);
}

void sWinDriver::DrawStrip(int n) { DrawVertices(D3DPT_TRIANGLESTRIP, n); }

void sWinDriver::DrawFan(int n) { DrawVertices(D3DPT_TRIANGLEFAN, n); }

sVertex* sWinDriver::AllocVertices(int n) {
  delete[] Vertices;
  Vertices = nullptr;
  VertexCount = n;
  if (n > 0) {
    Vertices = new sVertex[n];
    std::memset(Vertices, 0, sizeof(sVertex) * static_cast<size_t>(n));
  }
  SetColor(&CurrentColor);
  return Vertices;
}

sVertex* sWinDriver::GetVertices(int n) {
  if (!Vertices) Assertion(2656, Source);
  if (n > VertexCount) Assertion(2657, Source);
  return Vertices;
}

void sWinDriver::SetColor(int r, int g, int b, int a) {
  CurrentColor = {static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b), static_cast<uint8_t>(a)};
  const uint32_t c = static_cast<uint32_t>(a) << 24 | static_cast<uint32_t>(r) << 16 |
                     static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(b);
  for (int i = 0; i < VertexCount && Vertices; ++i) Vertices[i].Color = c;
}

void sWinDriver::SetColor(const sColor* c) { SetColor(c->r, c->g, c->b, c->a); }

void sWinDriver::SetTexture(sTexture* t) {
  if (t && t->Usage != Texture3D) Assertion(2760, Source);
  TextureHandle = t ? t->Handle : 0;
  const uint32_t shading = RenderMode & 15;
  if (shading >= 2 && shading <= 5 && DD().Device)
    DD().Device->SetRenderState(D3DRENDERSTATE_TEXTUREHANDLE, TextureHandle);
}

void sWinDriver::SetRenderMode(uint32_t flags) {
  D3DDevice* device = DD().Device;
  auto set = [device](uint32_t state, uint32_t value) {
    if (device) device->SetRenderState(state, value);
  };
  const uint32_t shading = flags & 15;
  if (shading <= 5) {
    const bool gouraud = shading & 1;
    set(D3DRENDERSTATE_SHADEMODE, gouraud ? D3DSHADE_GOURAUD : D3DSHADE_FLAT);
    set(D3DRENDERSTATE_TEXTUREHANDLE, shading >= 2 ? TextureHandle : 0);
    if (shading >= 2) set(D3DRENDERSTATE_TEXTUREMAPBLEND, gouraud ? D3DTBLEND_MODULATE : D3DTBLEND_DECAL);
    if (shading >= 4) set(D3DRENDERSTATE_TEXTUREMAG, D3DFILTER_LINEAR);
    if (shading == 0) SetColor(&CurrentColor);
    if (shading == 2 || shading == 4)
      for (int i = 0; i < VertexCount && Vertices; ++i) Vertices[i].Color = 0xFFFFFFFFu;
  }
  switch (flags & 0xF0) {
    case 0x00:
      set(D3DRENDERSTATE_ZENABLE, 0);
      set(D3DRENDERSTATE_ZWRITEENABLE, 0);
      break;
    case 0x10:
      set(D3DRENDERSTATE_ZENABLE, 1);
      set(D3DRENDERSTATE_ZWRITEENABLE, 0);
      set(D3DRENDERSTATE_ZFUNC, D3DCMP_GREATEREQUAL);
      break;
    case 0x20:
      set(D3DRENDERSTATE_ZENABLE, 1);
      set(D3DRENDERSTATE_ZWRITEENABLE, 1);
      set(D3DRENDERSTATE_ZFUNC, D3DCMP_ALWAYS);
      break;
    case 0x30:
      set(D3DRENDERSTATE_ZENABLE, 1);
      set(D3DRENDERSTATE_ZWRITEENABLE, 1);
      set(D3DRENDERSTATE_ZFUNC, D3DCMP_GREATEREQUAL);
      break;
    default: break;
  }
  switch (flags & 0xF00) {
    case 0x000:
      set(D3DRENDERSTATE_BLENDENABLE, 0);
      set(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
      set(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ZERO);
      break;
    case 0x100:
      set(D3DRENDERSTATE_BLENDENABLE, 1);
      set(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
      set(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
      break;
    case 0x200:
      set(D3DRENDERSTATE_BLENDENABLE, 1);
      set(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
      set(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
      break;
    default: break;
  }
  RenderMode = flags;
}
