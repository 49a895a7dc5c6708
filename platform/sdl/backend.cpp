// The SDL backend: a real window with its presenter; sound and input join it.
// It starts only where a display can be opened, so the program can say so.
#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/backend.h"
#include "platform/sdl/input.h"
#include "platform/sdl/window.h"
#include "platform/sound.h"

namespace platform {

namespace {
std::unique_ptr<SdlWindow> window;

ScaleMode ScaleFromEnvironment() {
  const char* s = std::getenv("TESSALINE_SCALE");
  if (s && std::strcmp(s, "linear") == 0) return ScaleMode::Linear;
  if (s && std::strcmp(s, "integer") == 0) return ScaleMode::Integer;
  return ScaleMode::Nearest;
}

bool Start(const BackendOptions& options) {
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  // SDL falls back to drivers without a screen; unless asked for by name
  // they are no display, and the program should say so.
  const char* driver = SDL_GetCurrentVideoDriver();
  const char* asked = std::getenv("SDL_VIDEODRIVER");
  const bool screenless = driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
  if (SDL_GetNumVideoDisplays() < 1 || (screenless && !(asked && std::strcmp(asked, driver) == 0))) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  const char* vsync = std::getenv("TESSALINE_VSYNC");
  window = std::make_unique<SdlWindow>(options.window, ScaleFromEnvironment(), !(vsync && std::strcmp(vsync, "0") == 0));
  SetWindow(window.get());
  SetPresenter(&window->Presenter());
  StartSdlInput();
  return true;
}

void Stop() {
  ReleaseSound();
  StopSdlInput();
  SetPresenter(nullptr);
  SetWindow(nullptr);
  window.reset();
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  SDL_Quit();
}
}  // namespace

// The window of the running sdl backend, or null (the shell's input uses it).
SdlWindow* GetSdlWindow() { return window.get(); }

extern const Backend SdlBackend;
const Backend SdlBackend = {"sdl", Start, Stop};

}  // namespace platform
