// The display's Direct3D slots. The vertex array, the current colour, texture
// and render mode are kept here; scenes and triangle drawing do nothing until
// the software rasterizer arrives (Begin3D, End3D, DrawStrip, DrawFan).
#include <cstring>

#include "framework/system/driver.h"
#include "framework/system/driver_state.h"
#include "framework/system/fatal.h"

using namespace platform;

namespace {
const char* const Source = "system";
}

void sWinDriver::Begin3D(const sRect*) {}
void sWinDriver::End3D() {}
void sWinDriver::DrawStrip(int) {}
void sWinDriver::DrawFan(int) {}

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
  // Render states reach the device with the rasterizer; the vertex colours
  // follow the shading field now.
  const uint32_t shading = flags & 15;
  if (shading == 0) SetColor(&CurrentColor);
  if (shading == 2 || shading == 4)
    for (int i = 0; i < VertexCount && Vertices; ++i) Vertices[i].Color = 0xFFFFFFFFu;
  if (DD().Device && shading <= 5) {
    DD().Device->SetRenderState(D3DRENDERSTATE_SHADEMODE, (shading & 1) ? D3DSHADE_GOURAUD : D3DSHADE_FLAT);
    DD().Device->SetRenderState(D3DRENDERSTATE_TEXTUREHANDLE, shading >= 2 ? TextureHandle : 0);
  }
  RenderMode = flags;
}
