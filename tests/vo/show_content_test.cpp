// The default content in the build tree, and the script building the show from it.
// (What the show makes of them, frame by frame, is pinned by tests/e2e's golden trace.)
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>

#include "framework/bitmap.h"
#include "framework/file.h"
#include "framework/pack.h"
#include "tests/support/fatal_capture.h"
#include "tests/support/paths.h"
#include "vo/moveit.h"
#include "vo/script.h"

namespace {

class ShowContent : public ::testing::Test {
protected:
  void SetUp() override {
    const std::string pack = testpaths::Build() + "/app/v01.dat";
    ASSERT_TRUE(std::filesystem::exists(pack)) << "no " << pack << ": the normal build makes it";
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(testpaths::Build() + "/app");
    OpenPackFile("v01.dat");
  }
  void TearDown() override {
    if (!old_.empty()) std::filesystem::current_path(old_);
  }
  std::unique_ptr<sBitmap> Image(const char* name) {
    auto b = std::make_unique<sBitmap>();
    b->Load(name);
    EXPECT_EQ(KindIndex8, b->Kind) << name;
    return b;
  }
  std::filesystem::path old_;
};

TEST_F(ShowContent, PicturesRawFilesAndTheScript) {
  for (const char* name : {"vo/v01_back.scl", "vo/v01_bac2.scl", "vo/good.scl"}) {
    auto b = Image(name);
    EXPECT_EQ(640, b->Width) << name;
    EXPECT_EQ(480, b->Height) << name;
  }
  for (const char* name : {"vo/v01_logo.scl", "vo/v01_worl.scl", "vo/v01_elit.scl", "vo/v01_date.scl",
                           "vo/v01_vi01.scl", "vo/v01_vi10.scl"})
    Image(name);
  // Not remapped: drawn with the screen palette's own ranges.
  auto second = Image("vo/v01_bac2.scl");
  std::set<int> used;
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) used.insert(second->GetPixel(x, y, 0));
  for (int v : used) EXPECT_TRUE(v <= 16 || (v >= 32 && v <= 47) || v >= 64) << "index " << v;
  EXPECT_GT(used.size(), 60u) << "a picture with real tonal range";
  // The wipe's grid tables reach 511 pixels.
  auto circ = Image("vo/v01_circ.scl");
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

  for (auto [name, bytes] : {std::pair{"vo/v01_raw1.raw", 4096}, {"vo/v01_raw2.raw", -338}, {"vo/v01_raw3.raw", 768}}) {
    int size = 0;
    ::operator delete(LoadFile(name, &size));
    if (bytes > 0)
      EXPECT_EQ(bytes, size) << name;
    else
      EXPECT_TRUE(size % 352 == 0 && size / 352 >= -bytes) << name << ": rows of 352 for the effect";
  }

  sTimeline tl;
  Script(&tl);
  EXPECT_EQ(35, tl.LayerCount);
  EXPECT_EQ(75, tl.KeyCount);
  EXPECT_EQ(31, tl.TrackCount);
  int most = 0;
  for (int i = 0; i < tl.TrackCount; ++i) most = std::max(most, tl.Tracks[i].KeyCount);
  EXPECT_EQ(11, most);
}

}  // namespace
