// Shows a known 640 x 480 Index 8 picture through the sdl backend, then takes
// a screenshot of the whole screen with ImageMagick.
//   sdl_pattern OUT.png [--window] [--frames N] [--toggle]
// --toggle presses Alt+Enter (xdotool) halfway and goes on presenting.
// Exit status: 0 shown and captured, 3 the sdl backend did not start, 1 otherwise.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include "framework/system/driver.h"
#include "framework/system/fatal.h"
#include "platform/backend.h"
#include "platform/thread.h"
#include "platform/window.h"
namespace {
// Quadrants: red, green / blue, white; a black one-pixel frame round the edge.
void DrawPattern(sWinDriver& d) {
  d.FillRect(1, 0, 0, 320, 240);
  d.FillRect(2, 320, 0, 640, 240);
  d.FillRect(3, 0, 240, 320, 480);
  d.FillRect(4, 320, 240, 640, 480);
  d.FrameRect(0, 0, 0, 640, 480);
}
bool toggle = false;
int Show(const std::string& out, int frames) {
  StartDirectDraw();
  auto driver = std::make_unique<sWinDriver>();
  sDisplayMode mode(640, 480, KindIndex8);
  if (!driver->FindMode(&mode)) Fatal("no 640 x 480 mode");
  driver->SetDisplayMode(&mode);
  sColor palette[256] = {};
  palette[1] = {255, 0, 0, 255};
  palette[2] = {0, 255, 0, 255};
  palette[3] = {0, 0, 255, 255};
  palette[4] = {255, 255, 255, 255};
  for (int i = 0; i < frames; ++i) {
    driver->BeginFrame(0);
    if (i == 0) driver->SetPalette(palette);
    DrawPattern(*driver);
    driver->Present();
    if (toggle && i == frames / 2 && std::system("xdotool key alt+Return") != 0) return 1;
  }
  const int status = std::system(("import -window root '" + out + "'").c_str());
  driver.reset();
  ReleaseDirectDraw();
  return status == 0 ? 0 : 1;
}
}  // namespace
int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: sdl_pattern OUT.png [--window] [--frames N] [--toggle]\n");
    return 2;
  }
  platform::BackendOptions options;
  int frames = 30;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--window") == 0) options.window = true;
    if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) frames = std::atoi(argv[++i]);
    if (std::strcmp(argv[i], "--toggle") == 0) toggle = true;
  }
  if (!platform::StartBackend("sdl", options)) {
    std::fprintf(stderr, "sdl_pattern: the sdl backend did not start\n");
    return 3;
  }
  platform::Window& window = platform::GetWindow();
  if (!window.RegisterClass("Tessaline") || !window.Create("Tessaline", 0, 0, 320, 200)) return 1;
  window.Show();
  std::unique_ptr<platform::Thread> show;
  const std::string out = argv[1];
  platform::Message m;
  while (window.GetMessage(m)) {
    if (m.id == platform::Msg::Paint && !show) {
      show = platform::Thread::Start([&] {
        const int result = Show(out, frames);
        window.PostQuit(result);
        return result;
      });
    }
  }
  const int result = show ? (show->Join(), show->ExitCode()) : 1;
  platform::StopBackend();
  return result;
}
