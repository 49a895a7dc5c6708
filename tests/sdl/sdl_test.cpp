// The sdl backend in a real X server (Xvfb): a known picture is presented
// full screen and read back from a screenshot of the screen.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/paths.h"

namespace {

struct Image {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;
  const unsigned char* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

bool ReadPpm(const std::string& name, Image& image) {
  std::ifstream in(name, std::ios::binary);
  std::string magic;
  int max = 0;
  in >> magic >> image.width >> image.height >> max;
  in.get();
  if (magic != "P6" || max != 255 || image.width < 1) return false;
  image.rgb.resize(static_cast<size_t>(image.width) * image.height * 3);
  in.read(reinterpret_cast<char*>(image.rgb.data()), static_cast<std::streamsize>(image.rgb.size()));
  return static_cast<bool>(in);
}

// Runs the pattern program in its own Xvfb screen; false when there is none.
int Capture(const std::string& screen, const std::string& out, const std::string& extra = "",
            const std::string& env = "") {
  // SDL's X11 and D-Bus libraries keep buffers for the life of the process:
  // leaks are checked by the display's unit tests, not here.
  const char* asan = std::getenv("ASAN_OPTIONS");
  const std::string command = std::string("ASAN_OPTIONS='") + (asan ? std::string(asan) + ":" : "") +
                              "detect_leaks=0' " + env + " SDL_AUDIODRIVER=dummy TESSALINE_NO_MESSAGEBOX=1 '" +
                              TESS_XVFB + "' --screen " + screen + " '" + SDL_PATTERN + "' '" + out + "' " + extra +
                              " 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

::testing::AssertionResult Colour(const Image& image, int x, int y, int r, int g, int b) {
  const unsigned char* p = image.At(x, y);
  if (p[0] == r && p[1] == g && p[2] == b) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "at (" << x << ", " << y << "): " << int(p[0]) << "," << int(p[1]) << ","
                                       << int(p[2]) << " instead of " << r << "," << g << "," << b;
}

TEST(SdlPresenter, FullScreenFourByThree) {
  const std::string out = testpaths::TempDir("sdl") + "/full.ppm";
  ASSERT_EQ(0, Capture("1024x768x24", out));
  Image image;
  ASSERT_TRUE(ReadPpm(out, image));
  ASSERT_EQ(1024, image.width);
  ASSERT_EQ(768, image.height);
  // 640 x 480 scaled by 1.6 fills the 4:3 screen; quadrant borders at 512 and 384.
  EXPECT_TRUE(Colour(image, 256, 192, 255, 0, 0));
  EXPECT_TRUE(Colour(image, 768, 192, 0, 255, 0));
  EXPECT_TRUE(Colour(image, 256, 576, 0, 0, 255));
  EXPECT_TRUE(Colour(image, 768, 576, 255, 255, 255));
  EXPECT_TRUE(Colour(image, 509, 100, 255, 0, 0));
  EXPECT_TRUE(Colour(image, 514, 100, 0, 255, 0));
  EXPECT_TRUE(Colour(image, 100, 381, 255, 0, 0));
  EXPECT_TRUE(Colour(image, 100, 386, 0, 0, 255));
  EXPECT_TRUE(Colour(image, 0, 0, 0, 0, 0)) << "the picture's black frame at the screen's corner";
  EXPECT_TRUE(Colour(image, 3, 3, 255, 0, 0)) << "nearest scaling keeps edges sharp";
}

// One frame pixel is one screen pixel: the window (no window manager: at the
// centre of the screen) or the integer scale shows the picture exactly.
void ExpectOneToOne(const Image& image) {
  const int x0 = (1024 - 640) / 2, y0 = (768 - 480) / 2;
  EXPECT_TRUE(Colour(image, x0, y0 + 100, 0, 0, 0)) << "the picture's frame";
  EXPECT_TRUE(Colour(image, x0 + 1, y0 + 100, 255, 0, 0));
  EXPECT_TRUE(Colour(image, x0 + 319, y0 + 1, 255, 0, 0));
  EXPECT_TRUE(Colour(image, x0 + 320, y0 + 1, 0, 255, 0));
  EXPECT_TRUE(Colour(image, x0 + 100, y0 + 239, 255, 0, 0));
  EXPECT_TRUE(Colour(image, x0 + 100, y0 + 240, 0, 0, 255));
  EXPECT_TRUE(Colour(image, x0 + 638, y0 + 478, 255, 255, 255));
  EXPECT_TRUE(Colour(image, x0 + 639, y0 + 478, 0, 0, 0));
}

TEST(SdlPresenter, WindowAndIntegerScaleAreExact) {
  const std::string dir = testpaths::TempDir("sdl");
  Image image;
  ASSERT_EQ(0, Capture("1024x768x24", dir + "/window.ppm", "--window"));
  ASSERT_TRUE(ReadPpm(dir + "/window.ppm", image));
  ExpectOneToOne(image);
  EXPECT_TRUE(Colour(image, 100, 100, 0, 0, 0)) << "outside the window";
  ASSERT_EQ(0, Capture("1024x768x24", dir + "/integer.ppm", "", "TESSALINE_SCALE=integer"));
  ASSERT_TRUE(ReadPpm(dir + "/integer.ppm", image));
  ExpectOneToOne(image);
}

TEST(SdlPresenter, LinearScaleBlendsEdgesNearestDoesNot) {
  const std::string dir = testpaths::TempDir("sdl");
  int blended[2] = {0, 0};
  const char* modes[2] = {"TESSALINE_SCALE=nearest", "TESSALINE_SCALE=linear"};
  for (int m = 0; m < 2; ++m) {
    const std::string out = dir + "/scale" + std::to_string(m) + ".ppm";
    ASSERT_EQ(0, Capture("1024x768x24", out, "", modes[m]));
    Image image;
    ASSERT_TRUE(ReadPpm(out, image));
    EXPECT_TRUE(Colour(image, 256, 192, 255, 0, 0));
    // Across the red/green border: pixels that are neither colour.
    for (int x = 500; x < 524; ++x) {
      const unsigned char* p = image.At(x, 192);
      const bool red = p[0] == 255 && p[1] == 0 && p[2] == 0, green = p[0] == 0 && p[1] == 255 && p[2] == 0;
      blended[m] += !red && !green;
    }
  }
  EXPECT_EQ(0, blended[0]) << "nearest: sharp edge";
  EXPECT_GT(blended[1], 0) << "linear: a soft edge";
}

TEST(SdlPresenter, AltEnterSwitchesToFullScreen) {
  const std::string out = testpaths::TempDir("sdl") + "/toggle.ppm";
  ASSERT_EQ(0, Capture("1024x768x24", out, "--window --frames 60 --toggle"));
  Image image;
  ASSERT_TRUE(ReadPpm(out, image));
  // Outside the 640 x 480 window, inside the full-screen picture.
  EXPECT_TRUE(Colour(image, 100, 100, 255, 0, 0)) << "the picture fills the screen after Alt+Enter";
  EXPECT_TRUE(Colour(image, 1000, 700, 255, 255, 255));
  EXPECT_TRUE(Colour(image, 508, 384 - 100, 255, 0, 0)) << "scaled by 1.6, not 1:1";
  EXPECT_TRUE(Colour(image, 516, 384 - 100, 0, 255, 0));
}

TEST(SdlPresenter, WideScreenIsLetterboxed) {
  const std::string out = testpaths::TempDir("sdl") + "/wide.ppm";
  ASSERT_EQ(0, Capture("1280x720x24", out));
  Image image;
  ASSERT_TRUE(ReadPpm(out, image));
  ASSERT_EQ(1280, image.width);
  // 960 x 720 in the middle: bars of 160 pixels each side.
  EXPECT_TRUE(Colour(image, 80, 360, 0, 0, 0));
  EXPECT_TRUE(Colour(image, 1200, 360, 0, 0, 0));
  EXPECT_TRUE(Colour(image, 170, 100, 255, 0, 0));
  EXPECT_TRUE(Colour(image, 1110, 700, 255, 255, 255));
  EXPECT_TRUE(Colour(image, 636, 100, 255, 0, 0));
  EXPECT_TRUE(Colour(image, 644, 100, 0, 255, 0));
  int left = 0;
  while (left < 640 && image.At(left, 360)[2] == 0 && image.At(left, 360)[0] == 0) ++left;
  int right = 1279;
  while (right > 640 && image.At(right, 360)[0] == 0 && image.At(right, 360)[1] == 0 && image.At(right, 360)[2] == 0)
    --right;
  // The picture's own black frame is 1.5 pixels wide at this scale.
  EXPECT_NEAR(160, left, 2);
  EXPECT_NEAR(1119, right, 2);
  EXPECT_NEAR(4.0 / 3.0, (right - left + 1) / 720.0, 0.01);
}

TEST(SdlBackend, DeclinesWithoutADisplay) {
  const std::string command = std::string("env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER '") + SDL_PATTERN +
                              "' /dev/null 2>&1";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(3, WEXITSTATUS(status)) << "no screen: the backend says no, so the program can report it";
}

}  // namespace
