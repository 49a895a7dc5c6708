// The SDL backend: real window, presenter, sound and input.
// Not yet able to run: the window and presenter arrive with the display work,
// so start() declines and the headless backend is chosen.
#include "platform/backend.h"

namespace platform {

namespace {
bool Start(const BackendOptions&) { return false; }
void Stop() {}
}  // namespace

extern const Backend SdlBackend;
const Backend SdlBackend = {"sdl", Start, Stop};

}  // namespace platform
