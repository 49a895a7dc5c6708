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
  if (x >= image.width || y >= image.height) return ::testing::AssertionFailure() << "outside the screenshot";
  const unsigned char* p = image.At(x, y);
  if (p[0] == r && p[1] == g && p[2] == b) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "at (" << x << ", " << y << "): " << int(p[0]) << "," << int(p[1]) << ","
                                       << int(p[2]) << " instead of " << r << "," << g << "," << b;
}

enum Rgb { Black = 0x000000, Red = 0xFF0000, Green = 0x00FF00, Blue = 0x0000FF, White = 0xFFFFFF };
struct Pixel {
  int x, y;
  Rgb colour;
};

// Runs the pattern program on a screen of that size and checks the screenshot's pixels.
void ExpectScreen(const std::string& screen, const std::string& extra, const std::string& env,
                  const std::vector<Pixel>& pixels, Image* shot = nullptr) {
  const std::string out = testpaths::TempDir("sdl") + "/shot.ppm";
  ASSERT_EQ(0, Capture(screen, out, extra, env)) << extra << env;
  Image image;
  ASSERT_TRUE(ReadPpm(out, image));
  for (const Pixel& p : pixels)
    EXPECT_TRUE(Colour(image, p.x, p.y, p.colour >> 16, (p.colour >> 8) & 0xFF, p.colour & 0xFF)) << extra << env;
  if (shot) *shot = image;
}

TEST(SdlPresenter, FullScreenFourByThree) {
  // 640 x 480 scaled by 1.6 fills the 4:3 screen; quadrant borders at 512 and 384; the
  // picture's black frame at the corner; nearest scaling keeps edges sharp.
  Image image;
  ExpectScreen("1024x768x24", "", "",
               {{256, 192, Red}, {768, 192, Green}, {256, 576, Blue}, {768, 576, White}, {509, 100, Red},
                {514, 100, Green}, {100, 381, Red}, {100, 386, Blue}, {0, 0, Black}, {3, 3, Red}},
               &image);
  EXPECT_EQ(1024, image.width);
  EXPECT_EQ(768, image.height);
}

// One frame pixel is one screen pixel: the window (no window manager: at the centre of
// the screen) or the integer scale shows the picture exactly.
TEST(SdlPresenter, WindowAndIntegerScaleAreExact) {
  const int x0 = (1024 - 640) / 2, y0 = (768 - 480) / 2;
  const std::vector<Pixel> exact = {{x0, y0 + 100, Black},      {x0 + 1, y0 + 100, Red},     {x0 + 319, y0 + 1, Red},
                                    {x0 + 320, y0 + 1, Green},  {x0 + 100, y0 + 239, Red},   {x0 + 100, y0 + 240, Blue},
                                    {x0 + 638, y0 + 478, White}, {x0 + 639, y0 + 478, Black}};
  std::vector<Pixel> window = exact;
  window.push_back({100, 100, Black});  // outside the window
  ExpectScreen("1024x768x24", "--window", "", window);
  ExpectScreen("1024x768x24", "", "TESSALINE_SCALE=integer", exact);
}

TEST(SdlPresenter, LinearScaleBlendsEdgesNearestDoesNot) {
  int blended[2] = {0, 0};
  const char* modes[2] = {"TESSALINE_SCALE=nearest", "TESSALINE_SCALE=linear"};
  for (int m = 0; m < 2; ++m) {
    Image image;
    ExpectScreen("1024x768x24", "", modes[m], {{256, 192, Red}}, &image);
    for (int x = 500; x < 524 && !image.rgb.empty(); ++x) {  // across the red/green border
      const unsigned char* p = image.At(x, 192);
      const bool red = p[0] == 255 && p[1] == 0 && p[2] == 0, green = p[0] == 0 && p[1] == 255 && p[2] == 0;
      blended[m] += !red && !green;
    }
  }
  EXPECT_EQ(0, blended[0]) << "nearest: sharp edge";
  EXPECT_GT(blended[1], 0) << "linear: a soft edge";
}

TEST(SdlPresenter, AltEnterSwitchesToFullScreen) {
  // Outside the 640 x 480 window, inside the full-screen picture, scaled by 1.6 (not 1:1).
  ExpectScreen("1024x768x24", "--window --frames 60 --toggle", "",
               {{100, 100, Red}, {1000, 700, White}, {508, 384 - 100, Red}, {516, 384 - 100, Green}});
}

TEST(SdlPresenter, WideScreenIsLetterboxed) {
  // 960 x 720 in the middle: bars of 160 pixels each side.
  Image image;
  ExpectScreen("1280x720x24", "", "",
               {{80, 360, Black}, {1200, 360, Black}, {170, 100, Red}, {1110, 700, White}, {636, 100, Red},
                {644, 100, Green}},
               &image);
  ASSERT_EQ(1280, image.width);
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
