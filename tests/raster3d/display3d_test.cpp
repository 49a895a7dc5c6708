// The display's Direct3D slots on the software device: vertex colours,
// render-mode words, texture handles, assertions, and pictures drawn through
// Begin3D, DrawStrip and DrawFan.
#include "framework/system/driver_state.h"
#include "tests/display/fixture.h"

namespace {

using namespace platform;

class Display3DTest : public DisplayTest {
protected:
  sWinDriver& Open3D(int width, int height, int kind, bool zbuffer) {
    Start();
    mode = sDisplayMode(width, height, kind);
    mode.Use3D = true;
    mode.ZBuffer = zbuffer;
    driver->SetDisplayMode(&mode);
    return *driver;
  }
  uint32_t State(uint32_t s) const { return DD().Device->RenderState(s); }
  // A quad as a strip of the first four vertices.
  void Quad(float x0, float y0, float x1, float y1, float z = 0.5f) {
    sVertex* v = driver->GetVertices(4);
    const float xs[4] = {x0, x1, x0, x1}, ys[4] = {y0, y0, y1, y1}, us[4] = {0, 1, 0, 1}, vs[4] = {0, 0, 1, 1};
    for (int i = 0; i < 4; ++i) {
      v[i].x = xs[i], v[i].y = ys[i], v[i].z = z, v[i].rhw = 1;
      v[i].u = us[i], v[i].v = vs[i];
    }
    driver->DrawStrip(4);
  }
};

TEST_F(Display3DTest, VertexColoursFollowSetColorAndTheShading) {
  Open3D(64, 48, Kind0565, false);
  driver->SetColor(255, 0, 0, 128);
  sVertex* v = driver->AllocVertices(4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(0x80FF0000u, v[i].Color);
    EXPECT_EQ(0u, v[i].Specular);
    EXPECT_TRUE(v[i].x == 0 && v[i].y == 0 && v[i].z == 0 && v[i].rhw == 0 && v[i].u == 0 && v[i].v == 0);
  }
  v[1].Color = 0x12345678;
  driver->SetColor(0, 0, 255, 255);
  v[2].Color = 0x12345678;
  driver->SetRenderMode(0);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(0xFF0000FFu, v[i].Color);
  driver->SetRenderMode(2);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(0xFFFFFFFFu, v[i].Color);
  driver->SetColor(1, 2, 3, 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(0x04010203u, v[i].Color);
  // Gouraud keeps what the caller wrote.
  v[3].Color = 0xFF00FF00;
  driver->SetRenderMode(1);
  EXPECT_EQ(0xFF00FF00u, v[3].Color);
  sColor c = {9, 8, 7, 6};
  driver->SetColor(&c);
  EXPECT_EQ(0x06090807u, v[0].Color);
}

TEST_F(Display3DTest, RenderModeWordsSetTheDeviceStates) {
  Open3D(64, 48, Kind0565, true);
  driver->Begin3D(nullptr);
  driver->SetRenderMode(0x132);  // decal flat texturing, Z test and write, alpha blending
  EXPECT_EQ(D3DSHADE_FLAT, State(D3DRENDERSTATE_SHADEMODE));
  EXPECT_EQ(D3DTBLEND_DECAL, State(D3DRENDERSTATE_TEXTUREMAPBLEND));
  EXPECT_EQ(1u, State(D3DRENDERSTATE_ZENABLE));
  EXPECT_EQ(1u, State(D3DRENDERSTATE_ZWRITEENABLE));
  EXPECT_EQ(D3DCMP_GREATEREQUAL, State(D3DRENDERSTATE_ZFUNC));
  EXPECT_EQ(1u, State(D3DRENDERSTATE_BLENDENABLE));
  EXPECT_EQ(D3DBLEND_SRCALPHA, State(D3DRENDERSTATE_SRCBLEND));
  EXPECT_EQ(D3DBLEND_INVSRCALPHA, State(D3DRENDERSTATE_DESTBLEND));

  driver->SetRenderMode(0x213);  // Gouraud modulate, Z test only, additive
  EXPECT_EQ(D3DSHADE_GOURAUD, State(D3DRENDERSTATE_SHADEMODE));
  EXPECT_EQ(D3DTBLEND_MODULATE, State(D3DRENDERSTATE_TEXTUREMAPBLEND));
  EXPECT_EQ(0u, State(D3DRENDERSTATE_ZWRITEENABLE));
  EXPECT_EQ(D3DBLEND_ONE, State(D3DRENDERSTATE_SRCBLEND));
  EXPECT_EQ(D3DBLEND_ONE, State(D3DRENDERSTATE_DESTBLEND));

  driver->SetRenderMode(0x020);  // Z write with always
  EXPECT_EQ(D3DCMP_ALWAYS, State(D3DRENDERSTATE_ZFUNC));
  EXPECT_EQ(0u, State(D3DRENDERSTATE_BLENDENABLE));
  EXPECT_EQ(D3DBLEND_ZERO, State(D3DRENDERSTATE_DESTBLEND));

  // Unknown fields change nothing; the filter stays linear once set.
  EXPECT_NE(D3DFILTER_LINEAR, State(D3DRENDERSTATE_TEXTUREMAG));
  driver->SetRenderMode(0x134);
  EXPECT_EQ(D3DFILTER_LINEAR, State(D3DRENDERSTATE_TEXTUREMAG));
  driver->SetRenderMode(0x3F6);
  EXPECT_EQ(D3DSHADE_FLAT, State(D3DRENDERSTATE_SHADEMODE));
  EXPECT_EQ(1u, State(D3DRENDERSTATE_ZENABLE));
  EXPECT_EQ(1u, State(D3DRENDERSTATE_BLENDENABLE));
  driver->SetRenderMode(2);
  EXPECT_EQ(D3DFILTER_LINEAR, State(D3DRENDERSTATE_TEXTUREMAG));
  driver->End3D();
}

TEST_F(Display3DTest, TextureHandlesAndTheAssertions) {
  Open3D(64, 48, Kind0565, false);
  sTexture t;
  t.Bitmap = new sBitmap;
  t.Bitmap->Create(2, 2, Kind0565, 1);
  t.Usage = Texture3D;
  driver->AddTexture(&t);
  driver->LoadTextures(&mode);
  driver->UploadTextures();
  ASSERT_NE(0u, t.Handle);

  driver->Begin3D(nullptr);
  EXPECT_EQ(0u, State(D3DRENDERSTATE_TEXTUREHANDLE));
  driver->SetTexture(&t);  // untextured shading: waits for the next render mode
  EXPECT_EQ(0u, State(D3DRENDERSTATE_TEXTUREHANDLE));
  driver->SetRenderMode(3);
  EXPECT_EQ(t.Handle, State(D3DRENDERSTATE_TEXTUREHANDLE));
  driver->SetTexture(nullptr);
  driver->SetRenderMode(4);
  EXPECT_EQ(0u, State(D3DRENDERSTATE_TEXTUREHANDLE));
  driver->SetTexture(&t);  // textured shading 4: at once
  EXPECT_EQ(t.Handle, State(D3DRENDERSTATE_TEXTUREHANDLE));
  driver->End3D();

  sTexture surface;
  surface.Usage = TextureSurface;
  EXPECT_FATAL(driver->SetTexture(&surface), "Assertion in line 2760, file system");
  driver->AllocVertices(0);
  EXPECT_FATAL(driver->GetVertices(1), "Assertion in line 2656, file system");
  driver->AllocVertices(3);
  EXPECT_NE(nullptr, driver->GetVertices(3));
  EXPECT_FATAL(driver->GetVertices(4), "Assertion in line 2657, file system");
  driver->ReleaseTextures();
}

TEST_F(Display3DTest, DrawsGouraudStripsAndFansIntoTheBackBuffer) {
  Open3D(640, 480, Kind0565, false);
  driver->FillRect(0x0841, 0, 0, 640, 480);
  driver->Begin3D(nullptr);
  driver->AllocVertices(4);
  driver->SetRenderMode(1);
  sVertex* v = driver->GetVertices(4);
  // Red 0 at x = 100 to red 248 at x = 131: pixel 100 + i gets red 8 i.
  Quad(100, 10, 131, 20);
  v[0].Color = v[2].Color = 0xFF000000;
  v[1].Color = v[3].Color = 0xFFF80000;
  driver->DrawStrip(4);
  for (int i = 0; i < 31; ++i) EXPECT_EQ(((8 * i) & 0xF8) << 8, At16(100 + i, 15)) << i;
  EXPECT_EQ(0x0841, At16(131, 15)) << "the right edge is not drawn";
  EXPECT_EQ(0x0841, At16(99, 15));

  // A flat fan: one colour, the current one.
  driver->SetColor(0, 255, 0, 255);
  driver->SetRenderMode(0);
  v = driver->GetVertices(4);
  const float fx[4] = {300, 340, 340, 300}, fy[4] = {200, 200, 240, 240};
  for (int i = 0; i < 4; ++i) v[i].x = fx[i], v[i].y = fy[i];
  driver->DrawFan(4);
  EXPECT_EQ(0x07E0, At16(300, 200));
  EXPECT_EQ(0x07E0, At16(339, 239));
  EXPECT_EQ(0x0841, At16(340, 239));
  // More vertices than allocated draws only those that exist.
  driver->DrawFan(100);
  driver->End3D();
  driver->Present();
}

TEST_F(Display3DTest, ZBufferKeepsTheNearerQuadAndIsClearedPerScene) {
  Open3D(320, 240, Kind8888, true);
  for (int frame = 0; frame < 2; ++frame) {
    driver->Begin3D(nullptr);
    driver->AllocVertices(4);
    driver->SetRenderMode(0x30);
    // Frame 1 draws the far quad first: the cleared buffer lets it in.
    const bool nearFirst = frame == 0;
    for (int pass = 0; pass < 2; ++pass) {
      const bool nearQuad = (pass == 0) == nearFirst;
      driver->SetColor(nearQuad ? 255 : 0, 0, nearQuad ? 0 : 255, 255);
      if (nearQuad) Quad(10, 10, 50, 50, 0.9f);
      else Quad(30, 10, 70, 50, 0.2f);
    }
    driver->End3D();
    auto at = [&](int x, int y) {
      uint32_t p;
      std::memcpy(&p, Row(y) + 4 * x, 4);
      return p;
    };
    EXPECT_EQ(0xFFFF0000u, at(40, 20)) << frame;
    EXPECT_EQ(0xFF0000FFu, at(60, 20)) << frame;
    driver->Present();
  }
}

TEST_F(Display3DTest, Begin3DClearsTheDepthOfItsAreaOnly) {
  Open3D(320, 240, Kind8888, true);
  auto at = [&](int x, int y) {
    uint32_t p;
    std::memcpy(&p, Row(y) + 4 * x, 4);
    return p;
  };
  driver->Begin3D(nullptr);
  driver->AllocVertices(4);
  driver->SetRenderMode(0x30);
  Quad(0, 0, 100, 100, 0.9f);  // white and near everywhere in 0..99
  driver->End3D();
  const sRect left{0, 0, 50, 100};
  driver->Begin3D(&left);
  driver->SetRenderMode(0x30);
  driver->SetColor(255, 0, 0, 255);
  Quad(0, 0, 100, 100, 0.1f);  // far: only where the depth was cleared
  driver->End3D();
  EXPECT_EQ(0xFFFF0000u, at(10, 10));
  EXPECT_EQ(0xFFFF0000u, at(49, 99 - 1));
  EXPECT_EQ(0xFFFFFFFFu, at(50, 10));
  EXPECT_EQ(0xFFFFFFFFu, at(90, 90));
}

TEST_F(Display3DTest, TexturedQuadShowsTheTexelsAndBlendsBySourceAlpha) {
  Open3D(640, 480, Kind0565, false);
  sTexture t;
  t.Bitmap = new sBitmap;
  t.Bitmap->Create(4, 4, Kind0565, 1);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      const uint16_t texel = static_cast<uint16_t>((x * 64) << 8 | (y * 16) << 5 | (x + 4 * y));
      std::memcpy(t.Bitmap->Pixels[0] + t.Bitmap->Pitch[0] * y + 2 * x, &texel, 2);
    }
  t.Usage = Texture3D;
  driver->AddTexture(&t);
  driver->LoadTextures(&mode);
  driver->UploadTextures();
  driver->FillRect(0, 0, 0, 640, 480);
  driver->Begin3D(nullptr);
  driver->AllocVertices(4);
  driver->SetTexture(&t);
  driver->SetRenderMode(2);  // decal, nearest
  Quad(9.5f, 19.5f, 17.5f, 27.5f);  // twice magnified, texel centres between samples
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      uint16_t want;
      std::memcpy(&want, t.Bitmap->Pixels[0] + t.Bitmap->Pitch[0] * (y / 2) + 2 * (x / 2), 2);
      ASSERT_EQ(want, At16(10 + x, 20 + y)) << x << "," << y;
    }

  // Untextured alpha blending of white at alpha 128 over black.
  driver->SetRenderMode(0x100);
  driver->SetColor(255, 255, 255, 128);
  Quad(100, 100, 104, 104);
  EXPECT_EQ((128 & 0xF8) << 8 | (128 & 0xFC) << 3 | 128 >> 3, At16(101, 101));
  driver->End3D();
  driver->ReleaseTextures();
}

TEST_F(Display3DTest, PaletteScreensDrawFlatIndices) {
  Open3D(320, 200, KindIndex8, false);
  driver->Begin3D(nullptr);
  driver->AllocVertices(4);
  driver->SetColor(37, 0, 0, 255);  // the red byte is the palette index
  driver->SetRenderMode(1);
  Quad(10, 10, 20, 20);
  driver->End3D();
  EXPECT_EQ(37, At8(15, 15));
  EXPECT_EQ(0, At8(20, 15));
}

}  // namespace
