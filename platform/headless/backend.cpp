// The headless backend: no screen, no sound card, time that can be virtual.
#include <cstdio>
#include <memory>

#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/headless/input.h"
#include "platform/headless/screen.h"
#include "platform/headless/window.h"
#include "platform/sound.h"

namespace platform {

namespace {
std::unique_ptr<HeadlessWindow> window;
std::unique_ptr<VirtualClock> clock;
std::unique_ptr<HeadlessScreen> screen;
std::unique_ptr<HeadlessInput> input;

bool Start(const BackendOptions& options) {
  std::vector<InputScriptEvent> script;
  std::string error;
  if (!ParseInputScript(options.keyScript, script, error)) {
    std::fprintf(stderr, "key script: %s\n", error.c_str());
    return false;
  }
  window = std::make_unique<HeadlessWindow>();
  SetWindow(window.get());
  if (options.virtualClock) {
    clock = std::make_unique<VirtualClock>();
    SetClock(clock.get());
  }
  screen = std::make_unique<HeadlessScreen>(options.frameMicros);
  SetPresenter(screen.get());
  // After the clock: script times count from here.
  input = std::make_unique<HeadlessInput>(std::move(script));
  SetInput(input.get());
  return true;
}

void Stop() {
  ReleaseSound();
  SetInput(nullptr);
  SetWindow(nullptr);
  SetClock(nullptr);
  SetPresenter(nullptr);
  screen.reset();
  input.reset();
  window.reset();
  clock.reset();
}
}  // namespace

extern const Backend HeadlessBackend;
const Backend HeadlessBackend = {"headless", Start, Stop};

// The virtual clock of the running headless show, or null.
VirtualClock* HeadlessClock() { return clock.get(); }
HeadlessScreen* GetHeadlessScreen() { return screen.get(); }

}  // namespace platform
