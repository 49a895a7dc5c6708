#include "platform/window.h"

#include <atomic>

#include "platform/headless/window.h"

namespace platform {

namespace {
std::atomic<Window*> current{nullptr};
}

Window& GetWindow() {
  static HeadlessWindow fallback;
  Window* w = current.load();
  return w ? *w : fallback;
}

void SetWindow(Window* window) { current.store(window); }

bool HasWindow() { return current.load() != nullptr; }

}  // namespace platform
