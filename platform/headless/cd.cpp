#include "platform/headless/cd.h"

#include <cstdio>

#include "platform/clock.h"

namespace platform {

namespace {

uint64_t NowMs() {
  Clock& clock = GetClock();
  uint64_t count = 0, hz = 0;
  if (clock.QueryCounter(count) && clock.QueryFrequency(hz) && hz)
    return static_cast<uint64_t>(static_cast<long double>(count) * 1000.0L / hz);
  return clock.TimeGetTime();
}

class FakeCdDevice final : public CdDevice {
public:
  explicit FakeCdDevice(FakeCdAudio& owner) : owner_(owner) {}
  ~FakeCdDevice() override {
    owner_.Record("close");
    owner_.Closed();
  }
  bool SetTimeFormat(CdTimeFormat format) override {
    owner_.Record(format == CdTimeFormat::Milliseconds ? "format ms" : "format tmsf");
    return !owner_.Fails(&FakeDisc::failTimeFormat, formatCalls_);
  }
  bool NumberOfTracks(int32_t& tracks) override {
    owner_.Record("tracks");
    if (owner_.Fails(&FakeDisc::failTrackCount, countCalls_)) return false;
    const FakeDisc& d = owner_.Disc();
    tracks = d.reportedTracks >= 0 || d.reportedTracks < -1 ? d.reportedTracks
                                                            : static_cast<int32_t>(d.trackStarts.size());
    return true;
  }
  bool TrackPosition(int track, uint32_t& position) override {
    owner_.Record("position " + std::to_string(track));
    if (owner_.Fails(&FakeDisc::failTrackPosition, positionCalls_)) return false;
    const FakeDisc& d = owner_.Disc();
    if (track < 1) return false;
    // A disc reporting more tracks than it has: the extra ones start at its end.
    position = static_cast<size_t>(track) <= d.trackStarts.size() ? d.trackStarts[track - 1] : d.length;
    return true;
  }
  bool Length(uint32_t& length) override {
    owner_.Record("length");
    if (owner_.Fails(&FakeDisc::failLength, lengthCalls_)) return false;
    length = owner_.Disc().length;
    return true;
  }
  bool Play(uint32_t from, uint32_t to) override {
    char text[64];
    std::snprintf(text, sizeof text, "play 0x%04X-0x%04X", from, to);
    owner_.Record(text);
    return true;
  }
  bool Stop() override {
    owner_.Record("stop");
    return true;
  }

private:
  FakeCdAudio& owner_;
  int formatCalls_ = 0, countCalls_ = 0, positionCalls_ = 0, lengthCalls_ = 0;
};

}  // namespace

FakeDisc FakeDisc::Even(int tracks, uint32_t ms) {
  FakeDisc d;
  for (int i = 0; i < tracks; ++i) d.trackStarts.push_back(2000 + static_cast<uint32_t>(i) * ms);
  d.length = static_cast<uint32_t>(tracks) * ms;
  return d;
}

std::unique_ptr<CdDevice> FakeCdAudio::Open(const char* deviceType) {
  Record(std::string("open ") + (deviceType ? deviceType : ""));
  if (!disc_.present) return nullptr;
  {
    std::lock_guard<std::mutex> hold(lock_);
    ++open_;
  }
  return std::make_unique<FakeCdDevice>(*this);
}

void FakeCdAudio::Record(const std::string& what) {
  std::lock_guard<std::mutex> hold(lock_);
  log_.push_back(what);
  times_.push_back(NowMs());
}

bool FakeCdAudio::Fails(int FakeDisc::*which, int& counter) {
  ++counter;
  return disc_.*which != 0 && disc_.*which == counter;
}

void FakeCdAudio::Closed() {
  std::lock_guard<std::mutex> hold(lock_);
  --open_;
}

std::vector<std::string> FakeCdAudio::Log() {
  std::lock_guard<std::mutex> hold(lock_);
  return log_;
}

std::vector<uint64_t> FakeCdAudio::LogTimes() {
  std::lock_guard<std::mutex> hold(lock_);
  return times_;
}

void FakeCdAudio::ClearLog() {
  std::lock_guard<std::mutex> hold(lock_);
  log_.clear();
  times_.clear();
}

int FakeCdAudio::OpenDevices() {
  std::lock_guard<std::mutex> hold(lock_);
  return open_;
}

}  // namespace platform
