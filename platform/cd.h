// The CD player ("cdaudio"): open, time format, track table, play a range, stop, close.
#pragma once
#include <cstdint>
#include <memory>

namespace platform {

enum class CdTimeFormat { Milliseconds, Tmsf };

// An opened player; destroying it closes it.
class CdDevice {
public:
  virtual ~CdDevice() = default;
  virtual bool SetTimeFormat(CdTimeFormat format) = 0;
  virtual bool NumberOfTracks(int32_t& tracks) = 0;
  // Start of a track (1-based), in the current time format.
  virtual bool TrackPosition(int track, uint32_t& position) = 0;
  // Length of the whole disc, in the current time format.
  virtual bool Length(uint32_t& length) = 0;
  // Starts playing and returns at once. TMSF positions: track in the low byte,
  // then minutes, seconds, frames.
  virtual bool Play(uint32_t from, uint32_t to) = 0;
  virtual bool Stop() = 0;
};

class CdAudio {
public:
  virtual ~CdAudio() = default;
  // Null when there is no such device.
  virtual std::unique_ptr<CdDevice> Open(const char* deviceType) = 0;
};

// No drive: every open fails, and says so on the debug output.
class NoCdDrive final : public CdAudio {
public:
  std::unique_ptr<CdDevice> Open(const char* deviceType) override;
};

// The player of the running backend; no drive unless one is set.
CdAudio& GetCdAudio();
void SetCdAudio(CdAudio* cd);

}  // namespace platform
