#include "framework/math.h"
#include <gtest/gtest.h>
#include <cmath>
#include <vector>
#include "tests/support/fatal_capture.h"
namespace {
using Ints = std::vector<int64_t>;
TEST(FixedPoint, MultiplyDivideAndSquareRoot) {
  // Truncation toward zero, not an arithmetic shift; FixMulDiv's product is 64-bit.
  EXPECT_EQ((Ints{0x30000, 0, -0x30000, 21845, -21845, 2000000000}),
            (Ints{FixMul(0x18000, 0x20000), FixMul(-1, 1), FixMul(-0x18000, 0x20000), FixDiv(1, 3), FixDiv(-1, 3),
                  FixMulDiv(2000000000, 3, 3)}));
  // The largest input has a 24-bit root.
  EXPECT_EQ((Ints{0x10000, 0x20000, 92681, 0, 16777215}),
            (Ints{FixSqrt(0x10000), FixSqrt(0x40000), FixSqrt(0x20000), FixSqrt(0), FixSqrt(0xFFFFFFFFu)}));
  for (unsigned x : {1u, 2u, 3u, 1000u, 123456789u, 0x7FFFFFFFu}) {
    uint64_t r = FixSqrt(x), v = static_cast<uint64_t>(x) << 16;
    EXPECT_LE(r * r, v);
    EXPECT_GT((r + 1) * (r + 1), v);
  }
}
TEST(FixedPoint, ArcTangent) {
  // Large values reflect through 4095.
  EXPECT_EQ((Ints{8188, 0, -8188, 4 * (4095 - 1209)}), (Ints{FixAtan(0x10000), FixAtan(0), FixAtan(-0x10000), FixAtan(0x20000)}));
  EXPECT_EQ((Ints{-32768, 0, 16384, -16384, 8188, -24578, 24578, -8188}),
            (Ints{FixAtan2(0, -5), FixAtan2(0, 5), FixAtan2(5, 0), FixAtan2(-5, 0), FixAtan2(1, 1), FixAtan2(-1, -1),
                  FixAtan2(1, -1), FixAtan2(-1, 1)}));
  // Each quadrant row against the true angle (within the table's precision).
  const int pts[][2] = {{3, 1}, {1, 3}, {-3, 1}, {-1, 3}, {3, -1}, {1, -3}, {-3, -1}, {-1, -3}};
  for (auto& p : pts) EXPECT_NEAR(std::atan2(p[0], p[1]) / (2 * M_PI) * 65536.0, FixAtan2(p[0], p[1]), 12) << p[0] << "," << p[1];
  EXPECT_FATAL(FixAtan2(INT32_MIN, 1), "Assertion in line 249, file math");
  EXPECT_FATAL(FixAtan2(1, INT32_MIN), "Assertion in line 250, file math");
}
TEST(Random, SequenceFromTheSeedRepeats) {
  EXPECT_EQ((Ints{25625, 57120, 25975}), (Ints{Random16(), Random16(), Random16()}));
}
TEST(Random, ResetRestartsTheSequence) {
  // Runs after the test above in the same process: the reset hook restores the seed.
  EXPECT_EQ(25625, Random16());
}
TEST(SmallFunctions, ClampAlignSignAbsMin) {
  EXPECT_EQ((Ints{3, 0, 2, 16, 16, -1, 0, 1, 7, -3}), (Ints{Clamp(5, 3, 0), Clamp(-2, 3, 0), Clamp(2, 3, 0), AlignUp(13, 8),
                                                            AlignUp(16, 8), Sign(-7), Sign(0), Sign(9), Abs(-7), Min(-3, 2)}));
}
TEST(Tables, BuiltAtStartUp) {
  InitMathTables();
  EXPECT_EQ((Ints{0, 25, 46340, 65535, 0x10000}), (Ints{SinTable[0], SinTable[1], SinTable[2048], SinTable[4095], SinTable[4096]}));
  EXPECT_EQ((Ints{65535, 24108, 20, 524287, 131072, 65536}),
            (Ints{ExpTable[0], ExpTable[64], ExpTable[512], InvSqrtTable[0], SqrtTable[256], SqrtTable[64]}));
  EXPECT_FLOAT_EQ(1.0f, SinTableF[128]);
  EXPECT_NEAR(0.0f, SinTableF[512], 1e-6);
  for (int i = 1; i < 4096; ++i) ASSERT_LE(SinTable[i - 1], SinTable[i]) << i;
}
}  // namespace
