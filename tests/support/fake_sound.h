// A sound service for tests: it records the formats opened and the images
// played; its wave devices play only when told to, or `playPerSleep` blocks
// at each of their waits, and record what they did.
#pragma once
#include <cstring>
#include <deque>
#include <memory>
#include <utility>
#include <vector>
#include "platform/sound.h"
// What the last device opened did; it outlives the device.
struct FakeDeviceRecord {
  std::vector<std::vector<uint8_t>> played;
  std::vector<unsigned> sleeps;
  int prepares = 0, writes = 0, resets = 0, queuedAtReset = -1;
  bool closed = false;
};
class FakeSound : public platform::Sound {
 public:
  class Device : public platform::WaveOutDevice {
   public:
    explicit Device(FakeSound& sound) : sound_(sound), rec_(sound.rec) {}
    ~Device() override { rec_.closed = true, ++sound_.closes; }
    void Prepare(platform::WaveBlock& b) override { ++rec_.prepares, b.flags |= platform::WaveBlockPrepared; }
    bool Unprepare(platform::WaveBlock& b) override {
      if (b.flags & platform::WaveBlockQueued) return false;
      b.flags &= ~uint32_t(platform::WaveBlockPrepared);
      return true;
    }
    bool Write(platform::WaveBlock& b) override {
      if (!(b.flags & platform::WaveBlockPrepared)) return false;
      ++rec_.writes;
      b.flags = (b.flags & ~uint32_t(platform::WaveBlockDone)) | platform::WaveBlockQueued;
      queue_.push_back(&b);
      return true;
    }
    void Reset() override {
      ++rec_.resets, rec_.queuedAtReset = int(queue_.size());
      while (!queue_.empty()) Done();
    }
    void Sleep(unsigned ms) override {
      rec_.sleeps.push_back(ms);
      for (int i = 0; i < sound_.playPerSleep; ++i) Play();
    }
    void Play() {
      if (queue_.empty()) return;
      rec_.played.emplace_back(queue_.front()->data, queue_.front()->data + queue_.front()->length);
      Done();
    }
   private:
    void Done() {
      platform::WaveBlock* b = queue_.front();
      queue_.pop_front();
      b->flags = (b->flags & ~uint32_t(platform::WaveBlockQueued)) | platform::WaveBlockDone;
    }
    FakeSound& sound_;
    FakeDeviceRecord& rec_;
    std::deque<platform::WaveBlock*> queue_;
  };
  std::unique_ptr<platform::WaveOutDevice> OpenWaveOut(const platform::WaveFormat& f) override {
    opened.push_back(f);
    if (refuse) return nullptr;
    rec = FakeDeviceRecord();
    auto d = std::make_unique<Device>(*this);
    device = d.get();
    return d;
  }
  bool PlaySound(const void* image, size_t size) override {
    plays.push_back({image, size});
    return image && std::memcmp(image, "RIFF", 4) == 0;
  }
  std::vector<platform::WaveFormat> opened;  // refused ones too
  std::vector<std::pair<const void*, size_t>> plays;
  FakeDeviceRecord rec;
  Device* device = nullptr;
  bool refuse = false;
  int playPerSleep = 0, closes = 0;
};
