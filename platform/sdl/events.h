// The window thread's event pump, for the other SDL services (input): each
// listener sees every SDL event on the window thread before the window does.
#pragma once
#include <SDL.h>

namespace platform {
namespace sdl {

using EventListener = void (*)(const SDL_Event& event, void* user);
void AddEventListener(EventListener listener, void* user);
void RemoveEventListener(EventListener listener, void* user);
// Calls every listener (the window's pump does this).
void DispatchToListeners(const SDL_Event& event);

}  // namespace sdl
}  // namespace platform
