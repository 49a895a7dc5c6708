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
  using U = std::vector<uint32_t>;
  auto colours = [v] { return U{v[0].Color, v[1].Color, v[2].Color, v[3].Color}; };
  EXPECT_EQ(U(4, 0x80FF0000u), colours());
  for (int i = 0; i < 4; ++i)
    EXPECT_TRUE(!v[i].Specular && v[i].x == 0 && v[i].y == 0 && v[i].z == 0 && v[i].rhw == 0 && v[i].u == 0 && v[i].v == 0);
  v[1].Color = 0x12345678;
  driver->SetColor(0, 0, 255, 255);
  v[2].Color = 0x12345678;
  driver->SetRenderMode(0);  // flat: the current colour everywhere
  EXPECT_EQ(U(4, 0xFF0000FFu), colours());
  driver->SetRenderMode(2);  // decal: white
  EXPECT_EQ(U(4, 0xFFFFFFFFu), colours());
  driver->SetColor(1, 2, 3, 4);
  EXPECT_EQ(U(4, 0x04010203u), colours());
  v[3].Color = 0xFF00FF00;
  driver->SetRenderMode(1);
  EXPECT_EQ(0xFF00FF00u, v[3].Color) << "Gouraud keeps what the caller wrote";
  sColor c = {9, 8, 7, 6};
  driver->SetColor(&c);
  EXPECT_EQ(0x06090807u, v[0].Color);
}
TEST_F(Display3DTest, RenderModeWordsSetTheDeviceStates) {
  Open3D(64, 48, Kind0565, true);
  driver->Begin3D(nullptr);
  const uint32_t which[] = {D3DRENDERSTATE_SHADEMODE,   D3DRENDERSTATE_TEXTUREMAPBLEND, D3DRENDERSTATE_ZENABLE,
                            D3DRENDERSTATE_ZWRITEENABLE, D3DRENDERSTATE_ZFUNC,           D3DRENDERSTATE_BLENDENABLE,
                            D3DRENDERSTATE_SRCBLEND,     D3DRENDERSTATE_DESTBLEND};
  const struct {
    uint32_t word;
    bool linear;  // the filter turns linear with textured shading 4 and stays so
    std::vector<uint32_t> states;
  } cases[] = {
      // Decal flat texturing, Z test and write, alpha blending.
      {0x132, false, {D3DSHADE_FLAT, D3DTBLEND_DECAL, 1, 1, D3DCMP_GREATEREQUAL, 1, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA}},
      // Gouraud modulate, Z test only, additive.
      {0x213, false, {D3DSHADE_GOURAUD, D3DTBLEND_MODULATE, 1, 0, D3DCMP_GREATEREQUAL, 1, D3DBLEND_ONE, D3DBLEND_ONE}},
      // Z write with always; untextured shading leaves the texture blend.
      {0x020, false, {D3DSHADE_FLAT, D3DTBLEND_MODULATE, 1, 1, D3DCMP_ALWAYS, 0, D3DBLEND_ONE, D3DBLEND_ZERO}},
      {0x134, true, {D3DSHADE_FLAT, D3DTBLEND_DECAL, 1, 1, D3DCMP_GREATEREQUAL, 1, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA}},
      // Unknown fields change nothing.
      {0x3F6, true, {D3DSHADE_FLAT, D3DTBLEND_DECAL, 1, 1, D3DCMP_GREATEREQUAL, 1, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA}},
      {0x002, true, {D3DSHADE_FLAT, D3DTBLEND_DECAL, 0, 0, D3DCMP_GREATEREQUAL, 0, D3DBLEND_ONE, D3DBLEND_ZERO}},
  };
  for (const auto& c : cases) {
    driver->SetRenderMode(c.word);
    EXPECT_EQ(c.linear, State(D3DRENDERSTATE_TEXTUREMAG) == D3DFILTER_LINEAR) << c.word;
    std::vector<uint32_t> got;
    for (uint32_t s : which) got.push_back(State(s));
    EXPECT_EQ(c.states, got) << std::hex << c.word;
  }
  driver->End3D();
}
TEST_F(Display3DTest, TextureHandlesAndTheAssertions) {
  Open3D(64, 48, Kind0565, false);
  sTexture t;
  AddTexture(t, 2, 2, Kind0565, Texture3D);
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
// Strips and fans of the vertices that exist, texels from the texture's
// bitmap, the red byte as a palette index.
TEST_F(Display3DTest, DrawsStripsFansTexturesAndPaletteIndices) {
  Open3D(640, 480, Kind0565, false);
  sTexture t;
  AddTexture(t, 4, 4, Kind0565, Texture3D);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) t.Bitmap->SetPixel(static_cast<uint32_t>((x * 64) << 8 | (y * 16) << 5 | (x + 4 * y)), x, y, 0);
  driver->LoadTextures(&mode);
  driver->UploadTextures();
  driver->FillRect(0x0841, 0, 0, 640, 480);
  driver->Begin3D(nullptr);
  driver->AllocVertices(4);
  driver->SetRenderMode(1);
  sVertex* v = driver->GetVertices(4);
  Quad(100, 10, 131, 20);  // red 0 at x = 100 to red 248 at x = 131: pixel 100 + i gets red 8 i
  v[0].Color = v[2].Color = 0xFF000000;
  v[1].Color = v[3].Color = 0xFFF80000;
  driver->DrawStrip(4);
  EXPECT_EQ((std::vector<int>{0x0841, 0, 8 << 8, 240 << 8, 0x0841}), At16s({{99, 15}, {100, 15}, {101, 15}, {130, 15}, {131, 15}}));
  driver->SetColor(0, 255, 0, 255);  // a flat fan: one colour, the current one
  driver->SetRenderMode(0);
  const float fx[4] = {300, 340, 340, 300}, fy[4] = {200, 200, 240, 240};
  for (int i = 0; i < 4; ++i) v[i].x = fx[i], v[i].y = fy[i];
  driver->DrawFan(4);
  driver->DrawFan(100);  // more vertices than allocated draws only those that exist
  EXPECT_EQ((std::vector<int>{0x07E0, 0x07E0, 0x0841}), At16s({{300, 200}, {339, 239}, {340, 239}}));
  driver->SetTexture(&t);
  driver->SetRenderMode(2);  // decal, nearest
  Quad(9.5f, 19.5f, 17.5f, 27.5f);  // twice magnified, texel centres between samples
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) ASSERT_EQ(t.Bitmap->GetPixel(x / 2, y / 2, 0), At16(10 + x, 20 + y)) << x << "," << y;
  driver->End3D();
  driver->Present();
  driver->ReleaseTextures();
  driver.reset();
  Open3D(320, 200, KindIndex8, false);
  driver->Begin3D(nullptr);
  driver->AllocVertices(4);
  driver->SetColor(37, 0, 0, 255);
  driver->SetRenderMode(1);
  Quad(10, 10, 20, 20);
  driver->End3D();
  EXPECT_EQ((std::vector<int>{37, 0}), At8s({{15, 15}, {20, 15}}));
}
// Begin3D clears the depth of its area, all of it without one.
TEST_F(Display3DTest, Begin3DClearsTheDepthOfItsArea) {
  Open3D(320, 240, Kind8888, true);
  const sRect left{0, 0, 50, 100};
  const struct {
    const sRect* area;
    uint8_t r, g, b;
    float z;
  } scenes[] = {{nullptr, 255, 255, 255, 0.9f}, {&left, 255, 0, 0, 0.1f}, {nullptr, 0, 0, 255, 0.1f}};
  std::vector<uint32_t> seen;
  for (const auto& s : scenes) {
    driver->Begin3D(s.area);
    driver->AllocVertices(4);
    driver->SetRenderMode(0x30);
    driver->SetColor(s.r, s.g, s.b, 255);
    Quad(0, 0, 100, 100, s.z);  // the far quads draw only where the depth was cleared
    driver->End3D();
    for (auto [x, y] : {std::pair{10, 10}, {49, 98}, {50, 10}, {90, 90}}) seen.push_back(At32(x, y));
  }
  const uint32_t white = 0xFFFFFFFF, red = 0xFFFF0000, blue = 0xFF0000FF;
  EXPECT_EQ((std::vector<uint32_t>{white, white, white, white, red, red, white, white, blue, blue, blue, blue}), seen);
}
// The device under the driver called directly: scenes, refusals, the default
// cull mode and what texture handles name.
TEST_F(Display3DTest, DeviceScenesRefusalsStatesAndHandles) {
  Open3D(320, 200, Kind0565, false);
  D3DDevice* d = DD().Device;
  auto draw = [d](float x0, float y0, float x1, float y1, uint32_t color, uint32_t type = D3DPT_TRIANGLESTRIP,
                  uint32_t vertexType = D3DVT_TLVERTEX) {
    sVertex q[4] = {{x0, y0, 0.5f, 1, color, 0, 0, 0}, {x0, y1, 0.5f, 1, color, 0, 0, 1},
                    {x1, y0, 0.5f, 1, color, 0, 1, 0}, {x1, y1, 0.5f, 1, color, 0, 1, 1}};  // counter-clockwise
    return d->DrawPrimitive(type, vertexType, q, type == D3DPT_TRIANGLEFAN ? 3 : 4,
                            D3DDP_WAIT | D3DDP_DONOTCLIP | D3DDP_DONOTUPDATEEXTENTS);
  };
  EXPECT_EQ((std::vector<DDResult>{D3DERR_SCENE_NOT_IN_SCENE, D3DERR_SCENE_NOT_IN_SCENE, DD_OK, D3DERR_SCENE_IN_SCENE}),
            (std::vector<DDResult>{draw(0, 0, 8, 8, 0xFFFFFFFF), d->EndScene(), d->BeginScene(), d->BeginScene()}));
  // Left at 0, the cull mode drops counter-clockwise triangles.
  EXPECT_EQ(DD_OK, draw(0, 0, 8, 8, 0xFFFFFFFF, D3DPT_TRIANGLEFAN));
  EXPECT_EQ(0, At16(1, 1));
  d->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
  EXPECT_EQ(DD_OK, draw(0, 0, 8, 8, 0xFFFF0000));
  EXPECT_EQ((std::vector<int>{0xF800, 0}), At16s({{1, 1}, {8, 8}}));
  // Wrong vertex or primitive type, and a locked target, draw nothing.
  sBitmap locked;
  EXPECT_EQ(D3DERR_INVALIDVERTEXTYPE, draw(20, 20, 30, 30, 0xFFFFFFFF, D3DPT_TRIANGLESTRIP, 1));
  EXPECT_EQ(D3DERR_INVALIDPRIMITIVETYPE, draw(20, 20, 30, 30, 0xFFFFFFFF, 2));
  driver->Lock(&locked);
  EXPECT_EQ(DDERR_SURFACEBUSY, draw(20, 20, 30, 30, 0xFFFFFFFF, D3DPT_TRIANGLEFAN));
  driver->Unlock();
  const int before = At16(21, 21);
  EXPECT_EQ((std::vector<DDResult>{DD_OK, DD_OK}),
            (std::vector<DDResult>{draw(20, 20, 30, 30, 0xFFFFFFFF, D3DPT_TRIANGLEFAN), d->EndScene()}));
  EXPECT_EQ((std::vector<int>{0, 0xFFFF}), (std::vector<int>{before, At16(21, 21)}));
  // A handle is asked for twice alike; a plain surface is not a texture; once
  // the surface is gone its handle names nothing and draws untextured.
  sTexture t;
  AddTexture(t, 2, 2, Kind0565, Texture3D);
  t.Bitmap->Clear(0x07E0);
  driver->LoadTextures(&mode);
  driver->UploadTextures();
  D3DTexture *again = nullptr, *plain = nullptr;
  ASSERT_EQ(DD_OK, QueryTexture(t.VideoSurface, &again));
  uint32_t handle = 0;
  EXPECT_EQ(DD_OK, again->GetHandle(d, &handle));
  EXPECT_TRUE(handle != 0 && handle == t.Handle);
  again->Release();
  EXPECT_EQ(DDERR_INVALIDPARAMS, QueryTexture(driver->BackBufferSurface(), &plain));
  ASSERT_EQ(DD_OK, d->BeginScene());
  d->SetRenderState(D3DRENDERSTATE_TEXTUREHANDLE, handle);
  d->SetRenderState(D3DRENDERSTATE_TEXTUREMAPBLEND, D3DTBLEND_DECAL);
  draw(70, 10, 74, 14, 0xFF0000FF);
  driver->ReleaseTextures();
  draw(80, 10, 84, 14, 0xFF0000FF);
  EXPECT_EQ((std::vector<int>{0x07E0, 0x001F}), At16s({{71, 11}, {81, 11}}));
  EXPECT_EQ(DD_OK, d->EndScene());
}
}  // namespace
