#include "framework/system/cd.h"

#include <memory>

#include "framework/system/fatal.h"
#include "framework/system/reset.h"
#include "platform/cd.h"
#include "platform/thread.h"

std::atomic<uint32_t> AudioCommand{0};
std::atomic<int> AudioThreadRunning{0};

namespace {

struct CdPlayer {
  std::unique_ptr<platform::CdDevice> device;  // null: closed
  sCdState state{};
};
CdPlayer Player;

std::atomic<void (*)(unsigned)> SleepFor{nullptr};

const ResetHook resetCd([] {
  AudioCommand.store(0);
  AudioThreadRunning.store(0);
  Player.device.reset();
  Player.state = sCdState{};
  SleepFor.store(nullptr);
});

// Clears the running flag however the thread ends, a fatal error included,
// so the shell's wait at exit cannot hang.
struct RunningFlagGuard {
  ~RunningFlagGuard() { AudioThreadRunning.store(0); }
};

}  // namespace

bool sCdState::Open() const { return Player.device != nullptr; }

const sCdState& CdState() { return Player.state; }

sCdAudio::sCdAudio() {
  DeviceWord = 0;
  RegisterDevice(DeviceCD, this);
}

sCdAudio::~sCdAudio() { AudioCommand.store(CdClose); }

void OpenCd() {
  Player.device.reset();
  std::unique_ptr<platform::CdDevice> device = platform::GetCdAudio().Open("cdaudio");
  if (!device) return;
  sCdState& s = Player.state;
  if (!device->SetTimeFormat(platform::CdTimeFormat::Milliseconds)) return;
  int32_t tracks;
  if (!device->NumberOfTracks(tracks)) return;
  if (tracks > 99) tracks = 99;
  if (tracks < 0) Assertion(2853, "system");
  s.TrackCount = tracks;
  for (int t = 1; t <= tracks; ++t)
    if (!device->TrackPosition(t, s.TrackLength[t - 1])) return;
  uint32_t length;
  if (!device->Length(length)) return;
  s.TrackLength[tracks] = s.TrackLength[0] + length;
  for (int i = 0; i < tracks; ++i) s.TrackLength[i] = s.TrackLength[i + 1] - s.TrackLength[i];
  Player.device = std::move(device);
}

void StopCd() {
  if (Player.device) Player.device->Stop();
}

void CloseCd() {
  if (!Player.device) return;
  StopCd();
  Player.device.reset();
}

void PlayTrack(int track) {
  if (!Player.device) return;
  if (track < 1 || track > Player.state.TrackCount) Assertion(2912, "system");
  if (!Player.device->SetTimeFormat(platform::CdTimeFormat::Tmsf)) return;
  // The first minute of the track: TMSF n 0:00:00 to n 1:00:00.
  Player.device->Play(static_cast<uint32_t>(track), static_cast<uint32_t>(track) + 0x100);
}

bool ServeAudioCommand() {
  // Taken and cleared in one step: a post between a read and a separate clear
  // would be lost, and a lost CdQuit would leave the shell waiting for ever.
  uint32_t command = AudioCommand.exchange(0);
  switch (command >> 8 & 0xFF) {
    case CdOpen >> 8: OpenCd(); break;
    case CdClose >> 8: CloseCd(); break;
    case CdPlay >> 8: PlayTrack(static_cast<int>(command & 0xFF)); break;
    case CdStop >> 8: StopCd(); break;
    case CdQuit >> 8: return false;
    default: break;
  }
  return true;
}

void SetAudioThreadSleep(void (*sleep)(unsigned)) { SleepFor.store(sleep); }

int AudioThread() {
  RunningFlagGuard guard;
  LeaveDisplayOnFatal();  // the CD assertions fire here, under the running show
  while (ServeAudioCommand()) {
    auto sleep = SleepFor.load();
    if (sleep)
      sleep(100);
    else
      platform::Sleep(100);
  }
  return 123;
}
