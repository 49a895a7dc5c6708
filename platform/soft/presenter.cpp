#include <atomic>
#include <cstring>

#include "platform/soft/state.h"

namespace platform {

namespace {
std::atomic<Presenter*> presenter{nullptr};
}

void SetPresenter(Presenter* p) { presenter.store(p); }
Presenter* GetPresenter() { return presenter.load(); }

namespace soft {

void CommitFrame(const DDSurface* primary) {
  State& s = GetState();
  std::lock_guard<std::mutex> hold(s.lock);
  if (!s.pending) return;
  s.pending = false;
  for (DDPaletteEntry& e : s.frame.palette) e = DDPaletteEntry{};
  if (primary && primary->AttachedPalette())
    std::memcpy(s.frame.palette, primary->AttachedPalette()->Entries(), sizeof s.frame.palette);
  if (Presenter* p = presenter.load()) p->ShowFrame(s.frame);
}

}  // namespace soft
}  // namespace platform
