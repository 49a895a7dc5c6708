// The part of the sound service every backend shares: the image player and
// the open waveform devices, mixed into one 44.1 kHz 16-bit stereo output
// that the backend's device pulls at its own pace.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/sound.h"

namespace platform {

// Where a RIFF WAVE image keeps its format and samples; false when it is not
// one that can be played (PCM, 1 or 2 channels, 8 or 16 bits).
bool ParseWaveImage(const void* image, size_t size, WaveFormat& format, const uint8_t*& data, size_t& bytes);
bool PlayableFormat(const WaveFormat& format);

class SoundMixer : public Sound {
public:
  static constexpr int Rate = 44100;

  SoundMixer();
  ~SoundMixer() override;

  std::unique_ptr<WaveOutDevice> OpenWaveOut(const WaveFormat& format) override;
  bool PlaySound(const void* image, size_t size) override;

  // The device side: the next frames of everything playing, interleaved
  // left/right. Blocks that have been played get their done flag here.
  void Render(int16_t* out, int frames);
  uint64_t FramesRendered() const { return rendered_.load(); }
  bool ImagePlaying();

  // What started and stopped, at which output frame (for tests).
  struct Event {
    uint64_t frame;
    std::string what;
  };
  std::vector<Event> Events();

protected:
  // Runs before every change and query, so virtual time can catch up first.
  virtual void Sync() {}
  // The devices' wait between polls.
  virtual void Wait(unsigned milliseconds);
  void Log(const std::string& what);  // with the lock held

private:
  struct Voice;
  class Device;
  friend class Device;

  std::mutex lock_;
  std::unique_ptr<Voice> image_;
  std::list<Voice*> devices_;
  std::vector<Event> events_;
  std::vector<int32_t> mix_;
  std::atomic<uint64_t> rendered_{0};
};

// Pulls a mixer's output in real time on its own thread, in pieces of
// `frames`, handing each to `sink` (null: the output is discarded).
class RealTimePump {
public:
  using Sink = std::function<void(const int16_t* samples, int frames)>;
  RealTimePump(SoundMixer& mixer, int frames, Sink sink);
  ~RealTimePump();

private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace platform
