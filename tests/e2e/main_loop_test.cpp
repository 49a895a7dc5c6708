// DemoMain in this process, on the headless backend with a clock the test sets
// after every frame: the show-time clamp and a clock that goes back.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>
#include <vector>

#include "framework/math.h"
#include "framework/system/cd.h"
#include "framework/system/driver.h"
#include "framework/system/fatal.h"
#include "framework/system/reset.h"
#include "framework/system/shell.h"
#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/headless/cd.h"
#include "platform/display.h"
#include "tests/support/paths.h"
#include "vo/frame_observer.h"
#include "vo/main.h"
#include "vo/moveit.h"
#include "vo/screen.h"

namespace platform {
VirtualClock* HeadlessClock();
}

namespace {

struct Clocked {
  std::vector<uint64_t> clockAfter;  // the clock for the next frame, per frame
  std::vector<float> times;
  std::vector<uint64_t> pictures;  // a hash of each presented frame's pixels
  std::function<void(uint64_t frame)> onFrame;
};

void Observe(const sFrameInfo& f, void* user) {
  Clocked& c = *static_cast<Clocked*>(user);
  c.times.push_back(f.Time);
  if (c.onFrame) c.onFrame(f.Frame);
  const platform::DDSurface* front = static_cast<sWinDriver*>(TheDisplay)->PrimarySurface();
  uint64_t hash = 14695981039346656037ull;
  for (int i = 0; i < front->Pitch() * front->Height(); ++i) hash = (hash ^ front->Memory()[i]) * 1099511628211ull;
  c.pictures.push_back(hash);
  if (f.Frame < c.clockAfter.size()) platform::HeadlessClock()->Set(c.clockAfter[f.Frame]);
}

void CreateDisplay() { new sWinDriver; }

std::vector<float> RunWithClock(const std::vector<uint64_t>& clock, const std::string& keys,
                                std::vector<uint64_t>* pictures = nullptr,
                                std::function<void(uint64_t frame)> onFrame = nullptr) {
  ResetProcessState();  // a show per test, also when they share a process
  Clocked c;
  c.clockAfter = clock;
  c.onFrame = std::move(onFrame);
  std::filesystem::current_path(testpaths::Build() + "/app");
  InitMathTables();
  platform::BackendOptions options;
  options.virtualClock = true;
  options.frameMicros = 0;
  options.keyScript = keys;
  EXPECT_TRUE(platform::StartBackend("headless", options));
  SetFrameObserver(Observe, &c);
  SetShellParts({StartDirectDraw, CreateDisplay, ReleaseDirectDraw, DemoMain});
  WinMain();
  if (!c.onFrame) {  // else the caller looks
    EXPECT_EQ(0, FatalText[0]) << FatalText;
  }
  platform::StopBackend();
  if (pictures) *pictures = c.pictures;
  return c.times;
}

TEST(MainLoop, ShowTimeStopsAtTheLastMicrosecond) {
  const std::vector<float> t =
      RunWithClock({2147483647ull - 1000, 2147483647ull, 2147483648ull + 5, 4294967296ull + 7},
                   "4294967 key Escape\n");
  ASSERT_EQ(4u, t.size());
  EXPECT_EQ(0.0f, t[0]);
  EXPECT_EQ(static_cast<float>(2147482.647), t[1]);
  EXPECT_EQ(2147483.75f, t[2]) << "2,147,483,647 us as a 32-bit float of ms";
  EXPECT_EQ(2147483.75f, t[3]) << "2^31 us and more: clamped";
}

TEST(MainLoop, AClockThatGoesBackFreezesTheShow) {
  // The clock given after frame n is read by frame n's input and frame n + 1.
  // R read after frame 0 (clock 1 ms) restarts from 1000 us; the clock then goes back to 500.
  const std::vector<float> t = RunWithClock({1000, 500, 3000, 4000}, "1 key R\n4 key Escape\n");
  ASSERT_EQ(4u, t.size());
  EXPECT_EQ(0.0f, t[1]) << "restarted";
  EXPECT_EQ(2147483.75f, t[2]) << "a backward clock freezes the show at the last microsecond";
  EXPECT_EQ(2.0f, t[3]) << "and moves on when the clock passes the start again";
}

TEST(MainLoop, TheFirstTwoButtonsEndTheRunAfterTheIteration) {
  // Buttons 1 + 2 with three buttons held first: only the pair quits.
  const std::vector<float> t =
      RunWithClock({50000, 100000, 150000, 200000}, "50 buttons 7\n100 buttons 0\n150 buttons 3\n");
  ASSERT_EQ(3u, t.size());
  EXPECT_EQ(100.0f, t[2]);
}

TEST(MainLoop, EachBufferOfTheChainKeepsWhatItHeld) {
  // Three frames of the moving blobs at 20 s, then 40 s, where nothing draws:
  // the chain's three buffers (front and two back) go round with the last
  // three pictures, each different.
  std::vector<uint64_t> clock = {20000000, 20016667, 20033333};
  clock.resize(10, 40000000);
  clock.push_back(40001000);
  std::vector<uint64_t> pictures;
  const std::vector<float> t = RunWithClock(clock, "40001 key Escape\n", &pictures);
  ASSERT_EQ(11u, pictures.size());
  EXPECT_EQ(40000.0f, t[4]);
  for (size_t n = 4; n < pictures.size(); ++n) {
    EXPECT_EQ(pictures[n - 3], pictures[n]) << "frame " << n;
    EXPECT_NE(pictures[n - 1], pictures[n]) << "frame " << n;
  }
}

TEST(MainLoop, AFatalErrorOnTheAudioThreadEndsTheShowAtItsNextFrame) {
  // The CD's assertion fires on the audio thread while the show runs: the
  // display stays the main thread's until its next frame, which ends it.
  platform::FakeCdAudio cd(platform::FakeDisc::Even(12, 1000));
  std::vector<uint64_t> clock(6000);
  for (size_t i = 0; i < clock.size(); ++i) clock[i] = (i + 1) * 16667;
  uint64_t failedAt = 0;
  const std::vector<float> t = RunWithClock(clock, "100000 key Escape\n", nullptr, [&](uint64_t frame) {
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
  EXPECT_STREQ("Fatal:Assertion in line 2912, file system\n", FatalText);
  ASSERT_NE(0u, failedAt);
  EXPECT_EQ(failedAt + 1, t.size()) << "the next frame did not start";
  EXPECT_FALSE(MainThreadStillRunning());
}

TEST(MainLoop, OnlyPlainKeyCodesAct) {
  // Shift+R, and a held M repeating, do nothing; Escape ends the run.
  const std::vector<float> t = RunWithClock({10000, 20000, 30000, 40000, 50000, 60000, 70000},
                                            "10 press ShiftL\n10 press R\n30 release R\n30 release ShiftL\n"
                                            "60 key Escape\n");
  ASSERT_EQ(6u, t.size());
  for (size_t i = 1; i < t.size(); ++i) EXPECT_EQ(10.0f * i, t[i]) << "no restart at frame " << i;
}

}  // namespace
