// Sound without a sound card: plays in real time on its own thread, or in
// virtual time that moves only when the device waits, when told to
// (Advance) and, if given, as the show's virtual clock moves. What it plays
// can be written to a WAV file (44.1 kHz, 16-bit stereo).
#pragma once
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/clock.h"
#include "platform/soundmixer.h"

namespace platform {

class HeadlessSound final : public SoundMixer {
public:
  enum class Pace { Real, Virtual };
  HeadlessSound(Pace pace, const VirtualClock* follow);
  ~HeadlessSound() override;

  // Everything played from now on goes to the file too; it is completed by
  // CloseWav, or when the service closes.
  bool WriteWav(const std::string& path);
  void CloseWav();

  // Everything played from now on also goes to `listener` (empty: no more).
  // It is called on whichever thread the sound catches up.
  void SetListener(std::function<void(const int16_t*, int)> listener);

  // Virtual pace: plays the next span.
  void Advance(uint64_t microseconds);
  // Virtual pace: plays up to the clock it follows.
  void CatchUp() { Sync(); }

protected:
  void Sync() override;
  void Wait(unsigned milliseconds) override;

private:
  void Sink(const int16_t* samples, int frames);

  Pace pace_;
  const VirtualClock* follow_;
  uint64_t followStart_ = 0;
  uint64_t ownMicros_ = 0;
  std::mutex syncLock_;
  std::mutex wavLock_;
  std::FILE* wav_ = nullptr;
  uint64_t wavFrames_ = 0;
  std::function<void(const int16_t*, int)> listener_;
  std::unique_ptr<RealTimePump> pump_;
};

// TESSALINE_SOUND_WAV names a WAV file for what the service plays.
std::unique_ptr<HeadlessSound> MakeHeadlessSound(HeadlessSound::Pace pace, const VirtualClock* follow);

}  // namespace platform
