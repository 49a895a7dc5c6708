// The headless backend: no screen, no sound card, time that can be virtual.
#include <memory>

#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/headless/screen.h"
#include "platform/headless/window.h"

namespace platform {

namespace {
std::unique_ptr<HeadlessWindow> window;
std::unique_ptr<VirtualClock> clock;
std::unique_ptr<HeadlessScreen> screen;

bool Start(const BackendOptions& options) {
  window = std::make_unique<HeadlessWindow>();
  SetWindow(window.get());
  if (options.virtualClock) {
    clock = std::make_unique<VirtualClock>();
    SetClock(clock.get());
  }
  screen = std::make_unique<HeadlessScreen>(options.frameMicros);
  SetPresenter(screen.get());
  return true;
}

void Stop() {
  SetWindow(nullptr);
  SetClock(nullptr);
  SetPresenter(nullptr);
  screen.reset();
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
