// spin3d: a 640 x 480 0565 screen with Direct3D and a Z-buffer, showing a
// rotating textured, Gouraud-shaded cube until Escape. L switches between
// nearest and linear magnification.
//
//   spin3d [--window] [--headless] [--frames N] [--shot FILE.png] [--keys SCRIPT]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/bitmap.h"
#include "framework/display.h"
#include "framework/system/clocks.h"
#include "framework/system/devices.h"
#include "framework/system/driver.h"
#include "framework/system/fatal.h"
#include "framework/system/input.h"
#include "framework/system/keys.h"
#include "framework/system/shell.h"
#include "platform/backend.h"
#include "platform/headless/input.h"
#include "tools/common/png_io.h"
#include "tools/spin3d/spin.h"

namespace {

long FrameLimit = 0;  // 0: until Escape
std::string ShotPath;

void CreateDisplay() { new sWinDriver; }

void SpinMain() {
  auto* display = static_cast<sDisplay*>(GetDevice(DeviceDisplay, -1));
  auto* keyboard = static_cast<sKeyboard*>(GetDevice(DeviceKeyboard, -1));
  if (!display) Fatal("No display device");
  sDisplayMode mode(640, 480, Kind0565);
  mode.Use3D = 1;
  mode.ZBuffer = 1;
  if (!display->FindMode(&mode)) Fatal("spin3d: no 640 x 480 0565 mode with 3D");
  display->SetDisplayMode(&mode);

  sSpinCube cube(display);
  cube.Prepare(&mode);
  const uint64_t start = GetMicroseconds();
  for (long frame = 0; FrameLimit == 0 || frame < FrameLimit; ++frame) {
    display->BeginFrame(0);
    cube.Draw(static_cast<float>(GetMicroseconds() - start) / 1000.0f);
    if (!ShotPath.empty() && frame + 1 == FrameLimit) {
      sBitmap shot;
      display->Lock(&shot);
      std::string error;
      if (!WritePng(ShotPath, shot, &error)) std::fprintf(stderr, "spin3d: %s\n", error.c_str());
      display->Unlock();
    }
    display->Present();
    const uint32_t key = keyboard ? keyboard->ReadKey() : 0;
    if ((key & KeyReleased) == 0 && (key & KeyCodeMask) == 27) break;
    if ((key & KeyReleased) == 0 && ((key & KeyCodeMask) == 'l' || (key & KeyCodeMask) == 'L'))
      cube.SetLinearFilter(!cube.LinearFilter());
  }
}

bool ReadWholeFile(const char* path, std::string& text) {
  FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
  std::fclose(f);
  return true;
}

int Usage(FILE* out, int status) {
  std::fputs("usage: spin3d [--window] [--headless] [--frames N] [--shot FILE.png] [--keys SCRIPT]\n", out);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  platform::BackendOptions backend;
  bool headless = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--window") {
      backend.window = true;
    } else if (a == "--headless") {
      headless = true;
      backend.virtualClock = true;
    } else if (a == "--frames" && i + 1 < argc) {
      FrameLimit = std::strtol(argv[++i], nullptr, 10);
      if (FrameLimit < 1) return Usage(stderr, 2);
    } else if (a == "--shot" && i + 1 < argc) {
      ShotPath = argv[++i];
    } else if (a == "--keys" && i + 1 < argc) {
      if (!ReadWholeFile(argv[++i], backend.keyScript)) {
        std::fprintf(stderr, "spin3d: cannot read %s\n", argv[i]);
        return 2;
      }
    } else if (a == "--help" || a == "-h") {
      return Usage(stdout, 0);
    } else {
      return Usage(stderr, 2);
    }
  }
  if (!ShotPath.empty() && FrameLimit == 0) FrameLimit = 1;
  const char* name = headless ? "headless" : std::getenv("TESSALINE_BACKEND");
  if (!name || !*name) name = "sdl";
  if (!platform::StartBackend(name, backend)) {
    std::fprintf(stderr, "spin3d: the %s backend could not start%s\n", name,
                 std::string(name) == "sdl" ? " (no display? try --headless)" : "");
    return 1;
  }
  SetShellParts({StartDirectDraw, CreateDisplay, ReleaseDirectDraw, SpinMain});
  WinMain();
  const int status = FatalText[0] ? 1 : 0;
  if (MainThreadStillRunning()) {
    std::fflush(nullptr);
    std::_Exit(status);
  }
  platform::StopBackend();
  return status;
}
