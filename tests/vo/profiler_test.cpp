#include "vo/profiler.h"

#include <gtest/gtest.h>

namespace {

TEST(Profiler, BeginClosesOneBufferAndOpensTheOther) {
  sProfiler p;
  EXPECT_EQ(100, p.Scale);
  p.BeginAt(1000, 0);
  EXPECT_EQ(1, p.Current);
  EXPECT_EQ(1, p.Counts[0]) << "the first frame's buffer holds only the closing mark";
  EXPECT_EQ(1, p.Counts[1]);
  p.MarkAt(1200, 8);
  p.MarkAt(5000, 15);
  p.MarkAt(9000, 15);
  p.BeginAt(9500, 0);
  EXPECT_EQ(0, p.Current);
  ASSERT_EQ(5, p.Counts[1]);
  const uint64_t times[] = {1000, 1200, 5000, 9000, 9500};
  const int ids[] = {0, 8, 15, 15, 0};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(times[i], p.Times[1][i]);
    EXPECT_EQ(ids[i], p.Ids[1][i]);
  }
  EXPECT_EQ(1, p.Counts[0]);
  EXPECT_EQ(9500u, p.Times[0][0]) << "closing and opening marks share time and number";
}

TEST(Profiler, KeepsTheFirst64Marks) {
  sProfiler p;
  p.BeginAt(0, 0);
  for (int i = 1; i < 63; ++i) p.MarkAt(i, 1);
  EXPECT_EQ(63, p.Counts[1]);
  p.MarkAt(63, 2);
  p.MarkAt(64, 3);  // dropped
  EXPECT_EQ(64, p.Counts[1]);
  EXPECT_EQ(2, p.Ids[1][63]);
  p.BeginAt(100, 5);  // no room for the closing mark
  EXPECT_EQ(64, p.Counts[1]);
  EXPECT_EQ(2, p.Ids[1][63]);
  EXPECT_EQ(1, p.Counts[0]);
  EXPECT_EQ(5, p.Ids[0][0]);
}

}  // namespace
