#include "vo/frame_observer.h"

#include "framework/system/reset.h"

namespace {
FrameObserver observer = nullptr;
void* observerUser = nullptr;
const ResetHook resetObserver([] {
  observer = nullptr;
  observerUser = nullptr;
});
}  // namespace

void SetFrameObserver(FrameObserver o, void* user) {
  observer = o;
  observerUser = user;
}

void ObserveFrame(const sFrameInfo& frame) {
  if (observer) observer(frame, observerUser);
}
