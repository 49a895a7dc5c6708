#include <mutex>

#include "platform/display.h"

namespace platform {

namespace {
struct Pending {
  int after = 0;
  int count = 0;
};
std::mutex lock;
Pending faults[static_cast<int>(DDFault::Count)];
}  // namespace

void InjectDisplayFault(DDFault fault, int count, int after) {
  std::lock_guard<std::mutex> hold(lock);
  faults[static_cast<int>(fault)] = {after, count};
}

void ClearDisplayFaults() {
  std::lock_guard<std::mutex> hold(lock);
  for (Pending& p : faults) p = {};
}

bool DisplayFaultFires(DDFault fault) {
  std::lock_guard<std::mutex> hold(lock);
  Pending& p = faults[static_cast<int>(fault)];
  if (p.count <= 0) return false;
  if (p.after > 0) {
    --p.after;
    return false;
  }
  --p.count;
  return true;
}

}  // namespace platform
