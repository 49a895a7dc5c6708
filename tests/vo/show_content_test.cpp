// The default content in the build tree, and the script building the show from it.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>

#include "framework/bitmap.h"
#include "framework/file.h"
#include "framework/pack.h"
#include "tests/support/fatal_capture.h"
#include "tests/support/paths.h"
#include "tests/vo/display_fixture.h"
#include "vo/backdrop.h"
#include "vo/effect.h"
#include "vo/layers.h"
#include "vo/moveit.h"
#include "vo/script.h"

namespace {

class ShowContent : public ::testing::Test {
protected:
  void SetUp() override {
    const std::string pack = testpaths::Build() + "/app/v01.dat";
    if (!std::filesystem::exists(pack)) FAIL() << "no " << pack << ": the normal build makes it";
    old_ = std::filesystem::current_path().string();
    std::filesystem::current_path(testpaths::Build() + "/app");
    OpenPackFile("v01.dat");
  }
  void TearDown() override {
    if (!old_.empty()) std::filesystem::current_path(old_);
  }

  std::unique_ptr<sBitmap> Image(const char* name) {
    auto b = std::make_unique<sBitmap>();
    b->Load(name);
    return b;
  }
  std::string old_;
};

TEST_F(ShowContent, PicturesHaveTheirLayersKindsAndSizes) {
  for (const char* name : {"vo/v01_back.scl", "vo/v01_bac2.scl", "vo/good.scl"}) {
    auto b = Image(name);
    EXPECT_EQ(KindIndex8, b->Kind) << name;
    EXPECT_EQ(640, b->Width) << name;
    EXPECT_EQ(480, b->Height) << name;
  }
  // Not remapped: drawn with the screen palette's own ranges.
  auto second = Image("vo/v01_bac2.scl");
  std::set<int> used;
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) used.insert(second->GetPixel(x, y, 0));
  for (int v : used) EXPECT_TRUE(v <= 16 || (v >= 32 && v <= 47) || v >= 64) << "index " << v;
  EXPECT_GT(used.size(), 60u) << "a picture with real tonal range";

  for (const char* name : {"vo/v01_logo.scl", "vo/v01_worl.scl", "vo/v01_elit.scl", "vo/v01_date.scl",
                           "vo/v01_vi01.scl", "vo/v01_vi10.scl"}) {
    auto b = Image(name);
    EXPECT_EQ(KindIndex8, b->Kind) << name;
  }
  // The wipe's grid tables reach 511 pixels.
  auto circ = Image("vo/v01_circ.scl");
  EXPECT_EQ(KindIndex8, circ->Kind);
  EXPECT_LT(circ->Width, 512);
  EXPECT_LT(circ->Height, 512);
  // The mask covers the effect rectangle (339 x 338) with a window of white and soft edges.
  auto mask = Image("vo/v01_mask.scl");
  ASSERT_GE(mask->Width, 339);
  ASSERT_GE(mask->Height, 338);
  mask->MapToRange(0, 64);
  int window = 0, edge = 0;
  for (int y = 0; y < 338; ++y)
    for (int x = 0; x < 339; ++x) {
      const uint32_t m = mask->GetPixel(x, y, 0);
      window += m == 64;
      edge += m > 0 && m < 64;
    }
  EXPECT_GT(window, 339 * 338 / 2);
  EXPECT_GT(edge, 5000);
}

TEST_F(ShowContent, RawFilesHoldWhatTheEffectReads) {
  int size = 0;
  void* blob = LoadFile("vo/v01_raw1.raw", &size);
  EXPECT_EQ(4096, size);
  ::operator delete(blob);
  void* texture = LoadFile("vo/v01_raw2.raw", &size);
  EXPECT_EQ(0, size % 352);
  EXPECT_GE(size / 352, 338);
  ::operator delete(texture);
  void* palette = LoadFile("vo/v01_raw3.raw", &size);
  EXPECT_EQ(768, size);
  ::operator delete(palette);
}

TEST_F(ShowContent, ScriptBuildsTheWholeShow) {
  sTimeline tl;
  Script(&tl);
  EXPECT_EQ(35, tl.LayerCount);
  EXPECT_EQ(75, tl.KeyCount);
  EXPECT_EQ(31, tl.TrackCount);
  int most = 0;
  for (int i = 0; i < tl.TrackCount; ++i) most = std::max(most, tl.Tracks[i].KeyCount);
  EXPECT_EQ(11, most);
  const uint32_t masks[35] = {2, 4, 8, 0, 1, 0, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2,
                              2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 4, 0};
  for (int i = 0; i < 35; ++i) EXPECT_EQ(masks[i], tl.Layers[i]->ChannelMask) << "layer " << i;
  EXPECT_NE(nullptr, dynamic_cast<sBackdrop*>(tl.Layers[1]));
  EXPECT_NE(nullptr, dynamic_cast<sShadeRect*>(tl.Layers[4]));
  EXPECT_NE(nullptr, dynamic_cast<sSprite*>(tl.Layers[31]));
  EXPECT_NE(nullptr, dynamic_cast<sWipe*>(tl.Layers[32]));
  auto* effect = dynamic_cast<sMaskedEffect*>(tl.Layers[33]);
  ASSERT_NE(nullptr, effect);
  EXPECT_EQ(301.0f, effect->x0);
  EXPECT_EQ(480.0f, effect->y1);
  EXPECT_NE(nullptr, dynamic_cast<sPaletteImage*>(tl.Layers[34]));
  // Channel windows: 0..3, 4 and 6 set; the rest never active.
  EXPECT_EQ(17300.0f, tl.Channel[2].Start);
  EXPECT_EQ(36000.0f, tl.Channel[3].End);
  EXPECT_EQ(16300.0f, tl.Channel[4].Start);
  EXPECT_EQ(15800.0f, tl.Channel[6].Start);
  EXPECT_EQ(1.0f, tl.Channel[5].Start);
  EXPECT_EQ(0.0f, tl.Channel[5].End);
}

class ShowOnScreen : public ScreenTest {
protected:
  void SetUp() override {
    const std::string pack = testpaths::Build() + "/app/v01.dat";
    if (!std::filesystem::exists(pack)) FAIL() << "no " << pack << ": the normal build makes it";
    ScreenTest::SetUp();
    old_ = std::filesystem::current_path().string();
    std::filesystem::current_path(testpaths::Build() + "/app");
    OpenPackFile("v01.dat");
  }
  void TearDown() override {
    if (!old_.empty()) std::filesystem::current_path(old_);
    ScreenTest::TearDown();
  }
  std::string old_;
};

TEST_F(ShowOnScreen, FadesAndChannelsAtStatedTimes) {
  sTimeline tl;
  Script(&tl);
  tl.Prepare(driver.get());
  EXPECT_EQ(3, driver->GetTextureCount()) << "the three backdrops";
  driver->LoadTextures(&mode);
  driver->UploadTextures();
  auto* shade = dynamic_cast<sPaletteRamp*>(tl.Layers[3]);
  auto* wipe = dynamic_cast<sWipe*>(tl.Layers[32]);
  auto* effect = dynamic_cast<sMaskedEffect*>(tl.Layers[33]);
  ASSERT_TRUE(shade && wipe && effect);
  driver->BeginFrame(0);
  tl.Render(driver.get(), 1000.0f);
  EXPECT_EQ(1u, tl.ActiveChannels);
  EXPECT_EQ(640 * 480, Count(0)) << "at 1000 ms the screen is index 0";
  tl.Render(driver.get(), 2000.0f);
  EXPECT_EQ(0u, tl.ActiveChannels);
  tl.Render(driver.get(), 2000.5f);
  EXPECT_EQ(2u, tl.ActiveChannels);
  EXPECT_FLOAT_EQ(0.5f, shade->Fade);
  tl.Render(driver.get(), 12000.0f);
  EXPECT_GT(wipe->Progress, 0.0f);
  EXPECT_LT(wipe->Progress, 1.0f);
  tl.Render(driver.get(), 20000.0f);
  EXPECT_EQ(20u, tl.ActiveChannels) << "channels 2 and 4";
  EXPECT_EQ(1.0f, effect->Progress);
  tl.Render(driver.get(), 40000.0f);
  EXPECT_EQ(0u, tl.ActiveChannels);
  driver->ReleaseTextures();
}

}  // namespace
