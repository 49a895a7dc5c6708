// A fake disc for tests: a track table, a log of what the player was asked to
// do (with the clock's time), and failures to inject.
#pragma once
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/cd.h"

namespace platform {

struct FakeDisc {
  std::vector<uint32_t> trackStarts;  // ms from the start of the disc, one per track
  uint32_t length = 0;                // the whole disc in ms
  int32_t reportedTracks = -1;        // what the player reports; -1: the table's size
  bool present = true;                // false: open fails
  // Fail the n-th call of a kind (1-based; 0 = never).
  int failTimeFormat = 0;
  int failTrackCount = 0;
  int failTrackPosition = 0;
  int failLength = 0;

  // A disc of `tracks` tracks of `ms` each.
  static FakeDisc Even(int tracks, uint32_t ms);
};

class FakeCdAudio final : public CdAudio {
public:
  explicit FakeCdAudio(FakeDisc disc) : disc_(std::move(disc)) {}
  std::unique_ptr<CdDevice> Open(const char* deviceType) override;

  // "open", "format ms", "format tmsf", "tracks", "position 3", "length",
  // "play 0x000C-0x010C", "stop", "close": what was asked, in order.
  std::vector<std::string> Log();
  // Clock milliseconds of each log entry.
  std::vector<uint64_t> LogTimes();
  void ClearLog();
  int OpenDevices();  // opened and not yet closed

  // Used by the fake device.
  void Record(const std::string& what);
  bool Fails(int FakeDisc::*which, int& counter);
  const FakeDisc& Disc() const { return disc_; }
  void Closed();

private:
  FakeDisc disc_;
  std::mutex lock_;
  std::vector<std::string> log_;
  std::vector<uint64_t> times_;
  int open_ = 0;
};

}  // namespace platform
