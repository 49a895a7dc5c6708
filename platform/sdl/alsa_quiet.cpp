// ALSA writes its own lines to stderr when it finds no card ("ALSA lib
// confmisc.c:855:(parse_card) cannot find card '0'" and seven more) before
// SDL moves on; the program says "no sound device, running silent" itself.
// SDL loads the library at run time, so its error handler is set the same
// way: the lines go to the debug output instead.
#include "platform/sdl/sound.h"

#include <dlfcn.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/debug.h"

namespace platform {

namespace {

void ToDebugOutput(const char* file, int line, const char* function, int error, const char* format, ...) {
  char text[512];
  int n = std::snprintf(text, sizeof text, "ALSA lib %s:%d:(%s) ", file ? file : "?", line, function ? function : "?");
  if (n < 0 || n >= static_cast<int>(sizeof text)) n = 0;
  va_list args;
  va_start(args, format);
  std::vsnprintf(text + n, sizeof text - n - 1, format, args);
  va_end(args);
  const size_t end = std::strlen(text);
  std::snprintf(text + end, sizeof text - end, "\n");
  OutputDebugString(text);
}

}  // namespace

void QuietAlsaMessages() {
  using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
  static bool done = false;
  if (done) return;
  done = true;
  // Kept loaded for the life of the process: the handler stays valid.
  void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
  if (!alsa) return;
  auto set = reinterpret_cast<int (*)(Handler)>(dlsym(alsa, "snd_lib_error_set_handler"));
  if (set) set(ToDebugOutput);
}

}  // namespace platform
