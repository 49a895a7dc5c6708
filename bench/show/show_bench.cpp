// The cost of one frame of the show at chosen show times, on the headless
// backend: the timeline's render alone, and render plus present. Also counts
// the heap allocations made while frames are drawn (the goal is none).
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>

#include "framework/display.h"
#include "framework/math.h"
#include "framework/pack.h"
#include "framework/system/driver.h"
#include "platform/backend.h"
#include "vo/moveit.h"
#include "vo/palette.h"
#include "vo/script.h"

namespace {
std::atomic<uint64_t> allocations{0};
}  // namespace

void* operator new(size_t n) {
  ++allocations;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

namespace {

struct Show {
  sWinDriver* display = nullptr;
  sTimeline* timeline = nullptr;
};

Show& TheShow() {
  static Show show = [] {
    Show s;
    InitMathTables();
    platform::BackendOptions options;
    if (!platform::StartBackend("headless", options)) {
      std::fprintf(stderr, "show_bench: no headless backend\n");
      std::exit(1);
    }
    std::error_code ec;
    std::filesystem::current_path(TESS_BUILD_DIR "/app", ec);
    if (ec || !std::filesystem::exists("v01.dat")) {
      std::fprintf(stderr, "show_bench: no v01.dat in %s/app (build the content first)\n", TESS_BUILD_DIR);
      std::exit(1);
    }
    StartDirectDraw();
    s.display = new sWinDriver;
    OpenPackFile("v01.dat");
    sDisplayMode mode(640, 480, KindIndex8);
    if (!s.display->FindMode(&mode)) std::exit(1);
    s.display->SetDisplayMode(&mode);
    s.timeline = new sTimeline;
    Script(s.timeline);
    s.timeline->Prepare(s.display);
    s.display->LoadTextures(&mode);
    s.display->UploadTextures();
    return s;
  }();
  return show;
}

void Frame(Show& s, float t, bool present) {
  s.display->BeginFrame(0);
  if (PaletteChanged) {
    s.display->SetPalette(ScreenPalette);
    PaletteChanged = 0;
  }
  s.timeline->Render(s.display, t);
  if (present) s.display->Present();
}

void RunFrames(benchmark::State& state, bool present) {
  Show& s = TheShow();
  const float t = static_cast<float>(state.range(0));
  Frame(s, t, true);  // settle the palette and the lock state
  const uint64_t before = allocations.load();
  for (auto _ : state) Frame(s, t, present);
  state.counters["allocs/frame"] =
      benchmark::Counter(static_cast<double>(allocations.load() - before) / static_cast<double>(state.iterations()));
  state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void Render(benchmark::State& state) { RunFrames(state, false); }
void RenderAndPresent(benchmark::State& state) { RunFrames(state, true); }

// 1000: only the full-screen shade; 12000: sprites, lines and the wipe;
// 16000: the whole wipe; 20000: the masked effect fully revealed; 26000: a backdrop; 40000: nothing.
#define SHOW_TIMES Arg(1000)->Arg(5000)->Arg(12000)->Arg(16000)->Arg(20000)->Arg(26000)->Arg(40000)
BENCHMARK(Render)->SHOW_TIMES->Unit(benchmark::kMicrosecond);
BENCHMARK(RenderAndPresent)->SHOW_TIMES->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
