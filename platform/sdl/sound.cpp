#include "platform/sdl/sound.h"

#include <SDL.h>

#include <atomic>
#include <cstdio>

#include "platform/soundmixer.h"

namespace platform {

namespace {

std::atomic<bool> saidSilent{false};
std::atomic<bool> lastSilent{false};

class SdlSound final : public SoundMixer {
public:
  SdlSound() {
    QuietAlsaMessages();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
      initialised_ = true;
      SDL_AudioSpec want{}, have{};
      want.freq = Rate;
      want.format = AUDIO_S16SYS;
      want.channels = 2;
      want.samples = 512;  // 11.6 ms a buffer: the sound starts within one frame of the picture
      want.callback = &SdlSound::Pull;
      want.userdata = this;
      // No changes allowed: SDL converts to whatever the card takes.
      device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
      if (device_ != 0) SDL_PauseAudioDevice(device_, 0);
    }
    lastSilent = device_ == 0;
    if (device_ == 0) {
      if (!saidSilent.exchange(true)) std::fputs("no sound device, running silent\n", stderr);
      silent_ = std::make_unique<RealTimePump>(*this, 1024, nullptr);
    }
  }

  ~SdlSound() override {
    silent_.reset();
    // After SDL_Quit the device is gone already.
    if (device_ != 0 && SDL_WasInit(SDL_INIT_AUDIO)) SDL_CloseAudioDevice(device_);
    if (initialised_ && SDL_WasInit(SDL_INIT_AUDIO)) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }

private:
  static void SDLCALL Pull(void* self, Uint8* stream, int length) {
    static_cast<SdlSound*>(self)->Render(reinterpret_cast<int16_t*>(stream), length / 4);
  }

  bool initialised_ = false;
  SDL_AudioDeviceID device_ = 0;
  std::unique_ptr<RealTimePump> silent_;
};

}  // namespace

std::unique_ptr<Sound> MakeSdlSound() { return std::make_unique<SdlSound>(); }
bool SdlSoundIsSilent() { return lastSilent.load(); }

}  // namespace platform
