#include "vo/path.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "tests/support/fatal_capture.h"
#include "vo/blobfield.h"

namespace {

std::vector<sPathPoint> Points(int n) {
  std::vector<sPathPoint> p(n);
  std::memset(p.data(), 0, n * sizeof(sPathPoint));
  for (int i = 0; i < n; ++i) p[i].Time = i * 65536;
  return p;
}

TEST(Path, EvenStepsMoveLinearly) {
  auto p = Points(6);
  for (int i = 0; i < 6; ++i) {
    p[i].Coord[1] = i * 10 * 65536;
    p[i].Extra = 100 + i;
  }
  sPath path;
  path.Init(p.data(), 6);
  EXPECT_EQ(1, path.Segment);
  // Catmull-Rom over a straight, evenly timed line: c1 = d, c2 = c3 = 0.
  EXPECT_EQ(10 * 65536, p[1].Coef[1][0]);
  EXPECT_EQ(10 * 65536, p[1].Coef[1][1]);
  EXPECT_EQ(0, p[1].Coef[1][2]);
  EXPECT_EQ(0, p[1].Coef[1][3]);
  ASSERT_TRUE(path.Advance(65536 + 32768));
  EXPECT_EQ(15 * 65536, path.Value[1]);
  EXPECT_EQ(101, path.Extra);
  ASSERT_TRUE(path.Advance(65536));
  EXPECT_EQ(2, path.Segment);
  EXPECT_EQ(25 * 65536, path.Value[1]);
  EXPECT_EQ(102, path.Extra);
}

TEST(Path, EndsAtTheLastUsableSegmentAndCanRestart) {
  auto p = Points(5);
  for (int i = 0; i < 5; ++i) p[i].Coord[2] = (i % 2) * 65536;
  sPath path;
  EXPECT_FALSE(path.IsRunning());
  EXPECT_FALSE(path.Advance(1)) << "never initialised";
  path.Init(p.data(), 5);
  EXPECT_TRUE(path.IsRunning());
  EXPECT_TRUE(path.Advance(2 * 65536 + 5));  // segment 2, the last with coefficients
  EXPECT_EQ(2, path.Segment);
  EXPECT_FALSE(path.Advance(65536));  // reaches point 3 = count - 2
  EXPECT_FALSE(path.IsRunning());
  EXPECT_EQ(0, path.Segment);
  EXPECT_EQ(0, path.Time);
  EXPECT_FALSE(path.Advance(1));
  path.Init(p.data(), 5);
  EXPECT_TRUE(path.Advance(65536));
  EXPECT_EQ(1, path.Segment);
  EXPECT_EQ(65536, path.Value[2]);
}

TEST(Path, EqualTimesMakeAFlatSegment) {
  auto p = Points(5);
  p[2].Time = p[1].Time;  // segment 1 has zero length
  for (int i = 0; i < 5; ++i) p[i].Coord[0] = (7 + i) * 65536;
  sPath path;
  path.Init(p.data(), 5);
  EXPECT_EQ(8 * 65536, p[1].Coef[0][0]);
  EXPECT_EQ(0, p[1].Coef[0][1]);
  EXPECT_EQ(0, p[1].Coef[0][3]);
  // Segment 2 starts at a repeated time but is not flat: m0 = (P3 - P1) / ((t3 - t1) / dt) with dt = t3 - t2.
  EXPECT_EQ(2 * 65536, p[2].Coef[0][1]);
}

TEST(Path, AnglesTakeTheShortWayRound) {
  auto p = Points(4);
  p[0].Coord[4] = 100;
  p[1].Coord[4] = 16000;    // 16000 - 16384 = -384 is within 8192 of 100
  p[2].Coord[4] = -20000;   // -20000 + 16384 = -3616, near -384
  p[3].Coord[5] = 40000;    // two periods down to 7232, within 8192 of 0
  p[3].Coord[3] = 40000;    // not an angle: untouched
  sPath path;
  path.Init(p.data(), 4);
  EXPECT_EQ(-384, p[1].Coord[4]);
  EXPECT_EQ(-3616, p[2].Coord[4]);
  EXPECT_EQ(40000 - 2 * 16384, p[3].Coord[5]);
  EXPECT_EQ(40000, p[3].Coord[3]);
}

TEST(Path, DecreasingTimesAreAnAssertion) {
  auto p = Points(5);
  p[3].Time = 65536;
  sPath path;
  EXPECT_FATAL(path.Init(p.data(), 5), "Assertion in line 118, file vo/effect");
}

std::vector<uint8_t> Blob(uint8_t value) { return std::vector<uint8_t>(64 * 64, value); }

TEST(BlobField, FirstAndLaterFieldsLayOutTheirPointsDifferently) {
  auto blob = Blob(1);
  auto first = std::make_unique<sBlobField>(blob.data(), 64);
  auto later = std::make_unique<sBlobField>(blob.data(), 64);
  // First: blob 1, point 0: s = 3.75, x = trunc(sin(1.7) 3.75 + 150) = 153, y = trunc(cos(1.7) 3.75 + 150) = 149.
  EXPECT_EQ(153 * 65536, first->Points[1][0].Coord[1]);
  EXPECT_EQ(149 * 65536, first->Points[1][0].Coord[2]);
  // Later: r = 150 div 40 = 3, a = -8.5: x = trunc(sin(-8.5) 3 + 150) = 147, y = trunc(cos(-8.5) 3 + 150) = 148.
  EXPECT_EQ(147 * 65536, later->Points[1][0].Coord[1]);
  EXPECT_EQ(148 * 65536, later->Points[1][0].Coord[2]);
  // Blob 39 of the first field reaches 296 at most: coordinates wrap modulo 288.
  for (int i = 0; i < 32; ++i) {
    EXPECT_LT(first->Points[39][i].Coord[1], 288 * 65536);
    EXPECT_EQ(i * 65536, first->Points[39][i].Time);
  }
  EXPECT_EQ(150 * 65536, first->Points[0][5].Coord[1]) << "blob 0 stays at the centre";
  EXPECT_EQ(1, first->Paths[0].Segment);
  EXPECT_EQ(65536, first->Paths[0].Time) << "started at point 1";
}

TEST(BlobField, BlobsAreClampedToTheFieldAndAddedWithSaturation) {
  auto blob = Blob(100);
  blob[0] = 7;
  auto field = std::make_unique<sBlobField>(blob.data(), 64);
  for (int b = 0; b < sBlobField::Blobs; ++b) {
    for (int i = 0; i < 32; ++i) {
      sPathPoint& p = field->Points[b][i];
      p.Coord[1] = b < 2 ? 300 * 65536 : -5 * 65536;  // beyond 288, and below 0
      p.Coord[2] = b < 2 ? 400 * 65536 : -1;
    }
    field->Paths[b].Init(field->Points[b], 32);
  }
  field->Render(14);
  // Blobs 0 and 1 at (288, 288): 100 + 100; blobs 2..37 at (0, 0): 36 x 100 saturates.
  EXPECT_EQ(200, field->Field[288 * 352 + 288 + 1]);
  EXPECT_EQ(14, field->Field[288 * 352 + 288]);
  EXPECT_EQ(252, field->Field[0]) << "36 x 7";
  EXPECT_EQ(255, field->Field[1]);
  EXPECT_EQ(255, field->Field[63 * 352 + 63]);
  EXPECT_EQ(0, field->Field[64 * 352]);
  EXPECT_EQ(0, field->Field[287 * 352 + 300]);
  EXPECT_EQ(200, field->Field[351 * 352 + 351]);
}

TEST(BlobField, BlobsMoveAFixedStepPerFrameAndRestartAfterTheirEnd) {
  auto blob = Blob(1);
  auto field = std::make_unique<sBlobField>(blob.data(), 64);
  // Each frame moves 14 x 32 units; segment 29 ends at point 30 = 30 x 65536.
  // An ended path is restarted in the same frame, from time 0 with 31 points.
  int frames = 0;
  while (field->Paths[5].Count == 32) {
    field->Render(14);
    ++frames;
    ASSERT_LT(frames, 10000);
  }
  EXPECT_EQ((29 * 65536 + 447) / 448, frames);
  EXPECT_TRUE(field->Paths[5].IsRunning());
  EXPECT_EQ(31, field->Paths[5].Count);
  EXPECT_EQ(0, field->Paths[5].Time);
  field->Render(14);
  EXPECT_EQ(448, field->Paths[5].Time) << "without the start-up advance";
  EXPECT_EQ(1, field->Paths[5].Segment);
  // Blobs 38 and 39 are never moved.
  EXPECT_EQ(65536, field->Paths[38].Time);
  EXPECT_EQ(65536, field->Paths[39].Time);
}

}  // namespace
