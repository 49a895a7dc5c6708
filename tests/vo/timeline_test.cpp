#include "vo/moveit.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/fatal_capture.h"

namespace {

// Records each draw (its id and time) into a shared log.
struct LogLayer : sLayer {
  LogLayer(int id, std::vector<int>* log, int* destroyed = nullptr) : id(id), log(log), destroyed(destroyed) {}
  ~LogLayer() override {
    if (destroyed) ++*destroyed;
  }
  void Draw(sDisplay*, float t) override {
    log->push_back(id);
    lastT = t;
  }
  void Prepare(sDisplay*) override { prepared = true; }
  int id;
  std::vector<int>* log;
  int* destroyed;
  float lastT = -1.0f;
  bool prepared = false;
};

float EvaluateAt(sTimeline& tl, float* field, float t) {
  tl.Render(nullptr, t);
  return *field;
}

TEST(Timeline, ChannelWindowsAreStrict) {
  std::vector<int> log;
  sTimeline tl;
  auto* always = new LogLayer(0, &log);
  auto* first = new LogLayer(1, &log);
  first->ChannelMask = 1;
  auto* second = new LogLayer(2, &log);
  second->ChannelMask = 2;
  auto* never = new LogLayer(3, &log);
  never->ChannelMask = 1u << 7;  // channel 7 keeps its empty window
  auto* both = new LogLayer(4, &log);
  both->ChannelMask = 3;
  for (sLayer* l : {static_cast<sLayer*>(always), static_cast<sLayer*>(first), static_cast<sLayer*>(second),
                    static_cast<sLayer*>(never), static_cast<sLayer*>(both)})
    tl.AddLayer(l);
  tl.SetChannel(0, 0.0f, 2000.0f);
  tl.SetChannel(1, 2000.0f, 17300.0f);
  tl.Prepare(nullptr);
  EXPECT_TRUE(first->prepared && never->prepared);

  struct Case {
    float t;
    uint32_t active;
    std::vector<int> drawn;
  } cases[] = {
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

TEST(Timeline, LaterChannelCallReplacesWindowAndDrawOrderIsAddOrder) {
  std::vector<int> log;
  sTimeline tl;
  for (int i = 0; i < 5; ++i) {
    auto* l = new LogLayer(10 + i, &log);
    l->ChannelMask = 1u << 31;
    tl.AddLayer(l);
  }
  tl.SetChannel(31, 0.0f, 10.0f);
  tl.SetChannel(31, 100.0f, 200.0f);
  tl.Prepare(nullptr);
  tl.Render(nullptr, 5.0f);
  EXPECT_TRUE(log.empty());
  tl.Render(nullptr, 150.0f);
  EXPECT_EQ((std::vector<int>{10, 11, 12, 13, 14}), log);
  EXPECT_EQ(1u << 31, tl.ActiveChannels);
}

TEST(Timeline, DestroysLayersThroughTheBase) {
  int destroyed = 0;
  std::vector<int> log;
  {
    sTimeline tl;
    for (int i = 0; i < 3; ++i) tl.AddLayer(new LogLayer(i, &log, &destroyed));
  }
  EXPECT_EQ(3, destroyed) << "derived destructors must run";
}

TEST(Track, EndsAreExactAndOneKeyIsConstant) {
  sTimeline tl;
  float a = -1, b = -1;
  tl.AddKey(&a, 3300.0f, 711.0f);
  tl.AddKey(&a, 10300.0f, 75.0f);
  tl.AddKey(&b, 500.0f, 42.5f);
  tl.Prepare(nullptr);
  EXPECT_EQ(2, tl.TrackCount);
  EXPECT_EQ(1, tl.Tracks[1].Segments);
  for (float t : {-100.0f, 0.0f, 500.0f, 1e6f}) EXPECT_EQ(42.5f, EvaluateAt(tl, &b, t)) << t;
  EXPECT_EQ(711.0f, EvaluateAt(tl, &a, 0.0f));
  EXPECT_EQ(711.0f, EvaluateAt(tl, &a, 3300.0f));
  EXPECT_EQ(75.0f, EvaluateAt(tl, &a, 10300.0f));
  EXPECT_EQ(75.0f, EvaluateAt(tl, &a, 99999.0f));
  // Two keys: zero end tangents, so the midpoint is exactly halfway.
  EXPECT_FLOAT_EQ(393.0f, EvaluateAt(tl, &a, 6800.0f));
  // Ease in: a quarter of the way along, 3s^2 - 2s^3 = 0.15625.
  EXPECT_FLOAT_EQ(711.0f - 636.0f * 0.15625f, EvaluateAt(tl, &a, 5050.0f));
}

TEST(Track, SegmentSetupUsesUnscaledTangents) {
  sTimeline tl;
  float f = 0;
  tl.AddKey(&f, 0.0f, 0.0f);
  tl.AddKey(&f, 1.0f, 10.0f);
  tl.AddKey(&f, 3.0f, 40.0f);
  tl.Prepare(nullptr);
  const sTrack& tr = tl.Tracks[0];
  ASSERT_EQ(2, tr.Segments);
  // Tangent at key 1: (40 - 0) / (3 - 0); keys 0 and 2 have 0.
  const float m = 40.0f / 3.0f;
  const sKey& s0 = *tr.Keys[0];
  EXPECT_EQ(0.0f, s0.T0);
  EXPECT_EQ(1.0f, s0.T1);
  EXPECT_EQ(0.0f, s0.A0);
  EXPECT_EQ(0.0f, s0.A1);
  EXPECT_FLOAT_EQ(30.0f - m, s0.A2);
  EXPECT_FLOAT_EQ(-20.0f + m, s0.A3);
  const sKey& s1 = *tr.Keys[1];
  EXPECT_EQ(1.0f, s1.T0);
  EXPECT_EQ(3.0f, s1.T1);
  EXPECT_EQ(10.0f, s1.A0);
  EXPECT_FLOAT_EQ(m, s1.A1);
  EXPECT_FLOAT_EQ(90.0f - 2.0f * m, s1.A2);
  EXPECT_FLOAT_EQ(-60.0f + m, s1.A3);
  // At s = 0.5 of segment 1: the polynomial, not a length-scaled Hermite.
  const double s = 0.5;
  const double expect = ((s1.A3 * s + s1.A2) * s + s1.A1) * s + s1.A0;
  EXPECT_EQ(static_cast<float>(expect), EvaluateAt(tl, &f, 2.0f));
}

TEST(Track, EqualTimeNeighboursGiveZeroTangent) {
  sTimeline tl;
  float f = 0;
  tl.AddKey(&f, 0.0f, 0.0f);
  tl.AddKey(&f, 10.0f, 5.0f);
  tl.AddKey(&f, 10.0f, 7.0f);
  tl.AddKey(&f, 10.0f, 9.0f);
  tl.AddKey(&f, 20.0f, 1.0f);
  tl.Prepare(nullptr);
  // Key 2 has both neighbours at 10 ms: tangent 0, so segment 2 starts flat.
  const sKey& k2 = *tl.Tracks[0].Keys[2];
  EXPECT_EQ(0.0f, k2.A1);
  // Key 1's neighbours are at 0 and 10: (7 - 0) / 10.
  EXPECT_FLOAT_EQ(0.7f, tl.Tracks[0].Keys[1]->A1);
}

// The show's first fade: a step from 0 to 1 within one millisecond.
TEST(Track, RepeatedKeysMakeAOneMillisecondStep) {
  sTimeline tl;
  float fade = -1;
  const float keys[][2] = {{0, 1},    {2000, 0}, {2000, 0}, {2000, 0}, {2000, 0},    {2001, 1},
                           {2001, 1}, {2001, 1}, {2001, 1}, {23000, 1}, {24000, 0}};
  for (const auto& k : keys) tl.AddKey(&fade, k[0], k[1]);
  tl.Prepare(nullptr);
  EXPECT_EQ(10, tl.Tracks[0].Segments);
  EXPECT_EQ(0.0f, EvaluateAt(tl, &fade, 2000.0f));
  EXPECT_FLOAT_EQ(0.5f, EvaluateAt(tl, &fade, 2000.5f));
  EXPECT_EQ(1.0f, EvaluateAt(tl, &fade, 2001.0f));
  EXPECT_EQ(0.0f, EvaluateAt(tl, &fade, 30000.0f));
  // Beside the step the unscaled tangents of the neighbours show, faintly:
  // key (2000, 0) has slope -1/2000, key (23000, 1) slope -1/21999.
  EXPECT_NEAR(0.5 + 0.125 * 0.0005, EvaluateAt(tl, &fade, 1000.0f), 1e-7);
  EXPECT_NEAR(0.5 - 0.125 / 21999.0, EvaluateAt(tl, &fade, 23500.0f), 1e-7);
}

TEST(Track, BackwardEvaluationMatchesAFreshTimeline) {
  const float keys[][2] = {{0, 1},       {2000, 0},   {2000, 0},    {2001, 1},  {2001, 1},
                           {5000, 3},    {9000, -2},  {9000, 4},    {12000, 4}, {23000, 1}, {24000, 0}};
  sTimeline walked;
  float w = 0;
  for (const auto& k : keys) walked.AddKey(&w, k[0], k[1]);
  walked.Prepare(nullptr);
  std::vector<float> times;
  for (float t = -10.0f; t < 25000.0f; t += 137.25f) times.push_back(t);
  for (float t : {2000.0f, 2000.25f, 2001.0f, 9000.0f, 8999.5f, 9000.5f}) times.push_back(t);
  // Forward, then backward, then jumps: every value equals a fresh evaluation.
  std::vector<float> order = times;
  order.insert(order.end(), times.rbegin(), times.rend());
  for (size_t i = 0; i < times.size(); i += 7) order.push_back(times[(i * 31) % times.size()]);
  for (float t : order) {
    sTimeline fresh;
    float f = 0;
    for (const auto& k : keys) fresh.AddKey(&f, k[0], k[1]);
    fresh.Prepare(nullptr);
    EXPECT_EQ(EvaluateAt(fresh, &f, t), EvaluateAt(walked, &w, t)) << "t=" << t;
  }
}

TEST(Timeline, KeysShareThePoolInCallOrderAndTracksAreFoundByTarget) {
  sTimeline tl;
  float a = 0, b = 0;
  tl.AddKey(&a, 0, 1);
  tl.AddKey(&b, 0, 2);
  tl.AddKey(&a, 10, 3);
  EXPECT_EQ(3, tl.KeyCount);
  EXPECT_EQ(2, tl.TrackCount);
  EXPECT_EQ(&tl.Tracks[0], tl.FindTrack(&a));
  EXPECT_EQ(&tl.KeyPool[0], tl.Tracks[0].Keys[0]);
  EXPECT_EQ(&tl.KeyPool[2], tl.Tracks[0].Keys[1]);
  EXPECT_EQ(2, tl.Tracks[0].Segments) << "a key count until Prepare";
}

TEST(Timeline, CapacitiesEndInAFatalErrorInsteadOfOverrunning) {
  sTimeline tl;
  std::vector<int> log;
  for (int i = 0; i < sTimeline::MaxLayers; ++i) tl.AddLayer(new LogLayer(i, &log));
  LogLayer extra(99, &log);
  EXPECT_FATAL(tl.AddLayer(&extra), "sTimeline::AddLayer() too many layers");

  float f[sTimeline::MaxTracks + 1];
  for (int i = 0; i < sTimeline::MaxTracks; ++i) tl.AddKey(&f[i], 0, 0);
  EXPECT_FATAL(tl.AddKey(&f[sTimeline::MaxTracks], 0, 0), "sTimeline::FindTrack() too many tracks");
  for (int i = 1; i < sTrack::MaxKeys; ++i) tl.AddKey(&f[0], float(i), 0);
  EXPECT_FATAL(tl.AddKey(&f[0], 100, 0), "sTimeline::AddKey() too many keys in one track");
  EXPECT_FATAL(tl.SetChannel(32, 0, 1), "sTimeline::SetChannel() no such channel");
}

}  // namespace
