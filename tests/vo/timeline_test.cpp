#include "vo/moveit.h"
#include <gtest/gtest.h>
#include <cstring>
#include <memory>
#include <vector>
#include "tests/support/fatal_capture.h"
#include "vo/blobfield.h"
#include "vo/path.h"

namespace {

using Ints = std::vector<int>;

// Records each draw (its id and time) into a shared log; counts its destruction.
struct LogLayer : sLayer {
  LogLayer(int id, std::vector<int>* log, int* destroyed = nullptr) : id(id), log(log), destroyed(destroyed) {}
  ~LogLayer() override {
    if (destroyed) ++*destroyed;
  }
  void Draw(sDisplay*, float t) override { log->push_back(id), lastT = t; }
  void Prepare(sDisplay*) override { prepared = true; }
  int id;
  std::vector<int>* log;
  int* destroyed;
  float lastT = -1.0f;
  bool prepared = false;
};

LogLayer* Add(sTimeline& tl, int id, uint32_t mask, std::vector<int>* log, int* destroyed = nullptr) {
  auto* l = new LogLayer(id, log, destroyed);
  l->ChannelMask = mask;
  tl.AddLayer(l);
  return l;
}

float EvaluateAt(sTimeline& tl, float* field, float t) {
  tl.Render(nullptr, t);
  return *field;
}

TEST(Timeline, ChannelWindowsAreStrictAndLayersDrawInAddOrder) {
  std::vector<int> log;
  int destroyed = 0;
  {
    sTimeline tl;
    LogLayer* always = Add(tl, 0, 0, &log, &destroyed);
    Add(tl, 1, 1, &log, &destroyed);
    Add(tl, 2, 2, &log, &destroyed);
    LogLayer* never = Add(tl, 3, 1u << 7, &log, &destroyed);  // channel 7 keeps its empty window
    Add(tl, 4, 3, &log, &destroyed);
    tl.SetChannel(0, 0.0f, 2000.0f);
    tl.SetChannel(1, 2000.0f, 17300.0f);
    tl.Prepare(nullptr);
    EXPECT_TRUE(always->prepared && never->prepared);
    struct Case { float t; uint32_t active; std::vector<int> drawn; } cases[] = {
        {-5.0f, 0, {0}},        {0.0f, 0, {0}},          {0.5f, 1, {0, 1, 4}}, {1999.99f, 1, {0, 1, 4}},
        {2000.0f, 0, {0}},      {2000.5f, 2, {0, 2, 4}}, {17300.0f, 0, {0}},   {40000.0f, 0, {0}},
    };
    for (const Case& c : cases) {
      log.clear();
      tl.Render(nullptr, c.t);
      EXPECT_EQ(c.active, tl.ActiveChannels) << "t=" << c.t;
      EXPECT_EQ(c.drawn, log) << "t=" << c.t;
    }
    EXPECT_FLOAT_EQ(40000.0f, always->lastT);
  }
  EXPECT_EQ(5, destroyed) << "derived destructors must run";
  // A later SetChannel replaces the window; draw order is add order.
  sTimeline tl;
  for (int i = 0; i < 5; ++i) Add(tl, 10 + i, 1u << 31, &log);
  tl.SetChannel(31, 0.0f, 10.0f);
  tl.SetChannel(31, 100.0f, 200.0f);
  tl.Prepare(nullptr);
  log.clear();
  tl.Render(nullptr, 5.0f);
  EXPECT_TRUE(log.empty());
  tl.Render(nullptr, 150.0f);
  EXPECT_EQ((Ints{10, 11, 12, 13, 14}), log);
  EXPECT_EQ(1u << 31, tl.ActiveChannels);
}

// The field's values at the given times.
std::vector<float> Values(sTimeline& tl, float* field, std::vector<float> times) {
  for (float& t : times) t = EvaluateAt(tl, field, t);
  return times;
}

TEST(Track, EndsAreExactOneKeyIsConstantEqualTimesGiveZeroTangentsRepeatedKeysAStep) {
  sTimeline tl;
  float a = -1, b = -1, f = 0;
  tl.AddKey(&a, 3300.0f, 711.0f);
  tl.AddKey(&a, 10300.0f, 75.0f);
  tl.AddKey(&b, 500.0f, 42.5f);
  for (auto [t, v] : {std::pair{0.0f, 0.0f}, {10, 5}, {10, 7}, {10, 9}, {20, 1}}) tl.AddKey(&f, t, v);
  tl.Prepare(nullptr);
  EXPECT_EQ(3, tl.TrackCount);
  EXPECT_EQ(1, tl.Tracks[1].Segments);
  EXPECT_EQ(std::vector<float>(4, 42.5f), Values(tl, &b, {-100, 0, 500, 1e6f}));
  EXPECT_EQ((std::vector<float>{711, 711, 75, 75}), Values(tl, &a, {0, 3300, 10300, 99999}));
  // Two keys: zero end tangents, so the midpoint is exactly halfway; a quarter of the way, 3s^2 - 2s^3 = 0.15625.
  EXPECT_FLOAT_EQ(393.0f, EvaluateAt(tl, &a, 6800.0f));
  EXPECT_FLOAT_EQ(711.0f - 636.0f * 0.15625f, EvaluateAt(tl, &a, 5050.0f));
  // Key 2 has both neighbours at 10 ms: tangent 0; key 1's are at 0 and 10: (7 - 0) / 10.
  EXPECT_EQ(0.0f, tl.Tracks[2].Keys[2]->A1);
  EXPECT_FLOAT_EQ(0.7f, tl.Tracks[2].Keys[1]->A1);
  // The show's first fade: a step from 0 to 1 within one millisecond.
  sTimeline step;
  float fade = -1;
  const float keys[][2] = {{0, 1},    {2000, 0}, {2000, 0}, {2000, 0}, {2000, 0},    {2001, 1},
                           {2001, 1}, {2001, 1}, {2001, 1}, {23000, 1}, {24000, 0}};
  for (const auto& k : keys) step.AddKey(&fade, k[0], k[1]);
  step.Prepare(nullptr);
  EXPECT_EQ(10, step.Tracks[0].Segments);
  EXPECT_EQ((std::vector<float>{0, 0.5f, 1, 0}), Values(step, &fade, {2000, 2000.5f, 2001, 30000}));
  // Beside the step the unscaled tangents of the neighbours show, faintly:
  // key (2000, 0) has slope -1/2000, key (23000, 1) slope -1/21999.
  EXPECT_NEAR(0.5 + 0.125 * 0.0005, EvaluateAt(step, &fade, 1000.0f), 1e-7);
  EXPECT_NEAR(0.5 - 0.125 / 21999.0, EvaluateAt(step, &fade, 23500.0f), 1e-7);
}

TEST(Timeline, KeysShareThePoolAndCapacitiesEndInAFatalError) {
  sTimeline tl;
  float a = 0, b = 0;
  tl.AddKey(&a, 0, 1);
  tl.AddKey(&b, 0, 2);
  tl.AddKey(&a, 10, 3);
  EXPECT_EQ(3, tl.KeyCount);
  EXPECT_EQ(&tl.Tracks[0], tl.FindTrack(&a));
  EXPECT_TRUE(tl.Tracks[0].Keys[0] == &tl.KeyPool[0] && tl.Tracks[0].Keys[1] == &tl.KeyPool[2]) << "keys in call order";
  EXPECT_EQ(2, tl.Tracks[0].Segments) << "a key count until Prepare";
  std::vector<int> log;
  for (int i = 0; i < sTimeline::MaxLayers; ++i) tl.AddLayer(new LogLayer(i, &log));
  LogLayer extra(99, &log);
  EXPECT_FATAL(tl.AddLayer(&extra), "sTimeline::AddLayer() too many layers");
  float f[sTimeline::MaxTracks + 1];
  for (int i = 2; i < sTimeline::MaxTracks; ++i) tl.AddKey(&f[i], 0, 0);
  EXPECT_FATAL(tl.AddKey(&f[sTimeline::MaxTracks], 0, 0), "sTimeline::FindTrack() too many tracks");
  for (int i = 1; i < sTrack::MaxKeys; ++i) tl.AddKey(&b, float(i), 0);
  EXPECT_FATAL(tl.AddKey(&b, 100, 0), "sTimeline::AddKey() too many keys in one track");
  EXPECT_FATAL(tl.SetChannel(32, 0, 1), "sTimeline::SetChannel() no such channel");
}

// n points one time unit apart, every coordinate coord(i) (a field of -1: all 0).
std::vector<sPathPoint> Points(int n, int field = -1, int (*coord)(int) = nullptr) {
  std::vector<sPathPoint> p(n);
  std::memset(p.data(), 0, n * sizeof(sPathPoint));
  for (int i = 0; i < n; ++i) {
    p[i].Time = i * 65536;
    if (field >= 0) p[i].Coord[field] = coord(i);
  }
  return p;
}

TEST(Path, EndsAtTheLastUsableSegmentAndCanRestart) {
  auto p = Points(5, 2, [](int i) { return (i % 2) * 65536; });
  sPath path;
  EXPECT_FALSE(path.IsRunning());
  EXPECT_FALSE(path.Advance(1)) << "never initialised";
  path.Init(p.data(), 5);
  EXPECT_TRUE(path.IsRunning());
  EXPECT_TRUE(path.Advance(2 * 65536 + 5));  // segment 2, the last with coefficients
  EXPECT_EQ(2, path.Segment);
  EXPECT_FALSE(path.Advance(65536));  // reaches point 3 = count - 2
  EXPECT_FALSE(path.IsRunning());
  EXPECT_EQ((Ints{0, 0}), (Ints{path.Segment, path.Time}));
  EXPECT_FALSE(path.Advance(1));
  path.Init(p.data(), 5);
  EXPECT_TRUE(path.Advance(65536));
  EXPECT_EQ((Ints{1, 65536}), (Ints{path.Segment, path.Value[2]}));
}

TEST(Path, EqualTimesMakeAFlatSegmentAnglesTakeTheShortWayRound) {
  auto p = Points(5, 0, [](int i) { return (7 + i) * 65536; });
  p[2].Time = p[1].Time;  // segment 1 has zero length
  sPath path;
  path.Init(p.data(), 5);
  EXPECT_EQ((Ints{8 * 65536, 0, 0}), (Ints{p[1].Coef[0][0], p[1].Coef[0][1], p[1].Coef[0][3]}));
  // Segment 2 starts at a repeated time but is not flat: m0 = (P3 - P1) / ((t3 - t1) / dt) with dt = t3 - t2.
  EXPECT_EQ(2 * 65536, p[2].Coef[0][1]);
  auto q = Points(4);  // angles take the short way round
  q[0].Coord[4] = 100;
  q[1].Coord[4] = 16000;    // 16000 - 16384 = -384 is within 8192 of 100
  q[2].Coord[4] = -20000;   // -20000 + 16384 = -3616, near -384
  q[3].Coord[5] = 40000;    // two periods down to 7232, within 8192 of 0
  q[3].Coord[3] = 40000;    // not an angle: untouched
  path.Init(q.data(), 4);
  EXPECT_EQ((Ints{-384, -3616, 40000 - 2 * 16384, 40000}),
            (Ints{q[1].Coord[4], q[2].Coord[4], q[3].Coord[5], q[3].Coord[3]}));
  p[3].Time = 0;  // decreasing times
  EXPECT_FATAL(path.Init(p.data(), 5), "Assertion in line 118, file vo/effect");
}

TEST(BlobField, BlobsClampedSaturatedAndMovingAFixedStepPerFrameUntilTheirEnd) {
  std::vector<uint8_t> blob(64 * 64, 100);
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
  // Blobs 0 and 1 at (288, 288): 100 + 100; blobs 2..37 at (0, 0): 36 x 100 saturates, 36 x 7 does not.
  std::vector<int> at;
  for (int i : {288 * 352 + 289, 288 * 352 + 288, 0, 1, 63 * 352 + 63, 64 * 352, 287 * 352 + 300, 351 * 352 + 351})
    at.push_back(field->Field[i]);
  EXPECT_EQ((Ints{200, 14, 252, 255, 255, 0, 0, 200}), at);
  blob.assign(64 * 64, 1);
  field = std::make_unique<sBlobField>(blob.data(), 64);
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
  EXPECT_EQ((Ints{31, 0}), (Ints{field->Paths[5].Count, field->Paths[5].Time}));
  field->Render(14);
  // Without the start-up advance; blobs 38 and 39 are never moved.
  EXPECT_EQ((Ints{448, 1, 65536, 65536}),
            (Ints{field->Paths[5].Time, field->Paths[5].Segment, field->Paths[38].Time, field->Paths[39].Time}));
}

}  // namespace
