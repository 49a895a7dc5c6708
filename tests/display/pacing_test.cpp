// The presenter's pacing against a fake display clock: presents that wait for
// the next refresh of a monitor at 60 to 165 Hz, a show that draws each frame
// in 4 ms once the one before is shown.
#include "platform/pacing.h"
#include <gtest/gtest.h>
#include <cmath>
#include <cstdint>
#include <vector>
namespace {
using platform::FramePacer;
struct Shown {
  std::vector<double> shownAt;  // the refresh at which each new frame appeared
  double period;
};
// `hint`: the display mode names its rate; `waits`: presents wait for the refresh.
Shown Simulate(double hz, bool hint, bool waits, double seconds = 10) {
  const double period = 1e6 / hz;
  FramePacer pacer;
  if (hint) pacer.SetRefreshHint(period);
  uint32_t noise = 12345;
  auto jitter = [&] {  // 0.1 .. 0.5 ms after the refresh
    noise = noise * 1103515245u + 12345u;
    return 100.0 + (noise >> 16) % 400;
  };
  Shown run{{}, period};
  double t = 1000, ready = t;
  while (t < seconds * 1e6) {
    if (t < ready) t = ready;  // the window thread waits for the next flip
    const FramePacer::Decision d = pacer.Next(static_cast<uint64_t>(t));
    if (d.step == FramePacer::Step::Wait) {
      t = std::max(t, static_cast<double>(d.until));
      continue;
    }
    const bool fresh = d.step == FramePacer::Step::Show;
    // Waiting: the refresh after the call; not waiting, the picture is out at once.
    const double refresh = waits ? period * (std::floor(t / period) + 1) : t;
    const double after = waits ? refresh + jitter() : t + 200;
    pacer.Presented(static_cast<uint64_t>(t), static_cast<uint64_t>(after), fresh);
    if (fresh) {
      run.shownAt.push_back(refresh);
      ready = after + 4000;  // the next frame is drawn once this one is shown
    }
    t = after;
  }
  return run;
}
TEST(FramePacing, SixtyFramesASecondOnAnyRefreshRate) {
  for (double hz : {60.0, 75.0, 120.0, 144.0, 165.0}) {
    for (bool hint : {true, false}) {
      SCOPED_TRACE(testing::Message() << hz << " Hz, rate " << (hint ? "known" : "measured"));
      const Shown run = Simulate(hz, hint, true);
      // From the second second on: the frame rate, and how often each frame
      // is shown (60 Hz: once, 120 Hz: twice, 75 Hz: once or twice, 144 and
      // 165 Hz: twice or three times).
      int frames = 0, fewest = 1000, most = 0;
      for (size_t i = 0; i + 1 < run.shownAt.size(); ++i) {
        if (run.shownAt[i] < 1e6 || run.shownAt[i] >= 9e6) continue;
        ++frames;
        const int held = static_cast<int>(std::lround((run.shownAt[i + 1] - run.shownAt[i]) / run.period));
        fewest = std::min(fewest, held);
        most = std::max(most, held);
      }
      EXPECT_NEAR(60.0, frames / 8.0, 0.6);
      EXPECT_GE(fewest, static_cast<int>(std::floor(hz / 60)));
      EXPECT_LE(most, static_cast<int>(std::ceil(hz / 60)));
    }
  }
}
TEST(FramePacing, PresentsThatDoNotWaitAreSleptToTheSlot) {
  const Shown run = Simulate(1000, false, false, 5);
  ASSERT_GT(run.shownAt.size(), 200u);
  const double seconds = (run.shownAt.back() - run.shownAt[60]) / 1e6;
  EXPECT_NEAR(60.0, (run.shownAt.size() - 61) / seconds, 0.1);
  for (size_t i = 61; i < run.shownAt.size(); ++i)
    ASSERT_NEAR(FramePacer::SlotMicros, run.shownAt[i] - run.shownAt[i - 1], 1.0) << i;
}
}  // namespace
