// The SDL backend: a real window with its presenter; sound and input join it.
// It starts only where a display can be opened, so the program can say so.
#include <SDL.h>

#include <cstdio>
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

// The option, else the environment, else the original's sharp pixels.
ScaleMode ChooseScale(const std::string& option) {
  std::string name = option;
  if (name.empty()) {
    const char* s = std::getenv("TESSALINE_SCALE");
    name = s ? s : "";
    if (!name.empty() && !IsScaleName(name)) {
      std::fprintf(stderr, "TESSALINE_SCALE=%s is not nearest, integer or linear; scaling nearest\n", name.c_str());
      name.clear();
    }
  }
  if (name == "linear") return ScaleMode::Linear;
  if (name == "integer") return ScaleMode::Integer;
  return ScaleMode::Nearest;
}

bool ChooseVsync(int option) {
  if (option >= 0) return option != 0;
  const char* vsync = std::getenv("TESSALINE_VSYNC");
  return !(vsync && std::strcmp(vsync, "0") == 0);
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
  EndWhenDisplayIsLost();
  window = std::make_unique<SdlWindow>(options.window, ChooseScale(options.scale), ChooseVsync(options.vsync),
                                       options.windowWidth, options.windowHeight);
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
