#include "platform/sdl/events.h"

#include <mutex>
#include <utility>
#include <vector>

namespace platform {
namespace sdl {

namespace {
std::mutex lock;
std::vector<std::pair<EventListener, void*>> listeners;
}  // namespace

void AddEventListener(EventListener listener, void* user) {
  std::lock_guard<std::mutex> hold(lock);
  listeners.emplace_back(listener, user);
}

void RemoveEventListener(EventListener listener, void* user) {
  std::lock_guard<std::mutex> hold(lock);
  for (auto it = listeners.begin(); it != listeners.end(); ++it) {
    if (it->first == listener && it->second == user) {
      listeners.erase(it);
      return;
    }
  }
}

void DispatchToListeners(const SDL_Event& event) {
  std::vector<std::pair<EventListener, void*>> copy;
  {
    std::lock_guard<std::mutex> hold(lock);
    copy = listeners;
  }
  for (auto& l : copy) l.first(event, l.second);
}

}  // namespace sdl
}  // namespace platform
