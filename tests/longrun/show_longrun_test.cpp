// The show in this process for two hours of show time (1/60 s steps, then jumps of seconds), and lost
// surfaces mid-show. (A keyboard that fails mid-show: Export.FailedExportOrWriteLeavesNothingUnderTheName.)
#include <gtest/gtest.h>
#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>
#include "platform/display.h"
#include "tests/support/show_in_process.h"

// This binary's operator new and delete count the calling thread's allocations and the bytes live;
// each block carries its size in a header.
namespace {
thread_local uint64_t threadAllocations = 0;
std::atomic<int64_t> liveBytes{0};
constexpr size_t Header = alignof(std::max_align_t);

void* Allocate(size_t size) {
  ++threadAllocations;
  void* p = std::malloc(size + Header);
  if (!p) throw std::bad_alloc();
  *static_cast<size_t*>(p) = size;
  liveBytes += static_cast<int64_t>(size);
  return static_cast<char*>(p) + Header;
}

void* TryAllocate(size_t size) noexcept try { return Allocate(size); } catch (...) { return nullptr; }

void Free(void* p) {
  if (!p) return;
  char* block = static_cast<char*>(p) - Header;
  liveBytes -= static_cast<int64_t>(*reinterpret_cast<size_t*>(block));
  std::free(block);
}
}  // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return TryAllocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return TryAllocate(size); }
void operator delete(void* p) noexcept { Free(p); }
void operator delete[](void* p) noexcept { Free(p); }
void operator delete(void* p, size_t) noexcept { Free(p); }
void operator delete[](void* p, size_t) noexcept { Free(p); }

namespace {

const uint64_t Second = 1000000;
const float LastShowTime = 2147483.75f;  // 2,147,483,647 us as a 32-bit float of ms

struct ShowRun {
  std::vector<float> times;
  uint64_t presented = 0;  // frames the screen received
  std::string fatal;
};

// clockAfter(n) is the clock after frame n; atFrame(n) runs before it moves.
template <typename Clock, typename AtFrame>
ShowRun RunShow(const std::string& keys, Clock clockAfter, AtFrame atFrame) {
  ShowRun run;
  run.times.reserve(4096);
  run.fatal = showrun::Run(keys, [&](const sFrameInfo& f) {
    run.times.push_back(f.Time);
    run.presented = showrun::PresentedFrames();
    atFrame(f.Frame);
    return clockAfter(f.Frame);
  });
  return run;
}

uint64_t Sixtieths(uint64_t n) { return (n + 1) * Second / 60; }

// 1/60 s per frame for the first ten seconds, then five-second jumps.
uint64_t TwoHourClock(uint64_t n) { return n < 600 ? Sixtieths(n) : 10 * Second + (n + 1 - 600) * 5 * Second; }

TEST(LongRun, TwoHoursOfShowTimeWithoutGrowth) {
  // Heap use of the show's thread once the jumps have begun. Before that the platform's
  // buffers reach their high-water marks and Present makes a new palette object for each
  // palette change, as DirectDraw did. From here on, through the clamp, the M key and the
  // Escape, nothing may be allocated.
  const uint64_t warm = 650;
  uint64_t allocsAtWarm = 0, allocsAtEnd = 0;
  int64_t liveAtWarm = 0, liveAtEnd = 0;
  const ShowRun run = RunShow("4000 key M\n1000000 key M\n7200000 key Escape\n", TwoHourClock, [&](uint64_t n) {
    if (n == warm) allocsAtWarm = threadAllocations, liveAtWarm = liveBytes.load();
    allocsAtEnd = threadAllocations;
    liveAtEnd = liveBytes.load();
  });
  EXPECT_EQ("", run.fatal);
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
  EXPECT_EQ(7200 * Second, TwoHourClock(t.size() - 1)) << "the Escape was read at two hours, after the last frame";
  EXPECT_EQ(allocsAtWarm, allocsAtEnd) << "allocations in " << t.size() - warm << " frames";
  EXPECT_EQ(liveAtWarm, liveAtEnd) << "heap bytes from frame " << warm << " to the last";
}

TEST(LongRun, FaultsMidShow) {
  // Another program takes the screen after frame 100; later three back buffer locks
  // find their surface lost just before they lock. The chain is restored each time.
  uint64_t presentedAtLoss = 0;
  ShowRun run = RunShow("6000 key Escape\n", Sixtieths, [&](uint64_t n) {
    if (n == 100) presentedAtLoss = showrun::PresentedFrames(), platform::LoseAllSurfaces();
    if (n == 200) platform::InjectDisplayFault(platform::DDFault::LoseOnLock, 3, 5);
  });
  EXPECT_EQ("", run.fatal);
  ASSERT_GE(run.times.size(), 350u) << "the show ran on to the Escape";
  EXPECT_GT(run.times.back(), 5900.0f);
  EXPECT_EQ(101u, presentedAtLoss);
  EXPECT_EQ(run.times.size(), run.presented) << "every frame after the loss reached the screen";
}

}  // namespace
