// The compiled-in backends, in order of preference, and the one that runs.
#pragma once
#include <string>

namespace platform {

struct BackendOptions {
  bool window = false;           // a window instead of full screen
  bool virtualClock = false;     // time advances per presented frame (headless show)
  unsigned frameMicros = 16667;  // the virtual clock's step per frame
  std::string keyScript;         // headless input: a script of timed events (platform/headless/input.h)
  // The window backend's picture. Unset, TESSALINE_SCALE and TESSALINE_VSYNC
  // decide, else the original's look: nearest scaling, vsync on.
  std::string scale;             // "nearest", "integer" or "linear"
  int vsync = -1;                // 1 on, 0 off, -1 unset
  int windowWidth = 0;           // a window's size; 0: the largest whole
  int windowHeight = 0;          //   multiple of 640 x 480 that fits the screen
};

// The scaling names a user can give.
bool IsScaleName(const std::string& name);

struct Backend {
  const char* name;
  // Installs the backend's services; false when it cannot run here (no display, say).
  bool (*start)(const BackendOptions& options);
  void (*stop)();
};

// web or sdl (when built) before headless.
const Backend* const* Backends();

// Starts the named backend, or, when name is null or empty, the one named by
// TESSALINE_BACKEND, or else the first in the list that starts. Returns the
// started backend, or null.
const Backend* StartBackend(const char* name, const BackendOptions& options);
void StopBackend();
const Backend* CurrentBackend();
const BackendOptions& CurrentOptions();

}  // namespace platform
