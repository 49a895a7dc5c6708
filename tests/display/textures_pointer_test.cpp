#include "tests/display/fixture.h"
using namespace platform;
namespace {
using TexturesTest = DisplayTest;
using PointerTest = DisplayTest;
using Ints = std::vector<int>;
TEST_F(TexturesTest, IndexedBitmapIsCopiedRowByRowAndBlitted) {
  Open(64, 48, KindIndex8);
  sTexture t;
  AddTexture(t, 20, 3, KindIndex8);
  for (int x = 0; x < 20; ++x) t.Bitmap->SetPixel(static_cast<uint32_t>(x + 1), x, 1, 0);
  EXPECT_EQ(1, driver->GetTextureCount());
  driver->LoadTextures(&mode);
  EXPECT_EQ((std::vector<int>{20, 3, 1, KindIndex8, 1}), (std::vector<int>{t.Width, t.Height, t.Levels, t.Kind, t.Loaded}));
  ASSERT_NE(nullptr, t.SystemSurface);
  EXPECT_EQ(nullptr, t.VideoSurface);
  const uint8_t* sys = t.SystemSurface->Memory() + t.SystemSurface->Pitch();
  for (int x = 0; x < 20; ++x) EXPECT_EQ(x + 1, sys[x]);
  driver->UploadTextures();
  ASSERT_NE(nullptr, t.VideoSurface);
  EXPECT_EQ(0, std::memcmp(sys, t.VideoSurface->Memory() + t.VideoSurface->Pitch(), 20));
  const sBlitRect area{2, 1, 50, 10, 20, 1};
  driver->SetClipRect(nullptr);
  driver->Blit(&t, &area);
  EXPECT_EQ((std::vector<int>{3, 16, 0}), At8s({{50, 10}, {63, 10}, {50, 11}})) << "clipped at the right edge";
  // Without clipping the same copy reaches past the screen: the blitter refuses it.
  driver->ClearClipRect();
  const sBlitRect past{0, 1, 50, 20, 20, 1};
  driver->Blit(&t, &past);
  EXPECT_EQ(0, At8(50, 20));
  const int surfaces = LiveSurfaceCount();
  driver->LoadTextures(&mode);
  EXPECT_EQ(surfaces - 1, LiveSurfaceCount()) << "a second load replaces the system copy and drops the video one";
  driver->UploadTextures();
  const DDSurface* video = t.VideoSurface;
  driver->UploadTextures();
  EXPECT_EQ(video, t.VideoSurface) << "a second upload keeps the video surface";
  driver->ReleaseTextures();
  EXPECT_TRUE(!t.Bitmap && !t.SystemSurface && !t.VideoSurface) << "the bitmap is deleted, even one the caller made";
  EXPECT_EQ(1, driver->GetTextureCount()) << "still registered";
  EXPECT_FATAL(driver->LoadTextures(&mode), "Assertion in line 1654, file system");
}
TEST_F(TexturesTest, ConversionsMemoryAndDroppedRecords) {
  const std::vector<DDModeInfo> modes = {{64, 48, FormatIndexed(1)}, {64, 48, FormatIndexed(8)}};
  SetDisplayModesForTest(&modes);
  Open(64, 48, KindIndex8);
  const int before = LiveSurfaceCount();
  {
    // As when a fatal error unwinds the show past its ReleaseTextures.
    sTexture t;
    AddTexture(t, 8, 8, KindIndex8);
    driver->LoadTextures(&mode);
    driver->UploadTextures();
    EXPECT_EQ(before + 2, LiveSurfaceCount());
    driver->RemoveTexture(&t);
    delete t.Bitmap;
  }
  EXPECT_EQ(before, LiveSurfaceCount()) << "a record dropped without release lets its surfaces go";
  sTexture grey, mono;
  AddTexture(grey, 2, 1, Kind0565);
  grey.Bitmap->SetPixel(0x8410, 0, 0, 0);  // (128, 128, 128)
  driver->LoadTextures(&mode);
  // A direct colour becomes the nearest grey; black is grey 1: entry 0 is never chosen.
  EXPECT_EQ((std::vector<int>{128, 1}), (std::vector<int>{grey.SystemSurface->Memory()[0], grey.SystemSurface->Memory()[1]}));
  driver->ReleaseTextures();
  driver->RemoveTexture(&grey);
  AddTexture(mono, 8, 8, KindMono);
  sDisplayMode monoMode = mode;
  monoMode.Kind = KindMono;
  driver->LoadTextures(&monoMode);
  EXPECT_TRUE(mono.Kind == KindMono && mono.SystemSurface);
  driver->UploadTextures();
  EXPECT_EQ(nullptr, mono.VideoSurface) << "a mono texture stays in system memory";
  driver->ReleaseTextures();
}
TEST_F(TexturesTest, NamedTexturesLoadTheirFile) {
  Open(64, 48, KindIndex8);
  // A 2 x 1 Index 8 image: header, size, rows, closing tag.
  const std::string name = testpaths::TempDir("textures") + "/t.scl";
  ASSERT_TRUE(testpaths::WriteFile(name, std::string("BMAP\x08\x02\x02\0\x01\0\x02\0\x07\x09" "bmap", 18)));
  sTexture t;
  t.Name = name.c_str();
  driver->AddTexture(&t);
  driver->LoadTextures(&mode);
  ASSERT_NE(nullptr, t.Bitmap);
  EXPECT_EQ((std::vector<int>{7, 9}), (std::vector<int>{t.SystemSurface->Memory()[0], t.SystemSurface->Memory()[1]}));
  driver->ReleaseTextures();
  driver->LoadTextures(&mode);
  EXPECT_NE(nullptr, t.Bitmap) << "reloaded from its name";
  driver->ReleaseTextures();
}
TEST_F(TexturesTest, SurfaceFailuresAndTheTextureList) {
  Open(64, 48, KindIndex8);
  sTexture a, b, c;
  for (sTexture* t : {&a, &b, &c}) AddTexture(*t, 4, 4, KindIndex8);
  EXPECT_EQ(0, driver->RemoveTexture(&a));
  EXPECT_TRUE(driver->GetTexture(0) == &c && driver->GetTexture(1) == &b) << "the last entry moves into the gap";
  EXPECT_FATAL(driver->RemoveTexture(&a), "Assertion in line 153, file display");
  EXPECT_FATAL(driver->GetTexture(2), "Assertion in line 163, file display");
  StartDirectDraw();  // the fatal path released it
  driver->AddTexture(&a);
  InjectDisplayFault(DDFault::CreateSurface);
  EXPECT_FATAL(driver->LoadTextures(&mode), "Assertion in line 1710, file system");
  StartDirectDraw();
  driver->LoadTextures(&mode);
  InjectDisplayFault(DDFault::CreateSurface);
  EXPECT_FATAL(driver->UploadTextures(), "Assertion in line 1794, file system");
  StartDirectDraw();
  InjectDisplayFault(DDFault::Blt);
  EXPECT_FATAL(driver->UploadTextures(), "Assertion in line 1867, file system");
  StartDirectDraw();
  driver->ReleaseTextures();
  EXPECT_EQ(nullptr, a.Bitmap);
}
TEST_F(TexturesTest, Texture3DNeedsThe0565Format) {
  Open(64, 48, Kind0565);
  sTexture t;
  AddTexture(t, 4, 4, Kind0565, Texture3D);
  // No 3D device yet, so no texture formats.
  EXPECT_FATAL(driver->LoadTextures(&mode), "Assertion in line 1674, file system");
  StartDirectDraw();
  mode.Use3D = true;
  driver->SetDisplayMode(&mode);
  driver->LoadTextures(&mode);
  driver->UploadTextures();
  EXPECT_NE(0u, t.Handle);
  driver->ReleaseTextures();
}
// The pointer on a 16-bit screen: fill 0xFFFF, outline 1, key 0.
TEST_F(PointerTest, DrawnSavedAndRestoredPerBuffer) {
  Open(640, 480, Kind0565);
  driver->FillRect(0x1234, 0, 0, 640, 480);
  driver->SetMousePointer(true, 100, 50);
  driver->BeginFrame(0);
  driver->Present();  // drawn into buffer 0, now shown
  // Outline at the tip, fill, a transparent part keeping the picture, the NUL column transparent.
  EXPECT_EQ((Ints{1, 0xFFFF, 0x1234, 0x1234}), (Ints{Front16(100, 50), Front16(101, 51), Front16(108, 50), Front16(115, 50)}));
  // The next two buffers get their own frames and a pointer elsewhere.
  driver->SetMousePointer(true, 300, 300);
  for (int buffer = 1; buffer <= 2; ++buffer) {
    driver->BeginFrame(0);
    driver->FillRect(0x1234, 0, 0, 640, 480);
    driver->Present();
  }
  // Buffer 0 comes back: BeginFrame puts back what the pointer covered at (100, 50).
  driver->SetMousePointer(false, 0, 0);
  driver->BeginFrame(0);
  EXPECT_EQ((Ints{0x1234, 0x1234}), At16s({{100, 50}, {101, 51}}));
  driver->Present();
  driver->BeginFrame(0);  // buffer 1: restores (300, 300), not the old position
  EXPECT_EQ(0x1234, At16(301, 301));
}
TEST_F(PointerTest, EdgesOfTheScreen) {
  Open(640, 480, Kind0565, 0);
  driver->SetMousePointer(true, 630, 470);
  driver->Present();
  EXPECT_EQ((Ints{1, 0xFFFF, 1}), (Ints{Front16(630, 470), Front16(631, 471), driver->PointerSaved(0)}));
  driver->BeginFrame(0);
  EXPECT_FALSE(driver->PointerSaved(0)) << "put back";
  // At (640, 0) the rectangle is empty: nothing is saved, the flag stays clear.
  driver->FillRect(0x5555, 0, 0, 640, 480);
  driver->SetMousePointer(true, 640, 0);
  driver->Present();
  EXPECT_FALSE(driver->PointerSaved(0));
  EXPECT_EQ(0, driver->SaveUnderSurface(0)->Memory()[0]) << "the save-under still holds what (630, 470) covered";
}
// On every screen kind the picture stays inside its 16 x 16 surfaces: below
// 8 bits the pixels are packed (leftmost in the high bits), the fill is all
// bits of the pixel set, the outline 1.
TEST_F(PointerTest, EveryScreenKindDrawsThePictureInItsOwnPixels) {
  auto noAlpha = [](DDPixelFormat f) {  // as screens report 1555 and 8888
    f.flags = DDPF_RGB;
    f.alphaMask = 0;
    return f;
  };
  const struct {
    int kind;
    DDPixelFormat format;
  } screens[] = {{KindMono, FormatIndexed(1)}, {KindIndex4, FormatIndexed(4)},   {KindIndex8, FormatIndexed(8)},
                 {Kind0565, Format0565()},     {Kind1555, noAlpha(Format1555())}, {Kind0888, Format0888()},
                 {Kind8888, noAlpha(Format8888())}};
  const char* const arrow[10] = {"222222220000000", "211111120000000", "211111200000000", "211112000000000",
                                 "211111200000000", "211211120000000", "212021112000000", "220002111200000",
                                 "000000212000000", "000000020000000"};
  for (const auto& screen : screens) {
    SCOPED_TRACE(screen.kind);
    const std::vector<DDModeInfo> modes = {{64, 48, screen.format}};
    SetDisplayModesForTest(&modes);
    ClearDevices();  // each driver registers itself
    Open(64, 48, screen.kind, 0);
    const int bits = static_cast<int>(screen.format.bitCount);
    const uint32_t fill = bits == 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
    driver->SetMousePointer(true, 3, 2);  // off a byte boundary for the packed kinds
    driver->Present();
    const DDSurface* front = driver->PrimarySurface();
    auto pixel = [&](int x, int y) { return LoadRowPixel(front->Memory() + front->Pitch() * y, x, bits); };
    int wrong = 0;
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x) {
        const int ax = x - 3, ay = y - 2;
        const char c = ax >= 0 && ax < 15 && ay >= 0 && ay < 10 ? arrow[ay][ax] : '0';
        wrong += pixel(x, y) != (c == '1' ? fill : c == '2' ? 1u : 0u);
      }
    EXPECT_EQ(0, wrong);
    driver->BeginFrame(0);  // puts back what the pointer covered
    driver.reset();
  }
}
}  // namespace
