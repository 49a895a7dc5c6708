// The virtual disc over a folder of real WAV files, played into a recording
// sound service.
#include "platform/cd_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "framework/system/cd.h"
#include "platform/debug.h"
#include "platform/sound.h"
#include "tests/support/paths.h"
#include "tests/support/wav.h"

namespace {

// Plays every block at once and keeps what it was given.
class RecordingSound final : public platform::Sound {
public:
  struct Device final : platform::WaveOutDevice {
    explicit Device(RecordingSound& s) : owner(s) {}
    void Prepare(platform::WaveBlock& b) override { b.flags.fetch_or(platform::WaveBlockPrepared); }
    bool Unprepare(platform::WaveBlock& b) override {
      b.flags.fetch_and(~platform::WaveBlockPrepared);
      return true;
    }
    bool Write(platform::WaveBlock& b) override {
      std::lock_guard<std::mutex> hold(owner.lock);
      owner.bytes.insert(owner.bytes.end(), b.data, b.data + b.length);
      b.flags.fetch_or(platform::WaveBlockDone);
      return true;
    }
    void Reset() override {}
    void Sleep(unsigned) override { std::this_thread::yield(); }
    RecordingSound& owner;
  };
  std::unique_ptr<platform::WaveOutDevice> OpenWaveOut(const platform::WaveFormat& f) override {
    std::lock_guard<std::mutex> hold(lock);
    rates.push_back(f.samplesPerSec);
    return std::make_unique<Device>(*this);
  }
  bool PlaySound(const void*, size_t) override { return false; }
  std::vector<uint8_t> Bytes() {
    std::lock_guard<std::mutex> hold(lock);
    return bytes;
  }
  std::mutex lock;
  std::vector<uint8_t> bytes;
  std::vector<uint32_t> rates;
};

// 8-bit mono at 1000 Hz: one byte per millisecond, each sample its track's number.
void WriteWav(const std::string& path, int samples, uint8_t value) {
  std::vector<uint8_t> wav = testwav::Header(1000, 1, 8, static_cast<uint32_t>(samples));
  wav.insert(wav.end(), static_cast<size_t>(samples), value);
  ASSERT_TRUE(testwav::WriteFile(path, wav));
}

TEST(FolderCd, TracksFromWavFilesPlayTheirFirstMinute) {
  namespace fs = std::filesystem;
  std::string dir = testpaths::TempDir("cd");
  WriteWav(dir + "/01.wav", 70000, 1);  // 70 s
  WriteWav(dir + "/02.WAV", 3000, 2);   // 3 s
  std::ofstream(dir + "/notes.txt") << "not a track";
  std::ofstream(dir + "/00-broken.wav") << "RIFF";
  RecordingSound sound;
  platform::SetSound(&sound);
  platform::FolderCdAudio folder(dir);
  platform::SetCdAudio(&folder);

  OpenCd();
  ASSERT_TRUE(CdState().Open());
  EXPECT_EQ(2, CdState().TrackCount);
  EXPECT_EQ(70000u, CdState().TrackLength[0]);
  EXPECT_EQ(3000u, CdState().TrackLength[1]);

  PlayTrack(1);
  while (sound.Bytes().size() < 60000) std::this_thread::yield();
  StopCd();
  std::vector<uint8_t> played = sound.Bytes();
  EXPECT_EQ(60000u, played.size()) << "the first minute, not the whole 70 s";
  EXPECT_EQ(std::vector<uint8_t>(60000, 1), played);

  sound.bytes.clear();
  PlayTrack(2);
  while (sound.Bytes().size() < 3000) std::this_thread::yield();
  CloseCd();
  EXPECT_EQ(std::vector<uint8_t>(3000, 2), sound.Bytes()) << "a short last track ends with the disc";
  EXPECT_FALSE(CdState().Open());

  platform::SetCdAudio(nullptr);
  platform::SetSound(nullptr);
  fs::remove_all(dir);
}

TEST(FolderCd, NoTracksIsNoDrive) {
  std::string dir = testpaths::TempDir("cd-empty");
  platform::DebugCapture debug;
  platform::SetDebugSink(&debug);
  platform::FolderCdAudio folder(dir);
  EXPECT_EQ(nullptr, folder.Open("cdaudio"));
  platform::SetDebugSink(nullptr);
  EXPECT_EQ("no CD drive: no WAV tracks in " + dir + "\n", debug.Text());
  std::filesystem::remove_all(dir);
}

}  // namespace
