#include "platform/clock.h"

#include <chrono>

namespace platform {

namespace {
MonotonicClock monotonic;
std::atomic<Clock*> current{nullptr};

uint64_t SteadyNanoseconds() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}
}  // namespace

bool MonotonicClock::QueryCounter(uint64_t& count) {
  count = SteadyNanoseconds();
  return true;
}

bool MonotonicClock::QueryFrequency(uint64_t& hz) {
  hz = 1000000000u;
  return true;
}

uint32_t MonotonicClock::TimeGetTime() { return static_cast<uint32_t>(SteadyNanoseconds() / 1000000u); }

bool VirtualClock::QueryCounter(uint64_t& count) {
  count = now_;
  return true;
}

bool VirtualClock::QueryFrequency(uint64_t& hz) {
  hz = 1000000u;
  return true;
}

uint32_t VirtualClock::TimeGetTime() { return static_cast<uint32_t>(now_ / 1000u); }

Clock& GetClock() {
  Clock* c = current.load();
  return c ? *c : monotonic;
}

void SetClock(Clock* clock) { current.store(clock); }

}  // namespace platform
