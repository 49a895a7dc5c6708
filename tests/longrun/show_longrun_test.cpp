// The show in this process for two hours of show time on the headless
// backend, the test moving the clock after every frame: 1/60 s steps where
// the picture matters, then jumps of seconds. And faults mid-show: a keyboard
// that cannot be read, surfaces that are lost.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "framework/math.h"
#include "framework/system/driver.h"
#include "framework/system/fatal.h"
#include "framework/system/reset.h"
#include "framework/system/shell.h"
#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/debug.h"
#include "platform/display.h"
#include "platform/headless/screen.h"
#include "tests/longrun/alloc_count.h"
#include "tests/support/paths.h"
#include "vo/frame_observer.h"
#include "vo/main.h"

namespace platform {
VirtualClock* HeadlessClock();
}

namespace {

const uint64_t Second = 1000000;
const float LastShowTime = 2147483.75f;  // 2,147,483,647 us as a 32-bit float of ms

struct ShowRun {
  // The clock for the frame after frame n.
  std::function<uint64_t(uint64_t n)> clockAfter;
  // Called after frame n, before the clock moves.
  std::function<void(uint64_t n)> atFrame;
  std::vector<float> times;
  uint64_t presented = 0;  // frames the screen received
};

void Observe(const sFrameInfo& f, void* user) {
  ShowRun& r = *static_cast<ShowRun*>(user);
  r.times.push_back(f.Time);
  r.presented = platform::GetHeadlessScreen()->FrameCount();
  if (r.atFrame) r.atFrame(f.Frame);
  platform::HeadlessClock()->Set(r.clockAfter(f.Frame));
}

void CreateDisplay() { new sWinDriver; }

// The whole program's life: shell, driver, DemoMain; the fatal text after it.
std::string RunShow(ShowRun& run, const std::string& keys) {
  ResetProcessState();  // the pack is opened once per process
  std::filesystem::current_path(testpaths::Build() + "/app");
  InitMathTables();
  platform::BackendOptions options;
  options.virtualClock = true;
  options.frameMicros = 0;
  options.keyScript = keys;
  EXPECT_TRUE(platform::StartBackend("headless", options));
  run.times.reserve(4096);
  SetFrameObserver(Observe, &run);
  SetShellParts({StartDirectDraw, CreateDisplay, ReleaseDirectDraw, DemoMain});
  WinMain();
  const std::string fatal = FatalText;
  platform::ClearDisplayFaults();
  platform::StopBackend();
  return fatal;
}

// 1/60 s per frame for the first ten seconds, then five-second jumps.
uint64_t TwoHourClock(uint64_t n) {
  const uint64_t fine = 600;
  return n < fine ? (n + 1) * Second / 60 : 10 * Second + (n + 1 - fine) * 5 * Second;
}

TEST(LongRun, TwoHoursOfShowTimeWithoutGrowth) {
  ShowRun run;
  run.clockAfter = TwoHourClock;
  // Heap use of the show's thread once the jumps have begun. Before that the
  // platform's buffers reach their high-water marks (the headless sound's mix
  // buffer grows with the clock step, the key buffer with the first keys),
  // and Present makes a new palette object for each palette change, as
  // DirectDraw did. From here on, through the clamp, the M key and the Escape,
  // nothing may be allocated.
  const uint64_t warm = 650;
  uint64_t allocsAtWarm = 0, allocsAtEnd = 0;
  int64_t liveAtWarm = 0, liveAtEnd = 0;
  run.atFrame = [&](uint64_t n) {
    if (n == warm) {
      allocsAtWarm = alloccount::ThreadAllocations();
      liveAtWarm = alloccount::LiveBytes();
    }
    allocsAtEnd = alloccount::ThreadAllocations();
    liveAtEnd = alloccount::LiveBytes();
  };
  // The profiler overlay on for a while, then Escape at two hours.
  const std::string fatal = RunShow(run, "4000 key M\n1000000 key M\n7200000 key Escape\n");
  EXPECT_EQ("", fatal);

  const std::vector<float>& t = run.times;
  ASSERT_GT(t.size(), 2000u);
  EXPECT_EQ(t.size(), run.presented);
  EXPECT_EQ(0.0f, t[0]);
  size_t firstClamped = t.size();
  for (size_t i = 1; i < t.size(); ++i) {
    ASSERT_LE(t[i - 1], t[i]) << "frame " << i;
    if (t[i] == LastShowTime && firstClamped == t.size()) firstClamped = i;
  }
  ASSERT_LT(firstClamped, t.size());
  // The first frame whose clock reached 2,147,483,647 us, and none before it.
  EXPECT_GE(TwoHourClock(firstClamped - 1), 2147483647ull);
  EXPECT_LT(TwoHourClock(firstClamped - 2), 2147483647ull);
  for (size_t i = firstClamped; i < t.size(); ++i) ASSERT_EQ(LastShowTime, t[i]) << "frame " << i;
  // The Escape was read at two hours of clock, after the last frame.
  EXPECT_EQ(7200 * Second, TwoHourClock(t.size() - 1));

  EXPECT_EQ(allocsAtWarm, allocsAtEnd) << "allocations in " << t.size() - warm << " frames";
  EXPECT_EQ(liveAtWarm, liveAtEnd) << "heap bytes from frame " << warm << " to the last";
}

TEST(LongRun, AKeyboardReadErrorEndsTheShowThroughTheAssertion) {
  platform::DebugCapture debug;
  platform::SetDebugSink(&debug);
  ShowRun run;
  run.clockAfter = [](uint64_t n) { return (n + 1) * Second / 60; };
  const std::string fatal = RunShow(run, "3000 error\n9000 key Escape\n");
  platform::SetDebugSink(nullptr);
  EXPECT_EQ("Fatal:Assertion in line 3152, file system\n", fatal);
  EXPECT_NE(std::string::npos, debug.Text().find("keyboard error ")) << debug.Text();
  // The read after the last frame before 3 s failed: no frame after it.
  ASSERT_FALSE(run.times.empty());
  EXPECT_LT(run.times.back(), 3000.0f);
  EXPECT_GT(run.times.back(), 2900.0f);
}

TEST(LongRun, LostSurfacesMidShowAreRestoredAndTheShowGoesOn) {
  ShowRun run;
  run.clockAfter = [](uint64_t n) { return (n + 1) * Second / 60; };
  uint64_t presentedAtLoss = 0;
  run.atFrame = [&](uint64_t n) {
    // Another program takes the screen after frame 100; later three back
    // buffer locks find their surface lost just before they lock.
    if (n == 100) {
      presentedAtLoss = run.presented;
      platform::LoseAllSurfaces();
    }
    if (n == 200) platform::InjectDisplayFault(platform::DDFault::LoseOnLock, 3, 5);
  };
  const std::string fatal = RunShow(run, "6000 key Escape\n");
  EXPECT_EQ("", fatal);
  ASSERT_GE(run.times.size(), 350u) << "the show ran on to the Escape";
  EXPECT_GT(run.times.back(), 5900.0f);
  EXPECT_EQ(101u, presentedAtLoss);
  // Every frame after the loss reached the screen: the chain was restored.
  EXPECT_EQ(run.times.size(), run.presented);
}

}  // namespace
