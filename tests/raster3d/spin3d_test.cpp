// The example program run headless: it ends at the scripted Escape, and its
// shots show the cube over the background, turning.
#include <gtest/gtest.h>
#include <cstdlib>
#include <fstream>
#include "tests/support/paths.h"
#include "tools/common/png_io.h"
namespace {
TEST(SpinProgram, RunsHeadlessUntilEscapeAndTakesShots) {
  const std::string dir = testpaths::TempDir("spin3d"), tool = testpaths::Build() + "/tools/spin3d/spin3d";
  std::ofstream(dir + "/keys.txt") << "500 key Escape\n";
  // Escape ends the program well before the frame limit.
  ASSERT_EQ(0, std::system((tool + " --headless --keys " + dir + "/keys.txt --frames 100000 > " + dir + "/out.txt 2>&1").c_str()));
  PngImage shots[2];
  for (int i = 0; i < 2; ++i) {
    const std::string shot = dir + "/shot" + std::to_string(i) + ".png";
    ASSERT_EQ(0, std::system((tool + " --headless --frames " + (i ? "45" : "3") + " --shot " + shot).c_str()));
    std::string error;
    ASSERT_TRUE(ReadPng(shot, &shots[i], &error)) << error;
    ASSERT_EQ((std::vector<int>{640, 480}), (std::vector<int>{shots[i].width, shots[i].height}));
  }
  auto rgb = [](const sColor& c) { return c.r << 16 | c.g << 8 | c.b; };
  const int background = rgb(shots[0].rgba[0]), centre = rgb(shots[0].rgba[240 * 640 + 320]);
  EXPECT_EQ(16 << 16 | 20 << 8 | 40, background);
  EXPECT_NE(background, centre);
  int changed = 0;  // the cube turns between the shots
  for (size_t i = 0; i < shots[0].rgba.size(); i += 49) changed += rgb(shots[0].rgba[i]) != rgb(shots[1].rgba[i]);
  EXPECT_GT(changed, 500);
}
}  // namespace
