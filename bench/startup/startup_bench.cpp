// Start-up time of the show on the headless backend, from program start to the
// first presented frame, split as the main loop's start-up runs: loading the
// pack (the script's pictures), preparing textures, decoding the soundtrack.
//
//   startup_bench [--runs N] [--data DIR]
// Each run is a fresh process (the pack, the display and the sound image are
// program-wide); the figures are the median and the fastest of the runs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/display.h"
#include "framework/math.h"
#include "framework/pack.h"
#include "framework/system/driver.h"
#include "platform/backend.h"
#include "vo/moveit.h"
#include "vo/screen.h"
#include "vo/script.h"
#include "vo/soundtrack.h"

namespace {

using Clock = std::chrono::steady_clock;
const Clock::time_point ProgramStart = Clock::now();

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

// One start-up, in the main loop's order; prints "phase ms" lines.
int RunOnce() {
  InitMathTables();
  platform::BackendOptions options;
  if (!platform::StartBackend("headless", options)) return 1;
  StartDirectDraw();
  auto* display = new sWinDriver;
  TheDisplay = display;
  sTimeline timeline;
  const auto t0 = Clock::now();
  OpenPackFile("v01.dat");
  ScreenMode = sDisplayMode(640, 480, KindIndex8);
  if (!display->FindMode(&ScreenMode)) return 1;
  display->SetDisplayMode(&ScreenMode);
  const auto t1 = Clock::now();
  timeline.Reset();
  Script(&timeline);
  const auto t2 = Clock::now();
  timeline.Prepare(display);
  display->LoadTextures(&ScreenMode);
  display->UploadTextures();
  const auto t3 = Clock::now();
  DecodeSoundtrack("vo.mp3");
  const auto t4 = Clock::now();
  display->BeginFrame(0);
  StartSound();
  timeline.Render(display, 0.0f);
  display->Present();
  const auto t5 = Clock::now();
  std::printf("process %.3f\nscreen %.3f\npack %.3f\ntextures %.3f\ndecode %.3f\nframe %.3f\ntotal %.3f\n",
              Ms(ProgramStart, t0), Ms(t0, t1), Ms(t1, t2), Ms(t2, t3), Ms(t3, t4), Ms(t4, t5), Ms(ProgramStart, t5));
  std::fflush(stdout);
  // Leave without tearing down: only the start-up is measured.
  std::_Exit(0);
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 10;
  std::string data;
  bool once = false;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--once")) once = true;
    else if (!std::strcmp(argv[i], "--runs") && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
    else if (!std::strcmp(argv[i], "--data") && i + 1 < argc) data = argv[++i];
    else {
      std::fprintf(stderr, "usage: startup_bench [--runs N] [--data DIR]\n");
      return 2;
    }
  }
  if (once) return RunOnce();

  const char* names[] = {"process", "screen", "pack", "textures", "decode", "frame", "total"};
  const char* labels[] = {"program start to start-up", "screen mode", "loading the pack",
                          "preparing textures", "decoding the soundtrack", "first frame",
                          "program start to first presented frame"};
  std::vector<std::vector<double>> figures(7);
  std::error_code ec;
  std::string self = std::filesystem::read_symlink("/proc/self/exe", ec).string();
  if (ec) self = std::filesystem::absolute(argv[0]).string();
  std::string command = "cd '" + (data.empty() ? std::string(TESS_APP_DIR) : data) + "' && '" + self + "' --once";
  for (int r = 0; r < runs; ++r) {
    std::FILE* p = popen(command.c_str(), "r");
    if (!p) return 1;
    char line[128];
    int got = 0;
    while (std::fgets(line, sizeof line, p)) {
      char name[32];
      double ms;
      if (std::sscanf(line, "%31s %lf", name, &ms) != 2) continue;
      for (int k = 0; k < 7; ++k)
        if (!std::strcmp(name, names[k])) figures[k].push_back(ms), ++got;
    }
    if (pclose(p) != 0 || got != 7) {
      std::fprintf(stderr, "startup_bench: run %d failed (is v01.dat beside vo.mp3 in %s?)\n", r + 1,
                   data.empty() ? TESS_APP_DIR : data.c_str());
      return 1;
    }
  }
  std::printf("Start-up on the headless backend, %d runs (median / fastest, ms):\n", runs);
  for (int k = 0; k < 7; ++k) {
    std::vector<double>& v = figures[k];
    std::sort(v.begin(), v.end());
    std::printf("  %-40s %8.2f %8.2f\n", labels[k], v[v.size() / 2], v[0]);
  }
  return 0;
}
