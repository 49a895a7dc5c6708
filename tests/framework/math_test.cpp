#include "framework/math.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/support/fatal_capture.h"

namespace {

TEST(FixedPoint, MultiplyDivideTruncateTowardZero) {
  EXPECT_EQ(0x30000, FixMul(0x18000, 0x20000));
  EXPECT_EQ(0, FixMul(-1, 1)) << "truncation toward zero, not an arithmetic shift";
  EXPECT_EQ(-0x30000, FixMul(-0x18000, 0x20000));
  EXPECT_EQ(21845, FixDiv(1, 3));
  EXPECT_EQ(-21845, FixDiv(-1, 3));
  EXPECT_EQ(2000000000, FixMulDiv(2000000000, 3, 3)) << "the product is 64-bit";
}

TEST(FixedPoint, SquareRoot) {
  EXPECT_EQ(0x10000u, FixSqrt(0x10000));
  EXPECT_EQ(0x20000u, FixSqrt(0x40000));
  EXPECT_EQ(92681u, FixSqrt(0x20000));
  EXPECT_EQ(0u, FixSqrt(0));
  EXPECT_EQ(16777215u, FixSqrt(0xFFFFFFFFu)) << "24-bit root of the largest input";
  for (unsigned x : {1u, 2u, 3u, 1000u, 123456789u, 0x7FFFFFFFu}) {
    uint64_t r = FixSqrt(x), v = static_cast<uint64_t>(x) << 16;
    EXPECT_LE(r * r, v);
    EXPECT_GT((r + 1) * (r + 1), v);
  }
}

TEST(FixedPoint, ArcTangent) {
  EXPECT_EQ(8188, FixAtan(0x10000));
  EXPECT_EQ(0, FixAtan(0));
  EXPECT_EQ(-8188, FixAtan(-0x10000));
  EXPECT_EQ(4 * (4095 - 1209), FixAtan(0x20000))
      << "large values reflect through 4095";
  EXPECT_EQ(-32768, FixAtan2(0, -5));
  EXPECT_EQ(0, FixAtan2(0, 5));
  EXPECT_EQ(16384, FixAtan2(5, 0));
  EXPECT_EQ(-16384, FixAtan2(-5, 0));
  EXPECT_EQ(8188, FixAtan2(1, 1));
  EXPECT_EQ(-24578, FixAtan2(-1, -1));
  EXPECT_EQ(24578, FixAtan2(1, -1));
  EXPECT_EQ(-8188, FixAtan2(-1, 1));
  // Each quadrant row against the true angle (within the table's precision).
  const int pts[][2] = {{3, 1}, {1, 3}, {-3, 1}, {-1, 3}, {3, -1}, {1, -3}, {-3, -1}, {-1, -3}};
  for (auto& p : pts) {
    double want = std::atan2(p[0], p[1]) / (2 * M_PI) * 65536.0;
    EXPECT_NEAR(want, FixAtan2(p[0], p[1]), 12) << p[0] << "," << p[1];
  }
  EXPECT_FATAL(FixAtan2(INT32_MIN, 1), "Assertion in line 249, file math");
  EXPECT_FATAL(FixAtan2(1, INT32_MIN), "Assertion in line 250, file math");
}

TEST(Random, SequenceFromTheSeedRepeats) {
  EXPECT_EQ(25625, Random16());
  EXPECT_EQ(57120, Random16());
  EXPECT_EQ(25975, Random16());
}

TEST(Random, ResetRestartsTheSequence) {
  // Runs after the test above in the same process: the reset hook restores the seed.
  EXPECT_EQ(25625, Random16());
}

TEST(SmallFunctions, ClampAlignSignAbsMin) {
  EXPECT_EQ(3, Clamp(5, 3, 0));
  EXPECT_EQ(0, Clamp(-2, 3, 0));
  EXPECT_EQ(2, Clamp(2, 3, 0));
  EXPECT_EQ(16u, AlignUp(13, 8));
  EXPECT_EQ(16u, AlignUp(16, 8));
  EXPECT_EQ(-1, Sign(-7));
  EXPECT_EQ(0, Sign(0));
  EXPECT_EQ(1, Sign(9));
  EXPECT_EQ(7, Abs(-7));
  EXPECT_EQ(-3, Min(-3, 2));
}

TEST(Tables, BuiltAtStartUp) {
  InitMathTables();
  EXPECT_EQ(0, SinTable[0]);
  EXPECT_EQ(25, SinTable[1]);
  EXPECT_EQ(46340, SinTable[2048]);
  EXPECT_EQ(65535, SinTable[4095]);
  EXPECT_EQ(0x10000, SinTable[4096]);
  EXPECT_EQ(65535, ExpTable[0]);
  EXPECT_EQ(24108, ExpTable[64]);
  EXPECT_EQ(20, ExpTable[512]);
  EXPECT_EQ(524287, InvSqrtTable[0]);
  EXPECT_EQ(131072, SqrtTable[256]);
  EXPECT_EQ(65536, SqrtTable[64]);
  EXPECT_FLOAT_EQ(1.0f, SinTableF[128]);
  EXPECT_NEAR(0.0f, SinTableF[512], 1e-6);
  for (int i = 1; i < 4096; ++i) ASSERT_LE(SinTable[i - 1], SinTable[i]) << i;
}

}  // namespace
