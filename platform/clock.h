// Time sources: the performance counter, its frequency and the millisecond timer.
#pragma once
#include <atomic>
#include <cstdint>

namespace platform {

class Clock {
public:
  virtual ~Clock() = default;
  // The high-resolution counter and its frequency; false when unavailable.
  virtual bool QueryCounter(uint64_t& count) = 0;
  virtual bool QueryFrequency(uint64_t& hz) = 0;
  // The 32-bit millisecond system timer (wraps after about 49.7 days).
  virtual uint32_t TimeGetTime() = 0;
};

// Real time from the monotonic clock, counted in nanoseconds.
class MonotonicClock final : public Clock {
public:
  bool QueryCounter(uint64_t& count) override;
  bool QueryFrequency(uint64_t& hz) override;
  uint32_t TimeGetTime() override;
};

// Time that moves only when told to: the deterministic headless show and tests.
// Counts microseconds from 0 at a frequency of 1 MHz.
class VirtualClock final : public Clock {
public:
  bool QueryCounter(uint64_t& count) override;
  bool QueryFrequency(uint64_t& hz) override;
  uint32_t TimeGetTime() override;

  void Advance(uint64_t microseconds) { now_ += microseconds; }
  void Set(uint64_t microseconds) { now_ = microseconds; }
  uint64_t Now() const { return now_; }

private:
  std::atomic<uint64_t> now_{0};
};

// The clock every caller reads. Null restores the monotonic clock.
Clock& GetClock();
void SetClock(Clock* clock);

}  // namespace platform
