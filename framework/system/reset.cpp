#include "framework/system/reset.h"

namespace {
// Fixed capacity: hooks are static objects, so the list must not need a
// constructor that could run after theirs.
void (*hooks[64])();
int hookCount = 0;
}  // namespace

ResetHook::ResetHook(void (*reset)()) {
  if (hookCount < 64) hooks[hookCount++] = reset;
}

void ResetProcessState() {
  for (int i = 0; i < hookCount; ++i) hooks[i]();
}
