// The Direct3D stand-in's device drawing into DirectDraw surfaces: scenes,
// render states, the attached Z-buffer and texture handles.
#include "platform/d3d.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace platform;

struct TL {
  float x, y, z, rhw;
  uint32_t color, specular;
  float u, v;
};

// A 320 x 200 0565 screen with one back buffer, a Z-buffer and a device.
struct Screen {
  DirectDraw* dd = nullptr;
  DDSurface* primary = nullptr;
  DDSurface* back = nullptr;
  DDSurface* zbuffer = nullptr;
  Direct3D* d3d = nullptr;
  D3DDevice* device = nullptr;

  explicit Screen(int zbits) {
    ClearDisplayFaults();
    EXPECT_EQ(DirectDrawCreate(&dd), DD_OK);
    DDPixelFormat f = Format0565();
    EXPECT_EQ(dd->SetDisplayMode(320, 200, 16, &f), DD_OK);
    DDSurfaceDesc desc;
    desc.flags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.caps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE;
    desc.backBufferCount = 1;
    EXPECT_EQ(dd->CreateSurface(desc, &primary), DD_OK);
    EXPECT_EQ(primary->GetAttachedBackBuffer(&back), DD_OK);
    if (zbits) {
      DDSurfaceDesc z;
      z.flags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_ZBUFFERBITDEPTH;
      z.caps = DDSCAPS_ZBUFFER;
      z.width = 320;
      z.height = 200;
      z.zBufferBitDepth = zbits;
      EXPECT_EQ(dd->CreateSurface(z, &zbuffer), DD_OK);
      EXPECT_EQ(back->AddAttachedSurface(zbuffer), DD_OK);
      EXPECT_EQ(zbuffer->DepthFill(nullptr, 0), DD_OK);
    }
    EXPECT_EQ(QueryDirect3D(dd, &d3d), DD_OK);
    EXPECT_EQ(d3d->CreateDevice(D3DDeviceType::Hal, back, &device), DD_OK);
  }
  ~Screen() {
    if (device) device->Release();
    if (d3d) d3d->Release();
    if (zbuffer) zbuffer->Release();
    if (back) back->Release();
    if (primary) primary->Release();
    if (dd) dd->Release();
  }
  uint16_t At(int x, int y) const {
    uint16_t v;
    std::memcpy(&v, back->Memory() + y * back->Pitch() + x * 2, 2);
    return v;
  }
  DDResult Quad(float x0, float y0, float x1, float y1, uint32_t color, float z = 0.5f) {
    TL q[4] = {{x0, y0, z, 1, color, 0, 0, 0}, {x1, y0, z, 1, color, 0, 1, 0},
               {x0, y1, z, 1, color, 0, 0, 1}, {x1, y1, z, 1, color, 0, 1, 1}};
    return device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DVT_TLVERTEX, q, 4,
                                 D3DDP_WAIT | D3DDP_DONOTCLIP | D3DDP_DONOTUPDATEEXTENTS);
  }
};

TEST(RasterDevice, DrawsOnlyInsideAScene) {
  Screen s(0);
  s.device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
  EXPECT_EQ(s.Quad(0, 0, 8, 8, 0xFFFFFFFF), D3DERR_SCENE_NOT_IN_SCENE);
  EXPECT_EQ(s.At(1, 1), 0u);
  EXPECT_EQ(s.device->EndScene(), D3DERR_SCENE_NOT_IN_SCENE);
  EXPECT_EQ(s.device->BeginScene(), DD_OK);
  EXPECT_EQ(s.device->BeginScene(), D3DERR_SCENE_IN_SCENE);
  EXPECT_EQ(s.Quad(0, 0, 8, 8, 0xFFFF0000), DD_OK);
  EXPECT_EQ(s.At(1, 1), 0xF800u);
  EXPECT_EQ(s.At(8, 8), 0u);
  EXPECT_EQ(s.device->EndScene(), DD_OK);

  // Wrong vertex or primitive type, and a locked target, draw nothing.
  EXPECT_EQ(s.device->BeginScene(), DD_OK);
  TL v[3] = {{20, 20, 0.5f, 1, 0xFFFFFFFF, 0, 0, 0}, {30, 20, 0.5f, 1, 0xFFFFFFFF, 0, 0, 0},
             {20, 30, 0.5f, 1, 0xFFFFFFFF, 0, 0, 0}};
  EXPECT_EQ(s.device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 1, v, 3, 0), D3DERR_INVALIDVERTEXTYPE);
  EXPECT_EQ(s.device->DrawPrimitive(2, D3DVT_TLVERTEX, v, 3, 0), D3DERR_INVALIDPRIMITIVETYPE);
  uint8_t* p;
  int pitch;
  ASSERT_EQ(s.back->Lock(&p, &pitch, 0), DD_OK);
  EXPECT_EQ(s.device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DVT_TLVERTEX, v, 3, 0), DDERR_SURFACEBUSY);
  s.back->Unlock();
  EXPECT_EQ(s.At(21, 21), 0u);
  EXPECT_EQ(s.device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DVT_TLVERTEX, v, 3, 0), DD_OK);
  EXPECT_EQ(s.At(21, 21), 0xFFFFu);
}

TEST(RasterDevice, RenderStatesReachTheRasterizer) {
  Screen s(16);
  ASSERT_EQ(s.device->BeginScene(), DD_OK);
  // Left at 0, the cull mode is the platform's default: counter-clockwise
  // triangles are dropped. This strip is counter-clockwise on the screen.
  TL ccw[3] = {{0, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0, 0}, {0, 8, 0.5f, 1, 0xFFFFFFFF, 0, 0, 0},
               {8, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0, 0}};
  s.device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DVT_TLVERTEX, ccw, 3, 0);
  EXPECT_EQ(s.At(1, 1), 0u);
  s.device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
  s.device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DVT_TLVERTEX, ccw, 3, 0);
  EXPECT_EQ(s.At(1, 1), 0xFFFFu);

  // Z test and write with greater-or-equal: the nearer quad stays in front.
  s.device->SetRenderState(D3DRENDERSTATE_ZENABLE, 1);
  s.device->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, 1);
  s.device->SetRenderState(D3DRENDERSTATE_ZFUNC, D3DCMP_GREATEREQUAL);
  s.Quad(10, 10, 30, 30, 0xFF0000FF, 0.8f);
  s.Quad(20, 10, 40, 30, 0xFF00FF00, 0.3f);
  EXPECT_EQ(s.At(25, 15), 0x001Fu);
  EXPECT_EQ(s.At(35, 15), 0x07E0u);

  // Additive blending.
  s.device->SetRenderState(D3DRENDERSTATE_ZENABLE, 0);
  s.device->SetRenderState(D3DRENDERSTATE_BLENDENABLE, 1);
  s.device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
  s.device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
  s.Quad(10, 10, 40, 30, 0xFFFF0000);
  EXPECT_EQ(s.At(25, 15), 0xF81Fu);
  EXPECT_EQ(s.device->EndScene(), DD_OK);
}

TEST(RasterDevice, TextureHandlesNameLoadedSurfaces) {
  Screen s(0);
  DDSurfaceDesc desc;
  desc.flags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
  desc.width = 2;
  desc.height = 2;
  desc.format = Format0565();
  desc.caps = DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY;
  DDSurface *system = nullptr, *video = nullptr;
  ASSERT_EQ(s.dd->CreateSurface(desc, &system), DD_OK);
  desc.caps = DDSCAPS_TEXTURE | DDSCAPS_VIDEOMEMORY | DDSCAPS_ALLOCONLOAD;
  ASSERT_EQ(s.dd->CreateSurface(desc, &video), DD_OK);
  uint8_t* p;
  int pitch;
  ASSERT_EQ(system->Lock(&p, &pitch, 0), DD_OK);
  const uint16_t texels[4] = {0xF800, 0x07E0, 0x001F, 0xFFFF};
  std::memcpy(p, texels, 4);
  std::memcpy(p + pitch, texels + 2, 4);
  system->Unlock();

  D3DTexture *from = nullptr, *to = nullptr;
  ASSERT_EQ(QueryTexture(system, &from), DD_OK);
  ASSERT_EQ(QueryTexture(video, &to), DD_OK);
  D3DTexture* plain = nullptr;
  EXPECT_EQ(QueryTexture(s.back, &plain), DDERR_INVALIDPARAMS);  // not a texture surface
  ASSERT_EQ(to->Load(from), DD_OK);
  uint32_t handle = 0, again = 0;
  ASSERT_EQ(to->GetHandle(s.device, &handle), DD_OK);
  EXPECT_NE(handle, 0u);
  EXPECT_EQ(to->GetHandle(s.device, &again), DD_OK);
  EXPECT_EQ(again, handle);
  from->Release();
  to->Release();  // the handle lives with the surface

  ASSERT_EQ(s.device->BeginScene(), DD_OK);
  s.device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
  s.device->SetRenderState(D3DRENDERSTATE_TEXTUREHANDLE, handle);
  s.device->SetRenderState(D3DRENDERSTATE_TEXTUREMAPBLEND, D3DTBLEND_DECAL);
  s.Quad(-0.5f, -0.5f, 3.5f, 3.5f, 0xFF000000);
  EXPECT_EQ(s.At(0, 0), 0xF800u);
  EXPECT_EQ(s.At(3, 0), 0x07E0u);
  EXPECT_EQ(s.At(1, 3), 0x001Fu);
  EXPECT_EQ(s.At(2, 2), 0xFFFFu);

  // Once the surface is gone its handle names nothing: drawn untextured.
  video->Release();
  system->Release();
  s.Quad(10, 10, 14, 14, 0xFF0000FF);
  EXPECT_EQ(s.At(11, 11), 0x001Fu);
  EXPECT_EQ(s.device->EndScene(), DD_OK);
}

}  // namespace
