#include "framework/system/driver_state.h"
#include "framework/system/fatal.h"
#include "tests/display/fixture.h"
using namespace platform;
namespace {
using DriverTest = DisplayTest;
size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}
TEST_F(DriverTest, ChainFallsBackOneBackBufferAtATime) {
  Start();
  mode = sDisplayMode(640, 480, KindIndex8);
  InjectDisplayFault(DDFault::CreateSurface, 1);
  debug.Clear();
  driver->SetDisplayMode(&mode);
  EXPECT_EQ(1u, Count(debug.Text(), "dderr 80004005 16389\n"));
  EXPECT_EQ(0u, debug.Text().find("Mode 0640 x 0480, 08, 000 Hz, 2 backbuffers,     0 kytes left\ndd2: "));
  sDisplayMode current;
  driver->GetCurrentMode(&current);
  EXPECT_EQ((std::vector<int>{1, 1, KindIndex8}), (std::vector<int>{mode.BackBuffers, current.BackBuffers, driver->GetKind()}));
  // Too big for video memory: 1280 x 1024 x 32 with two and then one back
  // buffer cannot be placed; the chain the platform places itself remains.
  sDisplayMode big(1280, 1024, Kind8888);
  debug.Clear();
  driver->SetDisplayMode(&big);
  EXPECT_EQ(2u, Count(debug.Text(), "dderr 8876017C 380\n"));
  ASSERT_NE(nullptr, driver->BackBufferSurface());
  EXPECT_EQ((std::vector<int>{0, 1280}), (std::vector<int>{big.BackBuffers, driver->BackBufferSurface()->Width()}));
}
TEST_F(DriverTest, ModeSwitchAndDirect3DFailuresAreFatal) {
  Start();
  const struct {
    int kind, backBuffers;
    bool z, use3D;
    DDFault fault;
    int count, after;
    const char* message;
  } cases[] = {
      {KindIndex8, 2, false, false, DDFault::CreateSurface, 3, 0, "Could not create display surfaces"},
      {KindIndex8, 2, false, false, DDFault::GetAttachedSurface, 1, 0, "could not get backbuffer"},
      {KindIndex8, 3, false, false, DDFault::Create, 0, 0, "Assertion in line 1071, file system"},
      {Kind0565, 2, true, false, DDFault::CreateSurface, 1, 1, "could not allocate Z-Buffer"},
      {Kind0565, 2, true, false, DDFault::AddAttachedSurface, 1, 0, "could not attach Z-Buffer"},
      {Kind0565, 2, false, true, DDFault::CreateDevice, 3, 0, "sWinDriver::SetDisplayMode(): no 3d device"},
      {Kind0565, 2, false, true, DDFault::CreateViewport, 1, 0, "sWinDriver::SetDisplayMode(): no viewport"},
      {Kind0565, 2, false, true, DDFault::AddViewport, 1, 0, "sWinDriver::SetDisplayMode(): could not add viewport"},
      {Kind0565, 2, false, true, DDFault::SetViewport, 1, 0, "sWinDriver::SetDisplayMode(): could not set viewport"},
      {Kind0565, 2, false, true, DDFault::SetCurrentViewport, 1, 0, "sWinDriver::SetDisplayMode(): could not add viewport"},
      {Kind0565, 2, false, true, DDFault::CreateMaterial, 1, 0, "sWinDriver::SetDisplayMode(): no material"},
      {Kind0565, 2, false, true, DDFault::CreateMaterial, 1, 1, "sWinDriver::SetDisplayMode(): no material (back)"},
  };
  for (const auto& c : cases) {
    ClearDisplayFaults();
    mode = sDisplayMode(640, 480, c.kind);
    mode.BackBuffers = c.backBuffers;
    mode.ZBuffer = c.z;
    mode.Use3D = c.use3D;
    if (c.count) InjectDisplayFault(c.fault, c.count, c.after);
    debug.Clear();
    EXPECT_FATAL(driver->SetDisplayMode(&mode), c.message);
    if (c.fault == DDFault::GetAttachedSurface) {
      EXPECT_NE(std::string::npos, debug.Text().find("dderr 887600FF 255\n"));
    }
    StartDirectDraw();  // the fatal path released it
  }
  ClearDisplayFaults();
  mode = sDisplayMode(640, 480, Kind0565);
  mode.ZBuffer = true;
  driver->SetDisplayMode(&mode);
  ASSERT_NE(nullptr, driver->BackBufferSurface()->AttachedZBuffer());
  EXPECT_EQ(32u, driver->BackBufferSurface()->AttachedZBuffer()->Format().bitCount) << "the deepest listed";
  // Two devices failing leaves the third (ramp) one.
  InjectDisplayFault(DDFault::CreateDevice, 2);
  mode = sDisplayMode(640, 480, Kind0565);
  mode.Use3D = true;
  debug.Clear();
  driver->SetDisplayMode(&mode);
  ASSERT_NE(nullptr, DD().Device);
  EXPECT_TRUE(DD().Device->Type() == D3DDeviceType::Ramp && DD().Viewport->Data().clipY == 0.75f &&
              DD().Viewport->Background() == DD().BackMaterialHandle);
  EXPECT_NE(std::string::npos, debug.Text().find("Texture formats found:00111101\n"));
}
TEST_F(DriverTest, BufferIndexCyclesWithTheChain) {
  const int expect[3][4] = {{0, 0, 0, 0}, {0, 1, 0, 1}, {0, 1, 2, 0}};
  for (int back = 0; back <= 2; ++back) {
    Open(320, 200, KindIndex8, back);
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(expect[back][i], driver->GetBufferIndex()) << back << " back buffers, frame " << i;
      driver->BeginFrame(0);
      driver->Present();
    }
    driver.reset();
    ReleaseDirectDraw();
  }
}
TEST_F(DriverTest, PresentShowsTheFrameWithThePaletteSetBeforeIt) {
  Open(320, 200, KindIndex8);
  sColor palette[256] = {};
  palette[7] = {10, 20, 30, 255};
  DDFrame shown;
  // The palette attached after the flip shows with that frame; the next frame
  // keeps it; a new one reaches the screen with its frame.
  const struct {
    bool setPalette;
    int red;
  } frames[] = {{true, 10}, {false, 10}, {true, 99}};
  for (const auto& f : frames) {
    driver->BeginFrame(0);
    if (f.setPalette) driver->SetPalette(palette);
    driver->FillRect(7, 0, 0, 320, 200);
    driver->Present();
    ASSERT_TRUE(screen.LastFrame(shown));
    EXPECT_EQ((std::vector<int>{7, f.red, f.red == 10 ? 30 : 97}),
              (std::vector<int>{shown.pixels[0], shown.palette[7].red, shown.palette[7].blue}));
    palette[7] = {99, 98, 97, 255};
  }
  EXPECT_EQ(3u, screen.FrameCount());
  driver.reset();
  Open(320, 200, Kind0565);  // the palette reaches the platform only on indexed screens
  palette[1] = {1, 2, 3, 4};
  driver->SetPalette(palette);
  driver->Present();
  EXPECT_EQ(nullptr, driver->PrimarySurface()->AttachedPalette());
  sBitmap locked;
  driver->Lock(&locked);
  EXPECT_EQ((std::vector<int>{4, 256}), (std::vector<int>{locked.Palette[1].a, locked.PaletteSize}))
      << "the colours are kept for the locked bitmap";
  driver->Unlock();
}
TEST_F(DriverTest, LockUnlockAndTheirFailures) {
  Open(320, 200, KindIndex8);
  sBitmap b;
  driver->Lock(&b);
  EXPECT_TRUE(driver->IsLocked() && b.External);
  EXPECT_EQ((std::vector<int>{320, 200, 8, driver->BackBufferSurface()->Pitch()}),
            (std::vector<int>{b.Width, b.Height, b.Bits, b.Pitch[0]}));
  b.SetPixel(42, 5, 6, 0);
  driver->Unlock();
  EXPECT_TRUE(!driver->IsLocked() && At8(5, 6) == 42);
  InjectDisplayFault(DDFault::Lock);
  driver->Lock(&b);
  EXPECT_FALSE(driver->IsLocked());
  EXPECT_EQ((std::vector<int>{0, 0, 0}), (std::vector<int>{b.Width, b.Height, b.Size[0]}));
  EXPECT_EQ(nullptr, b.Pixels[0]) << "never the address of an earlier lock";
  driver->FillRect(9, 0, 0, 320, 200);
  LoseAllSurfaces();
  driver->Lock(&b);
  EXPECT_TRUE(driver->IsLocked() && b.Width == 320 && At8(0, 0) == 0) << "a lost surface is restored at lock, and comes back empty";
  LoseAllSurfaces();
  driver->Unlock();  // lost while locked: unlocking restores it and is not fatal
  EXPECT_TRUE(!driver->IsLocked() && !driver->BackBufferSurface()->IsLost());
  driver->Lock(&b);
  InjectDisplayFault(DDFault::Unlock);
  EXPECT_FATAL(driver->Unlock(), "could not unlock buffer");
  EXPECT_FALSE(driver->IsLocked());
}
TEST_F(DriverTest, DebugOutputUnlocksAndFatalReleasesTheDisplay) {
  Open(320, 200, KindIndex8);
  sBitmap b;
  driver->Lock(&b);
  ASSERT_TRUE(driver->BackBufferSurface()->IsLocked());
  DebugPrint("hello\n");
  EXPECT_TRUE(!driver->IsLocked() && !driver->BackBufferSurface()->IsLocked());
  EXPECT_EQ("hello\n", debug.Text().substr(debug.Text().size() - 6));
  ASSERT_NE(nullptr, DD().DirectDraw1);
  EXPECT_FATAL(Fatal("gone"), "gone");
  EXPECT_TRUE(!DD().DirectDraw1 && !DD().Direct3D);
  StartDirectDraw();
  EXPECT_FATAL(FatalBox("gone too"), "gone too");
  EXPECT_EQ(nullptr, DD().DirectDraw1);
  Start();
  EXPECT_FATAL(driver->Present(), "Assertion in line 1362, file system");
  EXPECT_FATAL(driver->BeginFrame(1), "Assertion in line 1355, file system");
}
TEST_F(DriverTest, TearDownReleasesEverySurface) {
  const int before = LiveSurfaceCount();
  Open(640, 480, KindIndex8);
  EXPECT_EQ(before + 3 + 4, LiveSurfaceCount()) << "chain of three, pointer and three save-unders";
  mode = sDisplayMode(320, 200, KindIndex8);
  driver->SetDisplayMode(&mode);
  EXPECT_EQ(before + 3 + 4, LiveSurfaceCount()) << "a second mode switch rebuilds, not adds";
  driver.reset();
  EXPECT_EQ((std::vector<int>{before, 0}), (std::vector<int>{LiveSurfaceCount(), int(VideoMemoryInUse())}));
}
}  // namespace
