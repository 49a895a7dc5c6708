// The sdl backend in a real X server (Xvfb): a known picture is presented
// full screen and read back from a screenshot of the screen.
#include <gtest/gtest.h>
#include <cstdlib>
#include <string>
#include <vector>
#include "tests/support/paths.h"
#include "tools/common/png_io.h"
namespace {
enum Rgb { Black = 0x000000, Red = 0xFF0000, Green = 0x00FF00, Blue = 0x0000FF, White = 0xFFFFFF };
struct Pixel {
  int x, y;
  Rgb colour;
};
int At(const PngImage& image, int x, int y) {
  const sColor& c = image.rgba[static_cast<size_t>(y) * image.width + x];
  return c.r << 16 | c.g << 8 | c.b;
}
// Runs the pattern program in its own Xvfb screen of that size and checks the
// screenshot's pixels. SDL's X11 and D-Bus libraries keep buffers for the life
// of the process: leaks are checked by the display's unit tests, not here.
PngImage ExpectScreen(const std::string& screen, const std::string& extra, const std::string& env,
                      const std::vector<Pixel>& pixels) {
  const std::string out = testpaths::TempDir("sdl") + "/shot.png";
  const char* asan = std::getenv("ASAN_OPTIONS");
  const std::string command = std::string("ASAN_OPTIONS='") + (asan ? std::string(asan) + ":" : "") + "detect_leaks=0' " +
                              env + " SDL_AUDIODRIVER=dummy TESSALINE_NO_MESSAGEBOX=1 '" + TESS_XVFB + "' --screen " +
                              screen + " '" + SDL_PATTERN + "' '" + out + "' " + extra + " 2>&1";
  const int status = std::system(command.c_str());
  PngImage image;
  std::string error;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << extra << env;
  EXPECT_TRUE(ReadPng(out, &image, &error)) << error;
  for (const Pixel& p : pixels) {
    if (p.x >= image.width || p.y >= image.height) ADD_FAILURE() << "(" << p.x << ", " << p.y << ") outside the screenshot";
    else EXPECT_EQ(p.colour, At(image, p.x, p.y)) << "at (" << p.x << ", " << p.y << ") " << extra << env;
  }
  return image;
}
TEST(SdlPresenter, FullScreenFourByThree) {
  // 640 x 480 scaled by 1.6 fills the 4:3 screen; quadrant borders at 512 and 384; the
  // picture's black frame at the corner; nearest scaling keeps edges sharp.
  const PngImage image = ExpectScreen("1024x768x24", "", "",
                                      {{256, 192, Red}, {768, 192, Green}, {256, 576, Blue}, {768, 576, White}, {509, 100, Red},
                                       {514, 100, Green}, {100, 381, Red}, {100, 386, Blue}, {0, 0, Black}, {3, 3, Red}});
  EXPECT_EQ((std::vector<int>{1024, 768}), (std::vector<int>{image.width, image.height}));
}
// One frame pixel is one screen pixel: the window (no window manager: at the centre of
// the screen) or the integer scale shows the picture exactly.
TEST(SdlPresenter, WindowAndIntegerScaleAreExact) {
  const int x0 = (1024 - 640) / 2, y0 = (768 - 480) / 2;
  std::vector<Pixel> exact = {{x0, y0 + 100, Black},      {x0 + 1, y0 + 100, Red},     {x0 + 319, y0 + 1, Red},
                              {x0 + 320, y0 + 1, Green},  {x0 + 100, y0 + 239, Red},   {x0 + 100, y0 + 240, Blue},
                              {x0 + 638, y0 + 478, White}, {x0 + 639, y0 + 478, Black}};
  ExpectScreen("1024x768x24", "", "TESSALINE_SCALE=integer", exact);
  exact.push_back({100, 100, Black});  // outside the window
  ExpectScreen("1024x768x24", "--window", "", exact);
}
TEST(SdlPresenter, LinearScaleBlendsEdgesNearestDoesNot) {
  std::vector<int> blended;
  for (const char* mode : {"TESSALINE_SCALE=nearest", "TESSALINE_SCALE=linear"}) {
    const PngImage image = ExpectScreen("1024x768x24", "", mode, {{256, 192, Red}});
    int n = 0;
    for (int x = 500; x < 524 && !image.rgba.empty(); ++x) n += At(image, x, 192) != Red && At(image, x, 192) != Green;
    blended.push_back(n);  // pixels across the red/green border that are neither
  }
  ASSERT_EQ(2u, blended.size());
  EXPECT_EQ(0, blended[0]) << "nearest: sharp edge";
  EXPECT_GT(blended[1], 0) << "linear: a soft edge";
}
TEST(SdlPresenter, AltEnterSwitchesToFullScreen) {
  // Outside the 640 x 480 window, inside the full-screen picture, scaled by 1.6 (not 1:1).
  ExpectScreen("1024x768x24", "--window --frames 60 --toggle", "",
               {{100, 100, Red}, {1000, 700, White}, {508, 384 - 100, Red}, {516, 384 - 100, Green}});
}
TEST(SdlPresenter, WideScreenIsLetterboxed) {
  // 960 x 720 in the middle: bars of 160 pixels each side; the picture's own
  // black frame is 1.5 pixels wide at this scale.
  const PngImage image = ExpectScreen("1280x720x24", "", "",
                                      {{80, 360, Black}, {1200, 360, Black}, {170, 100, Red}, {1110, 700, White}, {636, 100, Red},
                                       {644, 100, Green}});
  ASSERT_EQ(1280, image.width);
  int left = 0, right = 1279;
  while (left < 640 && At(image, left, 360) == Black) ++left;
  while (right > 640 && At(image, right, 360) == Black) --right;
  EXPECT_NEAR(160, left, 2);
  EXPECT_NEAR(1119, right, 2);
  EXPECT_NEAR(4.0 / 3.0, (right - left + 1) / 720.0, 0.01);
}
TEST(SdlBackend, DeclinesWithoutADisplay) {
  const std::string command = std::string("env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER '") + SDL_PATTERN + "' /dev/null 2>&1";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(3, WEXITSTATUS(status)) << "no screen: the backend says no, so the program can report it";
}
}  // namespace
