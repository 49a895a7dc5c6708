// The tessaline program. For now it starts the platform and ends cleanly; the
// shell, the display and the show arrive in later work.
#include <cstdio>
#include <cstring>

#include "framework/math.h"
#include "platform/backend.h"

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::printf("usage: tessaline\n");
      return 0;
    }
    std::fprintf(stderr, "tessaline: unknown option '%s' (try --help)\n", argv[i]);
    return 2;
  }
  InitMathTables();
  platform::BackendOptions options;
  if (!platform::StartBackend(nullptr, options)) {
    std::fprintf(stderr, "tessaline: no platform backend could start\n");
    return 1;
  }
  platform::StopBackend();
  return 0;
}
