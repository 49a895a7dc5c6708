#include "platform/headless/sound.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace platform {

namespace {
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
void Put16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}

void WavHeader(uint8_t* h, uint64_t frames) {
  uint32_t bytes = uint32_t(std::min<uint64_t>(frames * 4, 0xFFFFFFFFu - 36));
  std::memcpy(h, "RIFF", 4);
  Put32(h + 4, 36 + bytes);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  Put32(h + 16, 16);
  Put16(h + 20, 1);
  Put16(h + 22, 2);
  Put32(h + 24, SoundMixer::Rate);
  Put32(h + 28, SoundMixer::Rate * 4);
  Put16(h + 32, 4);
  Put16(h + 34, 16);
  std::memcpy(h + 36, "data", 4);
  Put32(h + 40, bytes);
}
}  // namespace

HeadlessSound::HeadlessSound(Pace pace, const VirtualClock* follow) : pace_(pace), follow_(follow) {
  if (follow_) followStart_ = follow_->Now();
  if (pace_ == Pace::Real)
    pump_ = std::make_unique<RealTimePump>(*this, 1024, [this](const int16_t* s, int n) { Sink(s, n); });
}

HeadlessSound::~HeadlessSound() {
  pump_.reset();
  Sync();
  CloseWav();
}

bool HeadlessSound::WriteWav(const std::string& path) {
  Sync();
  std::lock_guard<std::mutex> hold(wavLock_);
  if (wav_) return false;
  wav_ = std::fopen(path.c_str(), "wb");
  if (!wav_) return false;
  uint8_t header[44];
  WavHeader(header, 0);
  std::fwrite(header, 1, sizeof header, wav_);
  wavFrames_ = 0;
  return true;
}

void HeadlessSound::CloseWav() {
  Sync();
  std::lock_guard<std::mutex> hold(wavLock_);
  if (!wav_) return;
  uint8_t header[44];
  WavHeader(header, wavFrames_);
  std::fseek(wav_, 0, SEEK_SET);
  std::fwrite(header, 1, sizeof header, wav_);
  std::fclose(wav_);
  wav_ = nullptr;
}

void HeadlessSound::SetListener(std::function<void(const int16_t*, int)> listener) {
  std::lock_guard<std::mutex> hold(wavLock_);
  listener_ = std::move(listener);
}

void HeadlessSound::Sink(const int16_t* samples, int frames) {
  std::lock_guard<std::mutex> hold(wavLock_);
  if (listener_) listener_(samples, frames);
  if (!wav_) return;
  // The file holds little-endian samples whatever the host.
  std::vector<uint8_t> bytes(size_t(frames) * 4);
  for (size_t i = 0; i < size_t(frames) * 2; ++i) Put16(&bytes[i * 2], uint16_t(samples[i]));
  std::fwrite(bytes.data(), 1, bytes.size(), wav_);
  wavFrames_ += uint64_t(frames);
}

void HeadlessSound::Sync() {
  if (pace_ != Pace::Virtual) return;
  std::lock_guard<std::mutex> hold(syncLock_);
  // A clock set back leaves the sound waiting until it passes the point again.
  uint64_t shown = follow_ ? follow_->Now() : 0;
  uint64_t micros = ownMicros_ + (shown > followStart_ ? shown - followStart_ : 0);
  uint64_t target = micros * Rate / 1000000;
  int16_t piece[1024 * 2];
  while (FramesRendered() < target) {
    int n = int(std::min<uint64_t>(1024, target - FramesRendered()));
    Render(piece, n);
    Sink(piece, n);
  }
}

void HeadlessSound::Advance(uint64_t microseconds) {
  {
    std::lock_guard<std::mutex> hold(syncLock_);
    ownMicros_ += microseconds;
  }
  Sync();
}

void HeadlessSound::Wait(unsigned milliseconds) {
  if (pace_ == Pace::Real) return SoundMixer::Wait(milliseconds);
  Advance(uint64_t(milliseconds) * 1000);
}

std::unique_ptr<HeadlessSound> MakeHeadlessSound(HeadlessSound::Pace pace, const VirtualClock* follow) {
  auto sound = std::make_unique<HeadlessSound>(pace, follow);
  if (const char* path = std::getenv("TESSALINE_SOUND_WAV"); path && *path) sound->WriteWav(path);
  return sound;
}

}  // namespace platform
