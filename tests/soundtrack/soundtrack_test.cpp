// Decoding the soundtrack into the wave image, and starting and stopping it.
#include "vo/soundtrack.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/sound.h"
#include "tests/soundtrack/mp3maker.h"
#include "tests/support/paths.h"
#include "tests/support/wav.h"

namespace {

constexpr std::size_t DataBytes = 1277u * 4608u;

// Records what the soundtrack asks of the sound service.
class RecordingSound : public platform::Sound {
 public:
  struct Play {
    const void* image;
    std::size_t size;
  };
  class Device : public platform::WaveOutDevice {
   public:
    explicit Device(RecordingSound* owner) : owner_(owner) {}
    void Prepare(platform::WaveBlock&) override { ++owner_->blockCalls; }
    bool Unprepare(platform::WaveBlock&) override { return true; }
    bool Write(platform::WaveBlock&) override {
      ++owner_->blockCalls;
      return true;
    }
    void Reset() override {}
    void Sleep(unsigned) override {}

   private:
    RecordingSound* owner_;
  };

  std::unique_ptr<platform::WaveOutDevice> OpenWaveOut(const platform::WaveFormat& format) override {
    opened.push_back(format);
    if (refuseDevice) return nullptr;
    return std::make_unique<Device>(this);
  }
  bool PlaySound(const void* image, std::size_t size) override {
    plays.push_back({image, size});
    return image != nullptr && std::memcmp(image, "RIFF", 4) == 0;
  }

  bool refuseDevice = false;
  int blockCalls = 0;
  std::vector<platform::WaveFormat> opened;
  std::vector<Play> plays;
};

// A straight decode by a fresh decoder: what the image's data must hold.
std::vector<uint8_t> ReferenceDecode(const std::string& path, std::size_t limit) {
  sFileStream file;
  sMpegStream decoder;
  std::vector<uint8_t> out;
  if (file.Open(path.c_str(), FileReadSeek) != 0) return out;
  int rate = 0, stereo = 0;
  if (decoder.Open(&file, &rate, &stereo, 1, 0, 0) == 0) {
    std::vector<uint8_t> block(4608);
    while (out.size() < limit) {
      int got = decoder.Read(block.data(), 4608);
      if (got <= 0) break;
      out.insert(out.end(), block.begin(), block.begin() + got);
    }
    decoder.Close();
  }
  file.Close();
  if (out.size() > limit) out.resize(limit);
  return out;
}

std::size_t LastNonZeroData() {
  const uint8_t* data = SoundImage + SoundHeaderBytes;
  std::size_t last = 0;
  for (std::size_t i = 0; i < DataBytes; ++i)
    if (data[i]) last = i + 1;
  return last;
}

bool ImageAllZero() {
  return std::all_of(SoundImage, SoundImage + SoundImageCapacity, [](uint8_t b) { return b == 0; });
}

// Sign changes of one channel of 16-bit stereo PCM over its first `frames`.
int Crossings(const uint8_t* pcm, int channel, int frames) {
  int count = 0;
  int16_t previous = 0;
  for (int i = 0; i < frames; ++i) {
    int16_t s;
    std::memcpy(&s, pcm + 4 * i + 2 * channel, 2);
    if ((s >= 0) != (previous >= 0)) ++count;
    previous = s;
  }
  return count;
}

class Soundtrack : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = testpaths::TempDir("soundtrack");
    platform::SetSound(&sound_);
  }
  void TearDown() override {
    platform::SetSound(nullptr);
    std::filesystem::remove_all(dir_);
  }
  std::string Mp3(const std::string& name, const soundtest::ToneSpec& wanted) {
    std::string path = soundtest::MakeMp3(dir_, name, wanted);
    EXPECT_FALSE(path.empty()) << "lame could not make " << name;
    return path;
  }
  // Runs DecodeSoundtrack and returns what it wrote to standard output.
  std::string Decode(const std::string& path) {
    testing::internal::CaptureStdout();
    DecodeSoundtrack(path.c_str());
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
  }

  std::string dir_;
  RecordingSound sound_;
};

TEST_F(Soundtrack, ImageHoldsTheFixedHeaderAndTheDecodedFramesByteForByte) {
  soundtest::ToneSpec tones;
  tones.seconds = 2.0;
  std::string path = Mp3("tones", tones);
  EXPECT_EQ(Decode(path), "");

  std::vector<uint8_t> header = testwav::Header(44100, 2, 16, 5884416);
  ASSERT_EQ(header.size(), 44u);
  EXPECT_EQ(std::memcmp(SoundImage, header.data(), 44), 0);
  EXPECT_EQ(std::memcmp(SoundHeader, header.data(), 44), 0);

  std::vector<uint8_t> reference = ReferenceDecode(path, DataBytes);
  ASSERT_GT(reference.size(), 2u * 44100u * 4u);
  EXPECT_EQ(std::memcmp(SoundImage + 44, reference.data(), reference.size()), 0);
  EXPECT_LE(LastNonZeroData(), reference.size());

  // Left then right: 440 Hz left crosses zero about 880 times a second, 1 kHz right 2000.
  const uint8_t* second = SoundImage + 44 + 44100 * 4 / 2;
  EXPECT_NEAR(Crossings(second, 0, 44100), 880, 20);
  EXPECT_NEAR(Crossings(second, 1, 44100), 2000, 20);

  // The wave output was opened with the decoder's format and never written.
  ASSERT_EQ(sound_.opened.size(), 1u);
  EXPECT_EQ(sound_.opened[0].samplesPerSec, 44100u);
  EXPECT_EQ(sound_.opened[0].channels, 2);
  EXPECT_EQ(sound_.opened[0].bitsPerSample, 16);
  EXPECT_EQ(sound_.blockCalls, 0);
  EXPECT_TRUE(sound_.plays.empty());
  EXPECT_FALSE(SoundStarted);
  // Everything is closed again.
  EXPECT_EQ(SoundFile.GetFlags(), 0);
  EXPECT_EQ(SoundDecoder.GetFlags(), 0);
  EXPECT_EQ(SoundOutput.GetFlags(), 0);
}

TEST_F(Soundtrack, ShortTrackLeavesTheRestOfTheImageSilent) {
  soundtest::ToneSpec tones;
  tones.seconds = 1.0;
  std::string path = Mp3("short", tones);
  EXPECT_EQ(Decode(path), "");
  std::vector<uint8_t> reference = ReferenceDecode(path, DataBytes);
  ASSERT_GT(reference.size(), 44100u * 4u);
  ASSERT_LT(reference.size(), 2u * 44100u * 4u);
  EXPECT_EQ(std::memcmp(SoundImage + 44, reference.data(), reference.size()), 0);
  std::size_t last = LastNonZeroData();
  EXPECT_GT(last, 44100u * 4u * 9 / 10);
  EXPECT_LE(last, reference.size());
  EXPECT_EQ(std::memcmp(SoundImage, testwav::Header(44100, 2, 16, 5884416).data(), 44), 0);
}

TEST_F(Soundtrack, LongTrackIsCutAtTheEndOfTheImage) {
  soundtest::ToneSpec tones;
  tones.seconds = 36.0;
  std::string path = Mp3("long", tones);
  EXPECT_EQ(Decode(path), "");
  std::vector<uint8_t> reference = ReferenceDecode(path, DataBytes + 4608);
  ASSERT_GT(reference.size(), DataBytes);
  EXPECT_EQ(std::memcmp(SoundImage + 44, reference.data(), DataBytes), 0);
  EXPECT_EQ(LastNonZeroData() > DataBytes - 64, true) << "the tone runs to the image's end";
}

// A track of another rate or channel count is labelled as it is, so the
// player plays it at its pitch, and lasts as long as the original's image.
TEST_F(Soundtrack, TrackIsLabelledWithItsRateAndChannels) {
  struct sCase {
    int rate, channels, frames;  // decoded frames of 1152 sample frames in the image
  } cases[] = {{48000, 2, 1390}, {32000, 2, 927}, {22050, 2, 639}, {44100, 1, 1277}, {48000, 1, 1390}};
  for (const sCase& c : cases) {
    soundtest::ToneSpec tones;
    tones.seconds = 1.0;
    tones.rate = c.rate;
    tones.channels = c.channels;
    std::string path = Mp3("track" + std::to_string(c.rate) + "-" + std::to_string(c.channels), tones);
    EXPECT_EQ(Decode(path), "");
    const uint32_t bytes = uint32_t(c.frames) * 1152u * uint32_t(c.channels) * 2u;
    EXPECT_EQ(std::memcmp(SoundImage, testwav::Header(uint32_t(c.rate), c.channels, 16, bytes).data(), 44), 0) << c.rate;
    EXPECT_NEAR(double(c.frames) * 1152 / c.rate, 33.36, 1152.0 / c.rate) << c.rate;
    ASSERT_EQ(sound_.opened.size(), 1u);
    EXPECT_EQ(sound_.opened[0].samplesPerSec, uint32_t(c.rate));
    EXPECT_EQ(sound_.opened[0].channels, c.channels);
    std::vector<uint8_t> reference = ReferenceDecode(path, bytes);
    ASSERT_GT(reference.size(), size_t(c.rate) * 2u);
    EXPECT_EQ(std::memcmp(SoundImage + 44, reference.data(), reference.size()), 0) << c.rate;
    StartSound();
    ASSERT_EQ(sound_.plays.size(), 1u);
    EXPECT_EQ(sound_.plays[0].size, 44u + bytes);
    StopSound();
    sound_.opened.clear();
    sound_.plays.clear();
  }
}

TEST_F(Soundtrack, MissingFileSaysSoAndLeavesTheImageSilent) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(Decode(dir_ + "/no-such.mp3"), "Could not open input file\n");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "tessaline: soundtrack " + dir_ + "/no-such.mp3: No such file or directory\n");
  testing::internal::CaptureStderr();
  EXPECT_EQ(Decode(dir_), "Could not open input file\n");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "tessaline: soundtrack " + dir_ + ": is a folder\n");
  EXPECT_TRUE(ImageAllZero());
  EXPECT_TRUE(sound_.opened.empty());
  // The show goes on: the player gets the header-less image and refuses it.
  StartSound();
  ASSERT_EQ(sound_.plays.size(), 1u);
  EXPECT_EQ(sound_.plays[0].image, static_cast<const void*>(SoundImage));
  EXPECT_TRUE(SoundStarted);
}

TEST_F(Soundtrack, FileThatIsNotMpegAudioSaysSo) {
  std::string path = dir_ + "/text.mp3";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  for (int i = 0; i < 2000; ++i) std::fputs("not a sound. ", f);
  std::fclose(f);
  testing::internal::CaptureStderr();
  EXPECT_EQ(Decode(path), "Could not open audio mpeg\n");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "tessaline: soundtrack " + path + ": no MPEG audio frame found\n");
  EXPECT_TRUE(ImageAllZero());
  EXPECT_TRUE(sound_.opened.empty());
}

TEST_F(Soundtrack, NoOutputDeviceSaysSo) {
  sound_.refuseDevice = true;
  soundtest::ToneSpec tones;
  tones.seconds = 0.5;
  EXPECT_EQ(Decode(Mp3("tone", tones)), "Could not create output stream\n");
  EXPECT_EQ(sound_.opened.size(), 1u);
  EXPECT_TRUE(ImageAllZero());
}

TEST_F(Soundtrack, StartSoundPlaysOncePerStartAndStopSoundStops) {
  soundtest::ToneSpec tones;
  tones.seconds = 0.5;
  Decode(Mp3("tone", tones));
  StartSound();
  StartSound();
  ASSERT_EQ(sound_.plays.size(), 1u);
  EXPECT_EQ(sound_.plays[0].image, static_cast<const void*>(SoundImage));
  EXPECT_EQ(sound_.plays[0].size, 5884460u);
  EXPECT_TRUE(SoundStarted);

  StopSound();
  ASSERT_EQ(sound_.plays.size(), 2u);
  EXPECT_EQ(sound_.plays[1].image, nullptr);
  EXPECT_FALSE(SoundStarted);

  StartSound();
  ASSERT_EQ(sound_.plays.size(), 3u);
  EXPECT_EQ(sound_.plays[2].image, static_cast<const void*>(SoundImage));
}

TEST_F(Soundtrack, DecodingClearsSoundStarted) {
  SoundStarted = true;
  soundtest::ToneSpec tones;
  tones.seconds = 0.5;
  Decode(Mp3("tone", tones));
  EXPECT_FALSE(SoundStarted);
  StartSound();
  EXPECT_EQ(sound_.plays.size(), 1u);
}

}  // namespace
