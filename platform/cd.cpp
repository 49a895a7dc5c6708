#include "platform/cd.h"

#include <atomic>

#include "platform/debug.h"

namespace platform {

namespace {
std::atomic<CdAudio*> current{nullptr};
}

std::unique_ptr<CdDevice> NoCdDrive::Open(const char*) {
  OutputDebugString("no CD drive\n");
  return nullptr;
}

CdAudio& GetCdAudio() {
  static NoCdDrive none;
  CdAudio* cd = current.load();
  return cd ? *cd : none;
}

void SetCdAudio(CdAudio* cd) { current.store(cd); }

}  // namespace platform
