#include "platform/soundmixer.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>

#include "platform/thread.h"

namespace platform {

namespace {

uint32_t Le32(const uint8_t* p) { return p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }
uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

int Sample(const uint8_t* p, int bits, int index) {
  if (bits == 8) return (int(p[index]) - 128) * 256;
  return int16_t(Le16(p + 2 * index));
}

std::string Describe(const WaveFormat& f) {
  return std::to_string(f.samplesPerSec) + " Hz " + std::to_string(f.channels) + " ch " +
         std::to_string(f.bitsPerSample) + " bit";
}

}  // namespace

bool PlayableFormat(const WaveFormat& f) {
  return f.formatTag == 1 && (f.channels == 1 || f.channels == 2) && (f.bitsPerSample == 8 || f.bitsPerSample == 16) &&
         f.blockAlign == f.channels * f.bitsPerSample / 8 && f.samplesPerSec >= 1000 && f.samplesPerSec <= 384000;
}

bool ParseWaveImage(const void* image, size_t size, WaveFormat& format, const uint8_t*& data, size_t& bytes) {
  const uint8_t* p = static_cast<const uint8_t*>(image);
  if (!p || size < 12 || std::memcmp(p, "RIFF", 4) != 0 || std::memcmp(p + 8, "WAVE", 4) != 0) return false;
  size_t end = std::min<size_t>(size, size_t(Le32(p + 4)) + 8);
  bool haveFormat = false;
  size_t at = 12;
  while (end >= 8 && at <= end - 8) {
    size_t length = Le32(p + at + 4);
    const uint8_t* body = p + at + 8;
    size_t available = end - at - 8;
    if (std::memcmp(p + at, "fmt ", 4) == 0) {
      if (length < 16 || length > available) return false;
      format.formatTag = Le16(body);
      format.channels = Le16(body + 2);
      format.samplesPerSec = Le32(body + 4);
      format.avgBytesPerSec = Le32(body + 8);
      format.blockAlign = Le16(body + 12);
      format.bitsPerSample = Le16(body + 14);
      haveFormat = true;
    } else if (std::memcmp(p + at, "data", 4) == 0) {
      if (!haveFormat || !PlayableFormat(format)) return false;
      data = body;
      bytes = std::min(length, available);  // a cut image plays what it holds
      return true;
    }
    if (length > available) return false;
    at += 8 + length + (length & 1);
  }
  return false;
}

// A source of sample frames at its own rate and format, resampled to the
// output rate; the image player has one, and so has every open device.
struct SoundMixer::Voice {
  WaveFormat format;
  double step = 1.0;
  double phase = 1.0;  // output position between frames a and b
  int aL = 0, aR = 0, bL = 0, bR = 0;

  // Image: the samples and how far they have been played.
  const uint8_t* data = nullptr;
  size_t frames = 0, next = 0;
  // Device: the queued blocks and the offset into the first.
  bool device = false;
  std::deque<WaveBlock*> queue;
  uint32_t offset = 0;

  explicit Voice(const WaveFormat& f) : format(f), step(double(f.samplesPerSec) / Rate) {}

  bool Fetch(int& l, int& r) {
    const uint8_t* p;
    int align = format.blockAlign;
    if (!device) {
      if (next >= frames) return false;
      p = data + next++ * size_t(align);
    } else {
      while (!queue.empty() && queue.front()->length - offset < uint32_t(align)) Finish();
      if (queue.empty()) return false;
      p = queue.front()->data + offset;
      offset += uint32_t(align);
      if (queue.front()->length - offset < uint32_t(align)) Finish();
    }
    l = Sample(p, format.bitsPerSample, 0);
    r = format.channels == 2 ? Sample(p, format.bitsPerSample, 1) : l;
    return true;
  }

  // The front block has played.
  void Finish() {
    WaveBlock* b = queue.front();
    queue.pop_front();
    offset = 0;
    b->flags.store((b->flags.load() & ~WaveBlockQueued) | WaveBlockDone);
  }

  // One output frame; false when no data is there (yet).
  bool Pull(int& l, int& r) {
    if (format.samplesPerSec == uint32_t(Rate)) return Fetch(l, r);
    while (phase >= 1.0) {
      int nl, nr;
      if (!Fetch(nl, nr)) return false;
      aL = bL, aR = bR, bL = nl, bR = nr;
      phase -= 1.0;
    }
    l = aL + int((bL - aL) * phase);
    r = aR + int((bR - aR) * phase);
    phase += step;
    return true;
  }

  void Drop() {
    while (!queue.empty()) Finish();
  }
};

class SoundMixer::Device final : public WaveOutDevice {
public:
  Device(SoundMixer& mixer, const WaveFormat& format) : mixer_(mixer), voice_(format) {
    voice_.device = true;
    std::lock_guard<std::mutex> hold(mixer_.lock_);
    mixer_.devices_.push_back(&voice_);
    mixer_.Log("waveout open " + Describe(format));
  }
  ~Device() override {
    mixer_.Sync();
    std::lock_guard<std::mutex> hold(mixer_.lock_);
    voice_.Drop();
    mixer_.devices_.remove(&voice_);
    mixer_.Log("waveout close");
  }
  void Prepare(WaveBlock& block) override { block.flags.fetch_or(WaveBlockPrepared); }
  bool Unprepare(WaveBlock& block) override {
    mixer_.Sync();
    std::lock_guard<std::mutex> hold(mixer_.lock_);
    if (block.flags.load() & WaveBlockQueued) return false;
    block.flags.fetch_and(~uint32_t(WaveBlockPrepared));
    return true;
  }
  bool Write(WaveBlock& block) override {
    mixer_.Sync();
    std::lock_guard<std::mutex> hold(mixer_.lock_);
    uint32_t f = block.flags.load();
    if (!(f & WaveBlockPrepared) || (f & WaveBlockQueued)) return false;
    block.flags.store((f & ~uint32_t(WaveBlockDone)) | WaveBlockQueued);
    voice_.queue.push_back(&block);
    return true;
  }
  void Reset() override {
    mixer_.Sync();
    std::lock_guard<std::mutex> hold(mixer_.lock_);
    if (!voice_.queue.empty()) mixer_.Log("waveout reset");
    voice_.Drop();
  }
  void Sleep(unsigned milliseconds) override { mixer_.Wait(milliseconds); }

private:
  SoundMixer& mixer_;
  Voice voice_;
};

SoundMixer::SoundMixer() = default;
SoundMixer::~SoundMixer() = default;

void SoundMixer::Wait(unsigned milliseconds) { platform::Sleep(milliseconds); }

void SoundMixer::Log(const std::string& what) { events_.push_back({rendered_.load(), what}); }

std::unique_ptr<WaveOutDevice> SoundMixer::OpenWaveOut(const WaveFormat& format) {
  if (!PlayableFormat(format)) return nullptr;
  Sync();
  return std::make_unique<Device>(*this, format);
}

bool SoundMixer::PlaySound(const void* image, size_t size) {
  Sync();
  WaveFormat format;
  const uint8_t* data = nullptr;
  size_t bytes = 0;
  bool ok = image && ParseWaveImage(image, size, format, data, bytes);
  std::lock_guard<std::mutex> hold(lock_);
  if (image_) {
    image_.reset();
    Log("stop");
  }
  if (!image) return true;
  if (!ok) {
    Log("refused");
    return false;
  }
  image_ = std::make_unique<Voice>(format);
  image_->data = data;
  image_->frames = bytes / format.blockAlign;
  Log("play " + std::to_string(image_->frames) + " frames " + Describe(format));
  return true;
}

bool SoundMixer::ImagePlaying() {
  Sync();
  std::lock_guard<std::mutex> hold(lock_);
  return image_ != nullptr;
}

std::vector<SoundMixer::Event> SoundMixer::Events() {
  Sync();
  std::lock_guard<std::mutex> hold(lock_);
  return events_;
}

void SoundMixer::Render(int16_t* out, int frames) {
  std::lock_guard<std::mutex> hold(lock_);
  mix_.assign(size_t(frames) * 2, 0);
  auto add = [&](Voice& v, int from) {
    for (int i = from; i < frames; ++i) {
      int l, r;
      if (!v.Pull(l, r)) return i;
      mix_[size_t(i) * 2] += l;
      mix_[size_t(i) * 2 + 1] += r;
    }
    return frames;
  };
  if (image_) {
    int done = add(*image_, 0);
    if (done < frames) {
      // Stopped by itself: the event belongs to the frame where it ran out.
      events_.push_back({rendered_.load() + uint64_t(done), "end"});
      image_.reset();
    }
  }
  for (Voice* v : devices_) add(*v, 0);  // a device that runs dry plays silence
  for (size_t i = 0; i < mix_.size(); ++i) out[i] = int16_t(std::clamp(mix_[i], -32768, 32767));
  rendered_ += uint64_t(frames);
}

RealTimePump::RealTimePump(SoundMixer& mixer, int frames, Sink sink) {
  thread_ = std::thread([this, &mixer, frames, sink = std::move(sink)]() {
    using namespace std::chrono;
    std::vector<int16_t> piece(size_t(frames) * 2);
    auto start = steady_clock::now();
    uint64_t played = 0;
    while (!stop_.load()) {
      mixer.Render(piece.data(), frames);
      if (sink) sink(piece.data(), frames);
      played += uint64_t(frames);
      std::this_thread::sleep_until(start + microseconds(played * 1000000 / SoundMixer::Rate));
    }
  });
}

RealTimePump::~RealTimePump() {
  stop_.store(true);
  if (thread_.joinable()) thread_.join();
}

}  // namespace platform
