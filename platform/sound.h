// Sound: a waveform output device that plays queued PCM blocks (the waveOut
// functions) and a player for whole RIFF WAVE images in memory (PlaySoundA
// with SND_MEMORY | SND_ASYNC).
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

struct WaveFormat {
  uint16_t formatTag = 1;  // 1: PCM, the only tag played
  uint16_t channels = 2;   // 1 or 2
  uint32_t samplesPerSec = 44100;
  uint32_t avgBytesPerSec = 176400;
  uint16_t blockAlign = 4;
  uint16_t bitsPerSample = 16;  // 8 (unsigned) or 16 (signed)
};

// Block flags, as the waveOut headers have them.
enum : uint32_t {
  WaveBlockDone = 1,      // the device has played the block (or dropped it at a reset)
  WaveBlockPrepared = 2,  // between Prepare and Unprepare
  WaveBlockQueued = 16,   // written and not yet done
};

// One block of PCM handed to a device; the caller owns it and its data, and
// keeps both unchanged while the block is queued. The device sets the flags
// from its own thread.
struct WaveBlock {
  const uint8_t* data = nullptr;
  uint32_t length = 0;  // bytes, whole sample frames
  std::atomic<uint32_t> flags{0};
};

// An open waveform output device (waveOutOpen ... waveOutClose). Closing
// (destroying) it stops playback as Reset does.
class WaveOutDevice {
public:
  virtual ~WaveOutDevice() = default;
  virtual void Prepare(WaveBlock& block) = 0;
  // Refused (false) while the block is queued.
  virtual bool Unprepare(WaveBlock& block) = 0;
  // Queues a prepared block behind the others; false if it is not prepared.
  virtual bool Write(WaveBlock& block) = 0;
  // Stops playback at once: every queued block becomes done.
  virtual void Reset() = 0;
  // The wait between polls of the done flags (Sleep). A device that plays in
  // virtual time plays the span instead of waiting, so waits always end.
  virtual void Sleep(unsigned milliseconds) = 0;
};

class Sound {
public:
  virtual ~Sound() = default;
  // The default output device for a format; null when it cannot be opened
  // or the format cannot be played. Devices are closed before the service.
  virtual std::unique_ptr<WaveOutDevice> OpenWaveOut(const WaveFormat& format) = 0;
  // Starts playing a RIFF WAVE image in the background and returns at once,
  // replacing whatever it was playing; a null image only stops. size is the
  // number of bytes readable at image: nothing beyond it is read. The image
  // is played from the caller's memory, which must stay unchanged meanwhile.
  // False when the image cannot be played (nothing plays then).
  virtual bool PlaySound(const void* image, size_t size) = 0;
};

// The sound service of the running backend (sdl: the sound card, or a silent
// real-time device when there is none; headless: a device that plays in real
// or virtual time). Without a started backend: headless in real time.
Sound& GetSound();
// Installs a sound service ahead of the backend's (tests); null removes it.
void SetSound(Sound* sound);
// Closes the backend's sound service; the next GetSound makes a new one.
void ReleaseSound();

}  // namespace platform
