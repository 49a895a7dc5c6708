// CD audio: a one-word command mailbox served by the audio thread.
#pragma once
#include <atomic>
#include <cstdint>

#include "framework/system/devices.h"

// High byte: the command; low byte: its argument (the track for CdPlay).
enum : uint32_t {
  CdOpen = 0x100,
  CdClose = 0x200,
  CdPlay = 0x300,
  CdStop = 0x400,
  CdQuit = 0x500,
};

// The mailbox; 0 = no command. A post overwrites a command not yet taken.
extern std::atomic<uint32_t> AudioCommand;
// Set by the shell when it starts the audio thread, cleared by the thread as it ends.
extern std::atomic<int> AudioThreadRunning;

struct sCdState {
  bool Open() const;
  int TrackCount;
  uint32_t TrackLength[100];  // ms; after the last track, the disc's end position
};
// The player's state; touched only by the audio thread.
const sCdState& CdState();

// The CD player in the device registry: nothing in the show opens it.
class sCdAudio : public sDevice {
public:
  sCdAudio();
  ~sCdAudio() override;  // posts CdClose
};

// Thread procedure: serves the mailbox until CdQuit; result 123.
int AudioThread();
// One pass of its loop without the wait: false after CdQuit.
bool ServeAudioCommand();
// The wait between passes (100 ms); tests replace it, null restores it.
void SetAudioThreadSleep(void (*sleep)(unsigned milliseconds));

// Audio thread only.
void OpenCd();
void CloseCd();
void PlayTrack(int track);
void StopCd();
