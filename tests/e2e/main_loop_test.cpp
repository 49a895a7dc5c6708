// DemoMain in this process with a clock the test sets after every frame: the
// show-time clamp, a clock that goes back, the keys and buttons that act.
#include <gtest/gtest.h>
#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>
#include "framework/system/cd.h"
#include "framework/system/fatal.h"
#include "framework/system/shell.h"
#include "platform/headless/cd.h"
#include "tests/support/show_in_process.h"

namespace {

struct Clocked {
  std::string fatal;
  std::vector<float> times;
  std::vector<uint64_t> pictures;  // a hash of each presented frame
};

// clock[n] is the clock after frame n (the last one stays); onFrame runs before it is set.
Clocked RunWithClock(const std::vector<uint64_t>& clock, const std::string& keys,
                     const std::function<void(uint64_t)>& onFrame = nullptr) {
  Clocked c;
  c.fatal = showrun::Run(keys, [&](const sFrameInfo& f) {
    c.times.push_back(f.Time);
    if (onFrame) onFrame(f.Frame);
    c.pictures.push_back(showrun::ScreenHash());
    return clock[std::min<size_t>(f.Frame, clock.size() - 1)];
  });
  if (!onFrame) {
    EXPECT_EQ("", c.fatal);
  }
  return c;
}

TEST(MainLoop, ShowTimeClampAndKeysThatAct) {
  // The clock past 2^31 us: the show time stays at its last microsecond.
  Clocked c = RunWithClock({2147483647ull - 1000, 2147483647ull, 2147483648ull + 5, 4294967296ull + 7},
                           "4294967 key Escape\n");
  EXPECT_EQ((std::vector<float>{0.0f, static_cast<float>(2147482.647), 2147483.75f, 2147483.75f}), c.times)
      << "2,147,483,647 us as a 32-bit float of ms, then clamped";
  // The clock given after frame n is read by frame n's input and frame n + 1: R read after
  // frame 0 (clock 1 ms) restarts from 1000 us; a clock going back to 500 freezes the show
  // at the last microsecond until it passes the start again.
  c = RunWithClock({1000, 500, 3000, 4000}, "1 key R\n4 key Escape\n");
  EXPECT_EQ((std::vector<float>{0.0f, 0.0f, 2147483.75f, 2.0f}), c.times);
  // Buttons 1 + 2 end the run after the iteration; three buttons held first do not.
  c = RunWithClock({50000, 100000, 150000, 200000}, "50 buttons 7\n100 buttons 0\n150 buttons 3\n");
  EXPECT_EQ((std::vector<float>{0.0f, 50.0f, 100.0f}), c.times);
  // Shift+R, and a held M repeating, do nothing; Escape ends the run.
  c = RunWithClock({10000, 20000, 30000, 40000, 50000, 60000, 70000},
                   "10 press ShiftL\n10 press R\n30 release R\n30 release ShiftL\n60 key Escape\n");
  EXPECT_EQ((std::vector<float>{0, 10, 20, 30, 40, 50}), c.times) << "no restart";
}

TEST(MainLoop, EachBufferOfTheChainKeepsWhatItHeld) {
  // Three frames of the moving blobs at 20 s, then 40 s, where nothing draws: the
  // chain's three buffers go round with the last three pictures, each different.
  std::vector<uint64_t> clock = {20000000, 20016667, 20033333};
  clock.resize(10, 40000000);
  clock.push_back(40001000);
  const Clocked c = RunWithClock(clock, "40001 key Escape\n");
  ASSERT_EQ(11u, c.pictures.size());
  EXPECT_EQ(40000.0f, c.times[4]);
  for (size_t n = 4; n < c.pictures.size(); ++n) {
    EXPECT_EQ(c.pictures[n - 3], c.pictures[n]) << "frame " << n;
    EXPECT_NE(c.pictures[n - 1], c.pictures[n]) << "frame " << n;
  }
}

TEST(MainLoop, AFatalErrorOnTheAudioThreadEndsTheShowAtItsNextFrame) {
  // The CD's assertion fires on the audio thread while the show runs: the display
  // stays the main thread's until its next frame, which ends it.
  platform::FakeCdAudio cd(platform::FakeDisc::Even(12, 1000));
  std::vector<uint64_t> clock(6000);
  for (size_t i = 0; i < clock.size(); ++i) clock[i] = (i + 1) * 16667;
  uint64_t failedAt = 0;
  const Clocked c = RunWithClock(clock, "100000 key Escape\n", [&](uint64_t frame) {
    if (frame == 0) {
      SetAudioThreadSleep([](unsigned) { std::this_thread::sleep_for(std::chrono::milliseconds(1)); });
      platform::SetCdAudio(&cd);
      AudioCommand.store(CdOpen);
    } else if (!failedAt && AudioCommand.load() == 0) {
      AudioCommand.store(CdPlay + 13);  // the disc has 12 tracks
      for (int ms = 0; ms < 5000 && !FatalText[0]; ++ms) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      failedAt = frame;
    }
  });
  CloseCd();  // the audio thread is gone; the device goes before the disc
  platform::SetCdAudio(nullptr);
  EXPECT_EQ("Fatal:Assertion in line 2912, file system\n", c.fatal);
  ASSERT_NE(0u, failedAt);
  EXPECT_EQ(failedAt + 1, c.times.size()) << "the next frame did not start";
  EXPECT_FALSE(MainThreadStillRunning());
  // The next run in this process starts from start-up state.
  EXPECT_EQ(std::vector<float>{0.0f}, RunWithClock({10000, 20000}, "10 key Escape\n").times);
}

}  // namespace
