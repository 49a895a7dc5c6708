// Decoding the soundtrack into the wave image, and starting and stopping it.
#include "vo/soundtrack.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <memory>
#include "framework/system/reset.h"
#include "platform/sound.h"
#include "tests/audio/tone.h"
#include "tests/mpeg/helpers.h"
#include "tests/support/expect_calls.h"
#include "tests/support/fake_sound.h"
#include "tests/support/paths.h"
#include "tests/support/wav.h"
namespace {
class Soundtrack : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetSound(&sound_); }
  void TearDown() override { platform::SetSound(nullptr); }
  void Reset() { sound_.opened.clear(), sound_.plays.clear(), ResetProcessState(); }
  // A 128 kbit/s file made by lame: 440 Hz on the left, 1 kHz on the right.
  std::string Mp3(double seconds, int rate, int channels) {
    std::string base = dir_ + "/" + std::to_string(int(seconds * 10)) + "-" + std::to_string(rate) + "-" +
                       std::to_string(channels);
    EXPECT_TRUE(mpegtest::Shell("sox -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) + " -b 16 " +
                              base + ".wav synth " + std::to_string(seconds) +
                              (channels == 2 ? " sine 440 sine 1000" : " sine 440") + " vol 0.37") &&
                mpegtest::Shell("lame --quiet --noreplaygain --cbr -b 128 -m " + std::string(channels == 2 ? "s " : "m ") +
                              base + ".wav " + base + ".mp3"))
        << base;
    return base + ".mp3";
  }
  // Runs DecodeSoundtrack; what it wrote to standard output and to standard error.
  std::pair<std::string, std::string> Decode(const std::string& path) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    DecodeSoundtrack(path.c_str());
    std::fflush(stdout);
    std::string out = testing::internal::GetCapturedStdout();
    return {out, testing::internal::GetCapturedStderr()};
  }
  std::string dir_ = testpaths::TempDir("soundtrack");
  FakeSound sound_;
};
// The image holds a header of the track's own format for the show's 33.4 s, then
// the decoded frames byte for byte: a short track leaves silence, a long one is cut.
TEST_F(Soundtrack, ImageHoldsTheHeaderAndTheDecodedFramesByteForByte) {
  EXPECT_EQ(std::memcmp(SoundHeader, testwav::Header(44100, 2, 16, 5884416).data(), 44), 0);
  struct sCase {
    double seconds;
    int rate, channels, frames;  // decoded frames of 1152 sample frames in the image
  } cases[] = {{2, 44100, 2, 1277}, {36, 44100, 2, 1277}, {1, 48000, 2, 1390}, {1, 32000, 2, 927},
               {1, 22050, 2, 639},  {1, 44100, 1, 1277},  {1, 48000, 1, 1390}};
  for (const sCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.seconds) + " s at " + std::to_string(c.rate) + " Hz, " +
                 std::to_string(c.channels) + " ch");
    std::string path = Mp3(c.seconds, c.rate, c.channels);
    SoundStarted = true;
    EXPECT_EQ(Decode(path), std::make_pair(std::string(), std::string()));
    EXPECT_FALSE(SoundStarted);
    const size_t bytes = size_t(c.frames) * 1152 * size_t(c.channels) * 2;
    EXPECT_EQ(std::memcmp(SoundImage, testwav::Header(uint32_t(c.rate), c.channels, 16, uint32_t(bytes)).data(), 44), 0);
    mpegtest::sDecodeOptions o;
    o.chunk = 4608;
    std::vector<uint8_t> reference = mpegtest::DecodeFile(path, o).pcm;
    ASSERT_GT(reference.size(), size_t(c.rate * c.channels * 2) * size_t(c.seconds) * 9 / 10);
    const uint8_t* data = SoundImage + SoundHeaderBytes;
    EXPECT_EQ(std::memcmp(data, reference.data(), std::min(bytes, reference.size())), 0);
    size_t last = 0;
    for (size_t i = 0; i < bytes; ++i) last = data[i] ? i + 1 : last;
    if (reference.size() > bytes)
      EXPECT_GT(last, bytes - 64) << "the tone runs to the image's end";
    else
      EXPECT_LE(last, reference.size());
    // Left then right, from 0.1 s for half a second.
    auto hz = [&](int channel) {
      std::vector<double> x(size_t(c.rate / 2));
      for (size_t i = 0; i < x.size(); ++i)
        x[i] = double(int16_t(data[2 * (c.channels * (c.rate / 10 + i) + channel)] |
                             data[2 * (c.channels * (c.rate / 10 + i) + channel) + 1] << 8));
      return Measure(x, c.rate).hz;
    };
    EXPECT_NEAR(hz(0), 440, 5);
    EXPECT_NEAR(hz(c.channels - 1), c.channels == 2 ? 1000 : 440, 5);
    // The wave output was opened with the decoder's format and never written;
    // everything is closed again.
    ASSERT_EQ(sound_.opened.size(), 1u);
    EXPECT_CALLS({c.rate, c.channels, 16, 0, 0, 0},
                 {sound_.opened[0].samplesPerSec, sound_.opened[0].channels, sound_.opened[0].bitsPerSample,
                  sound_.rec.prepares + sound_.rec.writes, sound_.plays.size(),
                  SoundFile.GetFlags() | SoundDecoder.GetFlags() | SoundOutput.GetFlags()});
    // Started once however often it is asked, stopped, started again.
    StartSound(), StartSound(), StopSound(), StartSound();
    ASSERT_EQ(sound_.plays.size(), 3u);
    EXPECT_EQ(sound_.plays[0], std::make_pair(static_cast<const void*>(SoundImage), 44 + bytes));
    EXPECT_EQ(sound_.plays[1].first, nullptr);
    EXPECT_EQ(sound_.plays[2].first, static_cast<const void*>(SoundImage));
    EXPECT_CALLS({1, 0}, {SoundStarted, (StopSound(), SoundStarted)});
    Reset();
  }
}
// A track that cannot be decoded says why and leaves the image silent; the
// show goes on: the player gets the header-less image and refuses it.
TEST_F(Soundtrack, TrackThatCannotBeDecodedSaysWhy) {
  std::string text = dir_ + "/text.mp3", tone = Mp3(0.5, 44100, 2);
  std::string words;
  while (words.size() < 26000) words += "not a sound. ";
  ASSERT_TRUE(testpaths::WriteFile(text, words));
  const std::string said = "tessaline: soundtrack ";
  struct sCase {
    std::string path, out, err;
    bool refuseDevice;
  } cases[] = {
      {dir_ + "/no-such.mp3", "Could not open input file\n", said + dir_ + "/no-such.mp3: No such file or directory\n", false},
      {dir_, "Could not open input file\n", said + dir_ + ": is a folder\n", false},
      {text, "Could not open audio mpeg\n", said + text + ": no MPEG audio frame found\n", false},
      {tone, "Could not create output stream\n", "", true},
  };
  for (const sCase& c : cases) {
    SCOPED_TRACE(c.path);
    sound_.refuse = c.refuseDevice;
    EXPECT_EQ(Decode(c.path), std::make_pair(c.out, c.err));
    EXPECT_TRUE(std::all_of(SoundImage, SoundImage + SoundImageCapacity, [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(sound_.opened.size(), c.refuseDevice ? 1u : 0u);
    StartSound();
    ASSERT_EQ(sound_.plays.size(), 1u);
    EXPECT_EQ(sound_.plays[0].first, static_cast<const void*>(SoundImage));
    EXPECT_TRUE(SoundStarted);
    Reset();
  }
}
}  // namespace
