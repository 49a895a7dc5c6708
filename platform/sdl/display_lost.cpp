// When the X server goes away, or xkill closes the program's connection,
// Xlib calls its I/O error handler and then exits the process from whichever
// thread noticed, with the show's threads still running through the exit.
// Ours says so in one line and ends the process at once: the sound and the
// screen go with the process and the connection. SDL loads Xlib itself, so
// the handler is set through the loaded library.
#include <SDL.h>
#include <dlfcn.h>
#include <unistd.h>

#include <cstring>

#include "platform/sdl/window.h"

namespace platform {

namespace {

int Lost(void*) {
  static const char text[] = "Tessaline: the display is gone (the connection to the X server was lost)\n";
  (void)!write(STDERR_FILENO, text, sizeof text - 1);
  _exit(1);
}

}  // namespace

void EndWhenDisplayIsLost() {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver || std::strcmp(driver, "x11") != 0) return;
  void* x11 = dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);
  if (!x11) return;
  using Handler = int (*)(void*);
  auto set = reinterpret_cast<Handler (*)(Handler)>(dlsym(x11, "XSetIOErrorHandler"));
  if (set) set(Lost);
}

}  // namespace platform
