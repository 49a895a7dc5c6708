#include "framework/system/cd.h"
#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include "framework/system/fatal.h"
#include "platform/cd_folder.h"
#include "platform/clock.h"
#include "platform/debug.h"
#include "platform/headless/cd.h"
#include "platform/sound.h"
#include "platform/thread.h"
#include "tests/support/fatal_capture.h"
#include "tests/support/paths.h"
#include "tests/support/wav.h"

namespace {

using Log = std::vector<std::string>;

class CdTest : public ::testing::Test {
protected:
  void SetUp() override { platform::SetClock(&clock_); }
  void TearDown() override {
    CloseCd();  // before the fake player goes
    platform::SetCdAudio(nullptr);
    platform::SetClock(nullptr);
  }
  platform::FakeCdAudio& Use(platform::FakeDisc disc) {
    CloseCd();  // a player of the previous disc must not outlive it
    cd_ = std::make_unique<platform::FakeCdAudio>(std::move(disc));
    platform::SetCdAudio(cd_.get());
    return *cd_;
  }
  void Post(uint32_t command) {
    AudioCommand.store(command);
    EXPECT_TRUE(ServeAudioCommand());
  }
  platform::VirtualClock clock_;
  std::unique_ptr<platform::FakeCdAudio> cd_;
};

TEST_F(CdTest, OpenReadsTheTrackTable) {
  platform::FakeDisc disc;
  disc.trackStarts = {2000, 62000, 182000};
  disc.length = 240000;
  platform::FakeCdAudio& cd = Use(disc);
  Post(CdOpen);
  EXPECT_TRUE(CdState().Open());
  EXPECT_EQ(0u, AudioCommand.load()) << "the command was taken";
  EXPECT_EQ(3, CdState().TrackCount);
  // The last track runs to start of disc + length.
  EXPECT_EQ((std::vector<uint32_t>{60000, 120000, 60000, 242000}),
            std::vector<uint32_t>(CdState().TrackLength, CdState().TrackLength + 4));
  EXPECT_EQ((Log{"open cdaudio", "format ms", "tracks", "position 1", "position 2", "position 3", "length"}),
            cd.Log());
}

TEST_F(CdTest, PlayStopAndCloseOnlyWhileOpenAndAtMost99Tracks) {
  platform::FakeCdAudio& cd = Use(platform::FakeDisc::Even(12, 180000));
  Post(CdPlay + 3);
  Post(CdStop);
  Post(CdClose);
  EXPECT_TRUE(cd.Log().empty()) << "nothing reaches a closed player";
  Post(CdOpen);
  cd.ClearLog();
  Post(CdPlay + 12);
  EXPECT_EQ((Log{"format tmsf", "play 0x000C-0x010C"}), cd.Log()) << "the first minute of track 12";
  cd.ClearLog();
  EXPECT_FATAL(Post(CdPlay + 13), "Assertion in line 2912, file system");
  EXPECT_FATAL(Post(CdPlay + 0), "Assertion in line 2912, file system");
  EXPECT_TRUE(cd.Log().empty());
  Post(CdStop);
  Post(CdClose);
  EXPECT_EQ((Log{"stop", "stop", "close"}), cd.Log());
  EXPECT_FALSE(CdState().Open());
  EXPECT_EQ(0, cd.OpenDevices());
  Post(0x900);  // unknown: taken and ignored
  EXPECT_EQ(0u, AudioCommand.load());
  Use(platform::FakeDisc::Even(120, 1000));
  Post(CdOpen);
  EXPECT_EQ(99, CdState().TrackCount);
  EXPECT_EQ(1000u, CdState().TrackLength[97]);
  EXPECT_EQ(22000u, CdState().TrackLength[98]) << "the 99th track runs to the end of the disc";
  Post(CdClose);
  platform::FakeDisc odd = platform::FakeDisc::Even(2, 1000);
  odd.reportedTracks = -5;
  platform::FakeCdAudio& oddCd = Use(odd);
  EXPECT_FATAL(Post(CdOpen), "Assertion in line 2853, file system");
  EXPECT_FALSE(CdState().Open());
  EXPECT_EQ(0, oddCd.OpenDevices()) << "the half-opened player is closed again";
}

TEST_F(CdTest, FailedQueriesCloseThePlayer) {
  int platform::FakeDisc::*steps[] = {&platform::FakeDisc::failTimeFormat, &platform::FakeDisc::failTrackCount,
                                      &platform::FakeDisc::failTrackPosition, &platform::FakeDisc::failLength};
  for (auto step : steps) {
    platform::FakeDisc disc = platform::FakeDisc::Even(5, 1000);
    disc.*step = 1;
    platform::FakeCdAudio& cd = Use(disc);
    Post(CdOpen);
    EXPECT_FALSE(CdState().Open());
    EXPECT_EQ(0, cd.OpenDevices());
    EXPECT_EQ("close", cd.Log().back());
    Post(CdPlay + 1);
    EXPECT_EQ("close", cd.Log().back()) << "later commands do nothing";
  }
  // A player that cannot switch to TMSF does not play.
  platform::FakeDisc disc = platform::FakeDisc::Even(5, 1000);
  disc.failTimeFormat = 2;
  platform::FakeCdAudio& cd = Use(disc);
  Post(CdOpen);
  cd.ClearLog();
  Post(CdPlay + 1);
  EXPECT_EQ((Log{"format tmsf"}), cd.Log());
}

TEST_F(CdTest, NoDriveByDefaultAndTheMailboxKeepsOnlyTheLastPost) {
  platform::DebugCapture debug;
  platform::SetDebugSink(&debug);
  Post(CdOpen);
  platform::SetDebugSink(nullptr);
  EXPECT_FALSE(CdState().Open());
  EXPECT_EQ("no CD drive\n", debug.Text());
  platform::FakeCdAudio& cd = Use(platform::FakeDisc::Even(3, 1000));
  AudioCommand.store(CdStop);
  AudioCommand.store(CdOpen);
  EXPECT_TRUE(ServeAudioCommand());
  EXPECT_EQ("open cdaudio", cd.Log().front());
  EXPECT_TRUE(CdState().Open());
  {
    sCdAudio device;
    EXPECT_EQ(&device, GetDevice(DeviceCD, -1));
    EXPECT_EQ(0u, AudioCommand.load());
  }
  EXPECT_EQ(static_cast<uint32_t>(CdClose), AudioCommand.load()) << "the destructor posts CdClose";
  ClearDevices();
}

// The thread itself, its 100 ms waits on the virtual clock.
void VirtualSleep(unsigned ms) {
  static_cast<platform::VirtualClock&>(platform::GetClock()).Advance(ms * 1000u);
  std::this_thread::yield();
}

// The audio thread with an opened disc of 12 tracks.
std::unique_ptr<platform::Thread> StartWithOpenDisc(platform::FakeCdAudio& cd) {
  SetAudioThreadSleep(VirtualSleep);
  AudioThreadRunning.store(1);
  AudioCommand.store(CdOpen);
  auto thread = platform::Thread::Start(AudioThread);
  while (thread && (!cd.OpenDevices() || AudioCommand.load() != 0)) std::this_thread::yield();
  return thread;
}

TEST_F(CdTest, ThreadServesCommandsWithinAPollAndQuits) {
  platform::FakeCdAudio& cd = Use(platform::FakeDisc::Even(12, 1000));
  auto thread = StartWithOpenDisc(cd);
  ASSERT_NE(nullptr, thread);
  AudioCommand.store(CdPlay + 2);
  // Read after the post: at most the one wait then under way lies between them.
  const int64_t posted = static_cast<int64_t>(clock_.Now() / 1000);
  while (cd.Log().back().rfind("play", 0) != 0) std::this_thread::yield();
  EXPECT_LE(static_cast<int64_t>(cd.LogTimes().back()) - posted, 100) << "served at the next poll";
  AudioCommand.store(CdQuit);
  thread->Join();
  EXPECT_EQ(123, thread->ExitCode());
  EXPECT_EQ(0, AudioThreadRunning.load());
}

// A sound service that plays every block at once and keeps what it was given.
class RecordingSound final : public platform::Sound {
public:
  struct Device final : platform::WaveOutDevice {
    explicit Device(RecordingSound& s) : owner(s) {}
    void Prepare(platform::WaveBlock& b) override { b.flags.fetch_or(platform::WaveBlockPrepared); }
    bool Unprepare(platform::WaveBlock& b) override { return b.flags.fetch_and(~platform::WaveBlockPrepared), true; }
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
  std::unique_ptr<platform::WaveOutDevice> OpenWaveOut(const platform::WaveFormat&) override {
    return std::make_unique<Device>(*this);
  }
  bool PlaySound(const void*, size_t) override { return false; }
  std::vector<uint8_t> Bytes() { std::lock_guard<std::mutex> hold(lock); return bytes; }
  std::mutex lock;
  std::vector<uint8_t> bytes;
};

// 8-bit mono at 1000 Hz: one byte per millisecond, each sample its track's number.
void WriteWav(const std::string& path, int samples, uint8_t value) {
  std::vector<uint8_t> wav = testwav::Header(1000, 1, 8, static_cast<uint32_t>(samples));
  wav.insert(wav.end(), static_cast<size_t>(samples), value);
  ASSERT_TRUE(testwav::WriteFile(path, wav));
}

TEST(FolderCd, NoTracksIsNoDriveAndWavFilesPlayTheirFirstMinute) {
  std::string dir = testpaths::TempDir("cd");
  platform::DebugCapture debug;
  platform::SetDebugSink(&debug);
  EXPECT_EQ(nullptr, platform::FolderCdAudio(dir).Open("cdaudio"));
  platform::SetDebugSink(nullptr);
  EXPECT_EQ("no CD drive: no WAV tracks in " + dir + "\n", debug.Text());
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
  EXPECT_EQ((std::vector<uint32_t>{70000, 3000}), std::vector<uint32_t>(CdState().TrackLength, CdState().TrackLength + 2));
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
  std::filesystem::remove_all(dir);
}

}  // namespace
