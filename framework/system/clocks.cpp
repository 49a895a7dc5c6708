#include "framework/system/clocks.h"

#include "platform/clock.h"

namespace {

// v / 2^32 from the halves, as the counter was read: the low half unsigned,
// the high half signed.
double Scaled(uint64_t v) {
  return static_cast<double>(static_cast<uint32_t>(v)) * (1.0 / 4294967296.0) +
         static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(v >> 32)));
}

bool Counter(double unitsPerSecond, uint64_t& result) {
  platform::Clock& clock = platform::GetClock();
  uint64_t count, hz;
  if (!clock.QueryCounter(count) || !clock.QueryFrequency(hz)) return false;
  result = static_cast<uint64_t>(static_cast<int64_t>(Scaled(count) * unitsPerSecond / Scaled(hz)));
  return true;
}

}  // namespace

uint64_t GetMicroseconds() {
  uint64_t v;
  if (Counter(1000000.0, v)) return v;
  return static_cast<uint64_t>(platform::GetClock().TimeGetTime()) * 1000u;
}

uint64_t GetMilliseconds() {
  uint64_t v;
  if (Counter(1000.0, v)) return v;
  return platform::GetClock().TimeGetTime();
}
