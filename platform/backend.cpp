#include "platform/backend.h"

#include <cstdlib>
#include <cstring>

namespace platform {

extern const Backend HeadlessBackend;
#ifdef TESS_WITH_SDL
extern const Backend SdlBackend;
#endif
#ifdef TESS_WITH_WEB
extern const Backend WebBackend;
#endif

namespace {
const Backend* const list[] = {
#ifdef TESS_WITH_WEB
    &WebBackend,
#endif
#ifdef TESS_WITH_SDL
    &SdlBackend,
#endif
    &HeadlessBackend,
    nullptr,
};
const Backend* running = nullptr;
BackendOptions runningOptions;
}  // namespace

const Backend* const* Backends() { return list; }

bool IsScaleName(const std::string& name) { return name == "nearest" || name == "integer" || name == "linear"; }

const Backend* StartBackend(const char* name, const BackendOptions& options) {
  if (!name || !*name) name = std::getenv("TESSALINE_BACKEND");
  for (const Backend* const* b = list; *b; ++b) {
    if (name && *name && std::strcmp((*b)->name, name) != 0) continue;
    runningOptions = options;
    if ((*b)->start(options)) {
      running = *b;
      return running;
    }
    if (name && *name) break;
  }
  return nullptr;
}

void StopBackend() {
  if (running) running->stop();
  running = nullptr;
}

const Backend* CurrentBackend() { return running; }
const BackendOptions& CurrentOptions() { return runningOptions; }

}  // namespace platform
