#include "framework/system/clocks.h"

#include <gtest/gtest.h>

#include "platform/clock.h"

namespace {

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

class Clocks : public ::testing::Test {
protected:
  void SetUp() override { platform::SetClock(&fake); }
  void TearDown() override { platform::SetClock(nullptr); }
  FakeClock fake;
};

TEST_F(Clocks, CounterScaledThroughDoubles) {
  fake.count = 3579545;
  fake.hz = 3579545;
  EXPECT_EQ(1000000u, GetMicroseconds());
  EXPECT_EQ(1000u, GetMilliseconds());

  // A counter beyond 32 bits keeps its precision.
  fake.hz = 10000000;
  fake.count = 0x123456789ABull;
  EXPECT_EQ(0x123456789ABull / 10, GetMicroseconds());
  EXPECT_EQ(0x123456789ABull / 10000, GetMilliseconds());

  // Truncation, not rounding.
  fake.hz = 3;
  fake.count = 2;
  EXPECT_EQ(666666u, GetMicroseconds());
}

TEST_F(Clocks, FallbackToTheMillisecondTimer) {
  fake.counterWorks = false;
  fake.millis = 4294967295u;
  EXPECT_EQ(4294967295000ull, GetMicroseconds()) << "no 32-bit overflow";
  EXPECT_EQ(4294967295ull, GetMilliseconds());
}

TEST(ClocksReal, MonotonicAndVirtual) {
  uint64_t a = GetMicroseconds(), b = GetMicroseconds();
  EXPECT_LE(a, b);
  platform::VirtualClock v;
  platform::SetClock(&v);
  EXPECT_EQ(0u, GetMicroseconds());
  v.Advance(16667);
  EXPECT_EQ(16667u, GetMicroseconds());
  EXPECT_EQ(16u, GetMilliseconds());
  platform::SetClock(nullptr);
}

}  // namespace
