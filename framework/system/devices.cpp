#include "framework/system/devices.h"

#include "framework/system/fatal.h"
#include "framework/system/reset.h"

namespace {
constexpr int Kinds = 5;
constexpr int Slots = 4;
sDevice* Registry[Kinds][Slots];

const ResetHook resetRegistry(ClearDevices);
}  // namespace

sDevice::~sDevice() = default;

void ClearDevices() {
  for (auto& kind : Registry)
    for (auto& slot : kind) slot = nullptr;
}

void RegisterDevice(int kind, sDevice* device) {
  if (kind < 0 || kind >= Kinds) Assertion(556, "system");
  for (auto& slot : Registry[kind]) {
    if (!slot) {
      slot = device;
      return;
    }
  }
  Assertion(566, "system");
}

sDevice* GetDevice(int kind, int index) {
  if (kind < 0 || kind >= Kinds) Assertion(530, "system");
  if (index == -1) {
    sDevice* best = nullptr;
    for (sDevice* d : Registry[kind])
      if (d && (!best || d->Priority > best->Priority)) best = d;
    return best;
  }
  if (index < 0 || index >= Slots) Assertion(548, "system");
  return Registry[kind][index];
}

void DestroyDevices() {
  for (auto& kind : Registry)
    for (sDevice* d : kind) delete d;
}
