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
#include "tools/common/command_line.h"
#include "tools/common/png_io.h"
#include "tools/spin3d/spin.h"

namespace {

long FrameLimit = 0;  // 0: until Escape
// Off screen nobody can press Escape: 10 s of frames unless --frames says otherwise.
constexpr long HeadlessFrames = 600;
std::string ShotPath;
bool ShotFailed = false;

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
      if (!WritePng(ShotPath, shot, &error)) {
        std::fprintf(stderr, "spin3d: %s\n", error.c_str());
        ShotFailed = true;
      }
      display->Unlock();
    }
    display->Present();
    const uint32_t key = keyboard ? keyboard->ReadKey() : 0;
    if ((key & KeyReleased) == 0 && (key & KeyCodeMask) == 27) break;
    if ((key & KeyReleased) == 0 && ((key & KeyCodeMask) == 'l' || (key & KeyCodeMask) == 'L'))
      cube.SetLinearFilter(!cube.LinearFilter());
  }
}

const char* const Usage =
    "usage: spin3d [--window] [--headless] [--frames N] [--shot FILE.png] [--keys SCRIPT]\n"
    "       spin3d --help | --version\n"
    "Shows a rotating textured, Gouraud-shaded cube through the framework's 3D\n"
    "path until Escape; L switches between nearest and linear magnification.\n"
    "  --window         a window instead of full screen\n"
    "  --headless       no window: run off screen on a virtual clock\n"
    "  --frames N       end after N frames (with --headless: 600 unless given)\n"
    "  --shot FILE.png  write the last frame to FILE.png (one frame unless --frames)\n"
    "  --keys SCRIPT    timed keys for the headless keyboard\n";

}  // namespace

int main(int argc, char** argv) {
  platform::BackendOptions backend;
  bool headless = false;
  sCommandLine line(argc, argv);
  while (line.Next()) {
    if (line.Is("--window")) {
      backend.window = line.Flag();
    } else if (line.Is("--headless")) {
      headless = backend.virtualClock = line.Flag();
    } else if (line.Is("--frames")) {
      FrameLimit = line.Integer(1, 1L << 30);
    } else if (line.Is("--shot")) {
      ShotPath = line.Value();
    } else if (line.Is("--keys")) {
      const std::string path = line.Value();
      std::string error;
      std::vector<platform::InputScriptEvent> events;
      if (!line.Failed() && (!platform::ReadInputScript(path.c_str(), backend.keyScript, error) ||
                             !platform::ParseInputScript(backend.keyScript, events, error))) {
        std::fprintf(stderr, "spin3d: --keys %s: %s\n", path.c_str(), error.c_str());
        return 2;
      }
    } else {
      line.Unknown();
    }
  }
  line.Finish("spin3d", Usage);
  if (!ShotPath.empty() && FrameLimit == 0) FrameLimit = 1;
  if (headless && FrameLimit == 0) FrameLimit = HeadlessFrames;
  const char* name = headless ? "headless" : std::getenv("TESSALINE_BACKEND");
  if (!name || !*name) name = "sdl";
  if (!platform::StartBackend(name, backend)) {
    std::fprintf(stderr, "spin3d: the %s backend could not start%s\n", name,
                 std::string(name) == "sdl" ? " (no display? try --headless)" : "");
    return 1;
  }
  SetShellParts({StartDirectDraw, CreateDisplay, ReleaseDirectDraw, SpinMain});
  WinMain();
  const int status = FatalText[0] || ShotFailed ? 1 : 0;
  if (MainThreadStillRunning()) {
    std::fflush(nullptr);
    std::_Exit(status);
  }
  platform::StopBackend();
  return status;
}
