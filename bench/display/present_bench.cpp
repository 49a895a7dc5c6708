// Cost of one full-screen Present of a 640 x 480 Index 8 frame with a new
// palette each frame (flip, palette conversion and hand-over):
//   display_bench                     headless only
//   xvfb-run -a -s "-screen 0 1024x768x24" env TESSALINE_VSYNC=0 display_bench
//                                     headless, then the sdl presenter
// With vsync (the default) the sdl figure is the refresh period instead.
#include <benchmark/benchmark.h>

#include <memory>

#include "framework/system/devices.h"
#include "framework/system/driver.h"
#include "platform/backend.h"
#include "platform/display.h"
#include "platform/headless/screen.h"
#include "platform/thread.h"
#include "platform/window.h"

namespace {

platform::Presenter* sdlPresenter = nullptr;

void PresentLoop(benchmark::State& state) {
  ClearDevices();  // each run registers a new display
  StartDirectDraw();
  auto driver = std::make_unique<sWinDriver>();
  sDisplayMode mode(640, 480, KindIndex8);
  driver->FindMode(&mode);
  driver->SetDisplayMode(&mode);
  sColor palette[256];
  for (int i = 0; i < 256; ++i) palette[i] = {uint8_t(i), uint8_t(255 - i), uint8_t(i / 2), 255};
  for (int y = 0; y < 480; ++y) driver->HLine(static_cast<uint32_t>(y & 255), 0, 639, y);
  int frame = 0;
  for (auto _ : state) {
    palette[0].r = static_cast<uint8_t>(frame++);
    driver->BeginFrame(0);
    driver->SetPalette(palette);
    driver->Present();
  }
  state.SetItemsProcessed(state.iterations());
  driver.reset();
  ReleaseDirectDraw();
}

void BM_PresentHeadless(benchmark::State& state) {
  platform::Presenter* saved = platform::GetPresenter();
  platform::HeadlessScreen screen(16667);
  platform::SetPresenter(&screen);
  PresentLoop(state);
  platform::SetPresenter(saved);
}
BENCHMARK(BM_PresentHeadless)->Unit(benchmark::kMicrosecond);

void BM_PresentSdl(benchmark::State& state) {
  if (!sdlPresenter) {
    state.SkipWithError("no sdl backend (run under a display)");
    for (auto _ : state) {
    }
    return;
  }
  platform::SetPresenter(sdlPresenter);
  PresentLoop(state);
}
BENCHMARK(BM_PresentSdl)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  platform::BackendOptions options;
  options.window = true;
  if (!platform::StartBackend("sdl", options)) {
    benchmark::RunSpecifiedBenchmarks();
    return 0;
  }
  // The sdl presenter needs the first thread pumping: benchmarks run beside it.
  sdlPresenter = platform::GetPresenter();
  platform::Window& window = platform::GetWindow();
  window.Create("Tessaline", 0, 0, 640, 480);
  window.Show();
  auto runner = platform::Thread::Start([&] {
    benchmark::RunSpecifiedBenchmarks();
    window.PostQuit(0);
    return 0;
  });
  platform::Message m;
  while (window.GetMessage(m)) {
  }
  runner->Join();
  platform::StopBackend();
  return 0;
}
