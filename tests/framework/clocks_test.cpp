#include "framework/system/clocks.h"
#include <gtest/gtest.h>
#include <vector>
#include "platform/clock.h"
namespace {
using U = std::vector<uint64_t>;
class FakeClock : public platform::Clock {
public:
  bool counterWorks = true;
  uint64_t count = 0, hz = 1;
  uint32_t millis = 0;
  bool QueryCounter(uint64_t& c) override {
    c = count;
    return counterWorks;
  }
  bool QueryFrequency(uint64_t& f) override {
    f = hz;
    return counterWorks;
  }
  uint32_t TimeGetTime() override { return millis; }
};
TEST(Clocks, CounterScaledThroughDoublesAndTheMillisecondFallback) {
  FakeClock fake;
  platform::SetClock(&fake);
  const struct {
    uint64_t count, hz, micros, millis;
  } cases[] = {{3579545, 3579545, 1000000, 1000},
               {0x123456789ABull, 10000000, 0x123456789ABull / 10, 0x123456789ABull / 10000},  // beyond 32 bits
               {2, 3, 666666, 666}};                                                            // truncated
  for (const auto& c : cases) {
    fake.count = c.count;
    fake.hz = c.hz;
    EXPECT_EQ((U{c.micros, c.millis}), (U{GetMicroseconds(), GetMilliseconds()})) << c.count;
  }
  fake.counterWorks = false;
  fake.millis = 4294967295u;
  EXPECT_EQ((U{4294967295000ull, 4294967295ull}), (U{GetMicroseconds(), GetMilliseconds()})) << "no 32-bit overflow";
  platform::SetClock(nullptr);
}
TEST(Clocks, RealIsMonotonicAndVirtualAdvances) {
  uint64_t a = GetMicroseconds(), b = GetMicroseconds();
  EXPECT_LE(a, b);
  platform::VirtualClock v;
  platform::SetClock(&v);
  EXPECT_EQ(0u, GetMicroseconds());
  v.Advance(16667);
  EXPECT_EQ((U{16667, 16}), (U{GetMicroseconds(), GetMilliseconds()}));
  platform::SetClock(nullptr);
}
}  // namespace
