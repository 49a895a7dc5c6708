// The layers and the profiler drawing through a real display driver.
#include <cstring>
#include <vector>
#include "framework/system/devices.h"
#include "framework/system/input.h"
#include "platform/headless/input.h"
#include "tests/display/fixture.h"
#include "tests/vo/files.h"
#include "vo/backdrop.h"
#include "vo/layers.h"
#include "vo/main.h"
#include "vo/profiler.h"

namespace {

using Ints = std::vector<int>;

// A 640 x 480 Index 8 display on the software surfaces.
class DrawTest : public DisplayTest {
protected:
  void SetUp() override {
    DisplayTest::SetUp();
    Start();
    mode = sDisplayMode(640, 480, KindIndex8);
    ASSERT_TRUE(driver->FindMode(&mode));
    driver->SetDisplayMode(&mode);
    driver->BeginFrame(0);
    Fill(0, 0, 640, 480, 40);
  }
  void Fill(int x0, int y0, int x1, int y1, uint8_t v) { driver->FillRect(v, x0, y0, x1, y1); }
  // The back buffer as the layers left it.
  uint8_t At(int x, int y) {
    driver->Unlock();
    return At8(x, y);
  }
  int Count(uint8_t v) {
    int n = 0;
    for (int i = 0; i < 640 * 480; ++i) n += At(i % 640, i / 640) == v;
    return n;
  }
};

TEST_F(DrawTest, ShadeRectFillsItsInteriorAndStaysOnTheScreen) {
  sShadeRect r;
  r.x0 = 57, r.y0 = 159, r.x1 = 345, r.y1 = 161;
  r.Draw(driver.get(), 0);
  EXPECT_EQ(288 * 2, Count(0)) << "the interior is index 0";
  EXPECT_EQ((Ints{0, (15 * 8) / 16, 40}), (Ints{At(344, 160), At(345, 160), At(200, 161)}));
  Fill(0, 0, 640, 480, 40);
  sShadeRect().Draw(driver.get(), 0);  // (0, 0) to (640, 480): the whole screen
  EXPECT_EQ(640 * 480, Count(0));
  Fill(0, 0, 640, 480, 40);
  sShadeRect wide;
  wide.x0 = -30.5f, wide.y0 = 470.25f, wide.x1 = 900, wide.y1 = 700;
  wide.Draw(driver.get(), 0);
  // The interior reaches off the screen: the blitter refuses its fill whole,
  // and only the top edge (4/16 of level 8) lands.
  EXPECT_EQ((Ints{0, 640, 40, 40}), (Ints{Count(0), Count((8 * 4) / 16), At(0, 469), At(320, 471)}));
  // An empty rectangle returns before the lock: a lock held by earlier drawing stays.
  ASSERT_TRUE(driver->LockBackBuffer());
  sShadeRect empty;
  empty.x1 = 0;
  empty.Draw(driver.get(), 0);
  EXPECT_TRUE(driver->IsLocked());
}

TEST_F(DrawTest, SpriteDrawsThePhaseOfItsQuarterPixel) {
  // 8 x 4 picture: one inked column at x = 3 (ink 8 per row: 32 -> level 12).
  std::vector<uint8_t> px(32, 255);
  for (int y = 0; y < 4; ++y) px[y * 8 + 3] = 0;
  sSprite s;
  s.MakePhases(votest::Picture(8, 4, px).release());
  ASSERT_EQ(3, s.PhaseImages[0]->Width);
  s.y = 100;
  // The screen column of the level-12 pixel.
  const struct { float x; int inkedColumn; } cases[] = {{100.0f, 97}, {100.25f, 98}, {100.75f, 98}, {101.0f, 98}};
  for (const auto& c : cases) {
    Fill(0, 0, 640, 480, 40);
    s.x = c.x;
    s.Draw(driver.get(), 0);
    EXPECT_EQ(12, At(c.inkedColumn, 99)) << c.x;
    EXPECT_EQ(1, Count(12)) << c.x;
    EXPECT_EQ(2, Count(16)) << c.x;
  }
  // Phase 0 at x = 100: columns 97..99 hold (x 0..3), (x 4..7), (none).
  Fill(0, 0, 640, 480, 40);
  s.x = 2.0f;  // two of three columns are left of the clip at 1
  s.Clip[0] = 1;
  s.Draw(driver.get(), 0);
  EXPECT_EQ(40, At(0, 99));
  EXPECT_EQ(16, At(1, 99));
  EXPECT_EQ(1, Count(16) + Count(12));
  s.Clip[0] = 0;
  s.x = -0.75f;  // left of the screen: phase 1, nothing on screen, no fault
  s.Draw(driver.get(), 0);
  EXPECT_EQ(1, s.Phase());
}

TEST_F(DrawTest, BackdropBlitsThroughItsTextureAndFreesItsPictureOnce) {
  votest::InTempFolder dir("backdrop");
  std::vector<uint8_t> px(640 * 480);
  for (size_t i = 0; i < px.size(); ++i) px[i] = static_cast<uint8_t>(i % 640 / 3);
  votest::WriteImage("vo/back.scl", 640, 480, px);
  {
    sBackdrop b;
    b.LoadImage("vo/back.scl");
    b.MapToRange(32, 47);
    b.Prepare(driver.get());
    EXPECT_EQ(1, driver->GetTextureCount());
    EXPECT_EQ(b.Image, b.Texture.Bitmap);
    EXPECT_EQ(TextureSurface, b.Texture.Usage);
    driver->LoadTextures(&mode);
    driver->UploadTextures();
    b.Draw(driver.get(), 0);
    EXPECT_EQ(32, At(0, 0));
    EXPECT_EQ(32 + (213 * 15) / 255, At(639, 479));
    driver->ReleaseTextures();  // deletes the picture through the texture
  }
  sBackdrop kept;  // never registered: frees its own picture
  kept.LoadImage("vo/back.scl");
}

TEST_F(DrawTest, ProfilerBarStretchesAndLinesBuffersAndTheFirst64Marks) {
  sProfiler p;
  p.SetScale(25);
  p.BeginAt(0, 0);  // first frame: only the closing mark is finished
  p.Draw(driver.get());
  const int y0 = 459, y1 = 470, ym = 464, L = sProfiler::LineValue;
  EXPECT_EQ(12, Count(L)) << "a vertical line of 12 pixels, the horizontal one pixel";
  EXPECT_EQ((Ints{L, L}), (Ints{At(10, y0), At(10, y1)}));
  Fill(0, 0, 640, 480, 40);
  p.MarkAt(12500, 8);  // 12.5 ms: x = 10 + 310
  p.MarkAt(30000, 3);  // beyond 25 ms: not drawn
  p.BeginAt(31000, 0);
  p.Draw(driver.get());
  EXPECT_EQ((Ints{8, 8, L, L, 309 * (y1 - 2 - ym - 2), 0}),
            (Ints{At(11, ym + 2), At(319, y1 - 3), At(320, ym), At(320, y1), Count(8), Count(3)}));
  EXPECT_EQ((Ints{L, 40}), (Ints{At(630, ym), At(631, ym)})) << "the horizontal line runs to xr";
  sProfiler q;
  EXPECT_EQ(100, q.Scale);
  q.BeginAt(1000, 0);  // the first frame's buffer holds only the closing mark
  EXPECT_EQ((Ints{1, 1, 1}), (Ints{q.Current, q.Counts[0], q.Counts[1]}));
  q.MarkAt(1200, 8);
  q.MarkAt(5000, 15);
  q.MarkAt(9000, 15);
  q.BeginAt(9500, 0);  // closes one buffer and opens the other
  EXPECT_EQ((Ints{0, 5, 1}), (Ints{q.Current, q.Counts[1], q.Counts[0]}));
  EXPECT_EQ((std::vector<uint64_t>{1000, 1200, 5000, 9000, 9500}), std::vector<uint64_t>(q.Times[1], q.Times[1] + 5));
  EXPECT_EQ((Ints{0, 8, 15, 15, 0}), std::vector<int>(q.Ids[1], q.Ids[1] + 5));
  EXPECT_EQ(9500u, q.Times[0][0]) << "closing and opening marks share time and number";
  sProfiler full;
  full.BeginAt(0, 0);
  for (int i = 1; i < 63; ++i) full.MarkAt(i, 1);
  EXPECT_EQ(63, full.Counts[1]);
  full.MarkAt(63, 2);
  full.MarkAt(64, 3);  // dropped
  EXPECT_EQ(64, full.Counts[1]);
  full.BeginAt(100, 5);  // no room for the closing mark
  EXPECT_EQ((Ints{64, 2, 1, 5}), (Ints{full.Counts[1], full.Ids[1][63], full.Counts[0], full.Ids[0][0]}));
}

// (A fatal error releases the display, so these come last in their test.)
TEST_F(DrawTest, BackdropWithoutAPictureIsAnAssertion) {
  sBackdrop b;
  EXPECT_FATAL(b.MapToRange(32, 47), "Assertion in line 127, file vo/moveit");
  EXPECT_FATAL(b.Draw(driver.get(), 0), "Assertion in line 118, file vo/moveit");
}

// The show needs its input devices: without them it stops with a clear message
// instead of calling through a null device.
TEST_F(DrawTest, DemoMainWithoutInputDevicesStops) {
  EXPECT_FATAL(DemoMain(), "No pointer device");
  platform::HeadlessInput input{{}};  // a mouse but no keyboard
  platform::SetInput(&input);
  InitInput();
  delete GetDevice(DeviceKeyboard, 0);
  sDevice* display = GetDevice(DeviceDisplay, 0);
  sDevice* mouse = GetDevice(DevicePointer, 0);
  ClearDevices();
  RegisterDevice(DeviceDisplay, display);
  RegisterDevice(DevicePointer, mouse);
  EXPECT_FATAL(DemoMain(), "No keyboard device");
  delete mouse;
  ShutdownInput();
  platform::SetInput(nullptr);
}

}  // namespace
