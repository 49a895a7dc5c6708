// The studio's reload: the default show read from shows/default.show and its
// pack again, rebuilt from scratch and run to 30 s (frame 1800), as the
// studio does when a file changes or a key jumps back. Also the jump alone,
// and the same frames each drawn, for comparison. Headless backend.
//
//   studio_bench [--runs N]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/show_setup.h"
#include "app/studio.h"
#include "framework/display.h"
#include "framework/math.h"
#include "framework/system/driver.h"
#include "platform/backend.h"
#include "vo/moveit.h"
#include "vo/palette.h"
#include "vo/screen.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

void Report(const char* what, std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  std::printf("%-44s median %7.1f ms   fastest %7.1f ms   (%zu runs)\n", what, ms[ms.size() / 2], ms[0], ms.size());
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 7;
  if (argc == 3 && std::strcmp(argv[1], "--runs") == 0) runs = std::max(1, std::atoi(argv[2]));
  InitMathTables();
  platform::BackendOptions backend;
  backend.virtualClock = true;
  if (!platform::StartBackend("headless", backend)) return 1;
  Options options;
  options.show = TESS_SOURCE_DIR "/shows/default.show";
  options.data = TESS_BUILD_DIR "/app";
  static ShowSetup setup;
  std::string error;
  if (SetUpShow(options, ".", "", &setup, &error) || !FirstProblem(setup.data, setup.needs).empty()) {
    std::fprintf(stderr, "studio_bench: %s (build the content first)\n", error.c_str());
    return 1;
  }
  std::filesystem::current_path(setup.data.Folder());
  StartDirectDraw();
  TheDisplay = new sWinDriver;
  ScreenMode = sDisplayMode(640, 480, KindIndex8);
  if (!TheDisplay->FindMode(&ScreenMode)) return 1;
  TheDisplay->SetDisplayMode(&ScreenMode);
  Studio studio(&setup, std::filesystem::temp_directory_path().string());
  const uint64_t frame = StudioFrameAfter(30000.0 - 1.0, 16667);
  std::vector<double> reload, jump, drawn;
  for (int i = 0; i < runs; ++i) {
    const Clock::time_point a = Clock::now();
    if (!studio.Reload(&error)) {
      std::fprintf(stderr, "studio_bench: %s\n", error.c_str());
      return 1;
    }
    const Clock::time_point b = Clock::now();
    studio.GoTo(frame);
    const Clock::time_point c = Clock::now();
    reload.push_back(Ms(a, c));
    jump.push_back(Ms(b, c));
    // Every frame drawn, as a plain replay would.
    studio.Rebuild(&error);
    const Clock::time_point d = Clock::now();
    for (uint64_t f = 0; f <= frame; ++f) {
      TheDisplay->BeginFrame(0);
      if (PaletteChanged) {
        TheDisplay->SetPalette(ScreenPalette);
        PaletteChanged = 0;
      }
      studio.Timeline()->Render(TheDisplay, StudioFrameTime(f, 16667));
      TheDisplay->Present();
    }
    drawn.push_back(Ms(d, Clock::now()));
  }
  std::printf("studio: reload of shows/default.show and a jump to frame %llu (%.3f s)\n",
              static_cast<unsigned long long>(frame), StudioFrameTime(frame, 16667) / 1000.0);
  Report("reload and jump to 30 s (goal under 300 ms)", reload);
  Report("  of which the jump", jump);
  Report("the same frames all drawn, for comparison", drawn);
  return 0;
}
