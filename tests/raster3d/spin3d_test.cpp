// The example program run headless: it ends at the scripted Escape and its
// shot shows the cube over the background.
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include "tests/support/paths.h"
#include "tools/common/png_io.h"
namespace {
TEST(SpinProgram, RunsHeadlessUntilEscapeAndTakesAShot) {
  const std::string dir = testpaths::TempDir("spin3d");
  const std::string keys = dir + "/keys.txt", shot = dir + "/shot.png";
  std::ofstream(keys) << "500 key Escape\n";
  const std::string tool = testpaths::Build() + "/tools/spin3d/spin3d";
  // Escape ends the program well before the frame limit.
  const std::string run = tool + " --headless --keys " + keys + " --frames 100000 > " + dir + "/out.txt 2>&1";
  ASSERT_EQ(0, std::system(run.c_str()));
  ASSERT_EQ(0, std::system((tool + " --headless --frames 3 --shot " + shot).c_str()));
  PngImage image;
  std::string error;
  ASSERT_TRUE(ReadPng(shot, &image, &error)) << error;
  ASSERT_EQ(640, image.width);
  ASSERT_EQ(480, image.height);
  const sColor corner = image.rgba[0], centre = image.rgba[240 * 640 + 320];
  EXPECT_EQ(16, corner.r);
  EXPECT_EQ(20, corner.g);
  EXPECT_EQ(40, corner.b);
  EXPECT_FALSE(centre.r == corner.r && centre.g == corner.g && centre.b == corner.b);
}
}  // namespace
