// The SDL sound service, through SDL's own file-writing audio driver and
// with no usable driver at all.
#include <gtest/gtest.h>
#include <chrono>
#include <cstdlib>
#include <thread>
#include "platform/sdl/sound.h"
#include "platform/soundmixer.h"
#include "tests/audio/tone.h"
#include "tests/support/paths.h"
namespace {
using namespace platform;
void WaitUntilQuiet(SoundMixer& mixer) {
  for (int i = 0; i < 500 && mixer.ImagePlaying(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}
TEST(SdlSound, WithoutADeviceRunsSilentAndSaysSoOnce) {
  testing::internal::CaptureStderr();
  std::vector<uint8_t> img = ToneImage(44100, 2, 16, 500, 1000, 0.05);
  // ALSA without its card would write lines of its own; then no driver at all.
  setenv("ALSA_CARD", "tessaline-no-such-card", 1);
  for (const char* driver : {"alsa", "no-such-driver"}) {
    SCOPED_TRACE(driver);
    setenv("SDL_AUDIODRIVER", driver, 1);
    std::unique_ptr<Sound> sound = MakeSdlSound();
    EXPECT_TRUE(SdlSoundIsSilent());
    auto* mixer = dynamic_cast<SoundMixer*>(sound.get());
    ASSERT_NE(nullptr, mixer);
    EXPECT_TRUE(sound->PlaySound(img.data(), img.size()));
    WaitUntilQuiet(*mixer);
    EXPECT_FALSE(mixer->ImagePlaying()) << "the silent device still plays in real time";
    EXPECT_NE(nullptr, sound->OpenWaveOut(WaveFormat())) << "and still opens";
  }
  EXPECT_EQ("no sound device, running silent\n", testing::internal::GetCapturedStderr());
  unsetenv("SDL_AUDIODRIVER");
  unsetenv("ALSA_CARD");
}
TEST(SdlSound, ToneReachesTheDevice) {
  std::string path = testpaths::TempDir("sdlsound") + "/out.raw";
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
  std::vector<uint8_t> img = ToneImage(44100, 2, 16, 1000, 12000, 0.5);
  {
    std::unique_ptr<Sound> sound = MakeSdlSound();
    ASSERT_FALSE(SdlSoundIsSilent());
    auto* mixer = dynamic_cast<SoundMixer*>(sound.get());
    EXPECT_TRUE(sound->PlaySound(img.data(), img.size()));
    WaitUntilQuiet(*mixer);
    EXPECT_FALSE(mixer->ImagePlaying());
  }
  unsetenv("SDL_AUDIODRIVER");
  std::string raw = testpaths::ReadText(path);
  std::vector<int16_t> pcm(raw.size() / 2);
  std::memcpy(pcm.data(), raw.data(), pcm.size() * 2);
  size_t first = 0;
  while (first * 2 < pcm.size() && pcm[first * 2] == 0 && pcm[first * 2 + 1] == 0) ++first;
  ASSERT_GE(first, 1u);
  --first;  // the tone's first frame is zero
  ASSERT_GE(pcm.size() / 2, first + 22050) << "the whole tone went to the device";
  EXPECT_EQ(0, std::memcmp(img.data() + 44, pcm.data() + first * 2, 22050 * 4)) << "bit exact at the device's rate";
  ExpectTone(Measure(Channel(pcm, 0, first, first + 22050), 44100), 1000, 12000, 0.005, 0.995);
}
}  // namespace
