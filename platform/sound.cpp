#include "platform/sound.h"

#include <cstring>
#include <mutex>

#include "platform/backend.h"
#include "platform/headless/sound.h"

namespace platform {

#ifdef TESS_WITH_SDL
std::unique_ptr<Sound> MakeSdlSound();
#endif
#ifdef TESS_WITH_WEB
std::unique_ptr<Sound> MakeWebSound();
#endif
VirtualClock* HeadlessClock();

namespace {
std::mutex lock;
Sound* installed = nullptr;
std::unique_ptr<Sound> made;
const Backend* madeFor = nullptr;

// The service follows the running backend; it is made on first use.
std::unique_ptr<Sound> MakeFor(const Backend* backend) {
#ifdef TESS_WITH_SDL
  if (backend && std::strcmp(backend->name, "sdl") == 0) return MakeSdlSound();
#endif
#ifdef TESS_WITH_WEB
  // Exact frames for tests run silent, as a headless show does.
  if (backend && std::strcmp(backend->name, "web") == 0)
    return CurrentOptions().virtualClock ? MakeHeadlessSound(HeadlessSound::Pace::Virtual, nullptr) : MakeWebSound();
#endif
  if (backend && std::strcmp(backend->name, "headless") == 0 && CurrentOptions().virtualClock)
    return MakeHeadlessSound(HeadlessSound::Pace::Virtual, HeadlessClock());
  return MakeHeadlessSound(HeadlessSound::Pace::Real, nullptr);
}
}  // namespace

Sound& GetSound() {
  std::lock_guard<std::mutex> hold(lock);
  if (installed) return *installed;
  const Backend* backend = CurrentBackend();
  if (!made || backend != madeFor) {
    made.reset();
    made = MakeFor(backend);
    madeFor = backend;
  }
  return *made;
}

void SetSound(Sound* sound) {
  std::lock_guard<std::mutex> hold(lock);
  installed = sound;
}

void ReleaseSound() {
  std::unique_ptr<Sound> old;
  {
    std::lock_guard<std::mutex> hold(lock);
    old = std::move(made);
    madeFor = nullptr;
  }
}

}  // namespace platform
