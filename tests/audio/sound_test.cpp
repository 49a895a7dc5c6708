// The wave output stream on a fake device and on the headless one; the
// headless sound service.
#include <gtest/gtest.h>
#include <chrono>
#include <cmath>
#include <thread>
#include "audio/waveout.h"
#include "platform/backend.h"
#include "platform/headless/sound.h"
#include "platform/sound.h"
#include "platform/soundmixer.h"
#include "tests/audio/tone.h"
#include "tests/audio/memstream.h"
#include "tests/support/expect_calls.h"
#include "tests/support/fake_sound.h"
#include "tests/support/paths.h"
namespace {
using namespace platform;
std::vector<std::string> What(HeadlessSound& s) {
  std::vector<std::string> out;
  for (auto& e : s.Events()) out.push_back(std::to_string(e.frame) + " " + e.what);
  return out;
}
TEST(WaveImage, ParsesAndRefuses) {
  std::vector<uint8_t> img = ToneImage(22050, 1, 16, 441, 1000, 0.01);
  WaveFormat f;
  const uint8_t* data = nullptr;
  size_t bytes = 0;
  EXPECT_CALLS({1, 22050, 1, 1, 440}, {ParseWaveImage(img.data(), img.size(), f, data, bytes), f.samplesPerSec,
                                        f.channels, data == img.data() + 44, bytes});
  // Never beyond the size given.
  EXPECT_CALLS({1, 56, 0, 0}, {ParseWaveImage(img.data(), 100, f, data, bytes), bytes, ParseWaveImage(img.data(), 11, f,
                               data, bytes), ParseWaveImage(nullptr, 100, f, data, bytes)});
  // Not PCM; three channels; the fmt chunk past the end.
  for (auto [at, value] : std::initializer_list<std::pair<int, int>>{{20, 3}, {22, 3}, {19, 0x7F}}) {
    std::vector<uint8_t> bad = img;
    bad[size_t(at)] = uint8_t(value);
    if (at == 19) bad[16] = bad[17] = bad[18] = 0xFF;
    EXPECT_FALSE(ParseWaveImage(bad.data(), bad.size(), f, data, bytes)) << at;
  }
  // Another chunk before the format is stepped over (odd length, padded).
  const uint8_t list[] = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};
  std::vector<uint8_t> listed = img;
  listed.insert(listed.begin() + 12, list, list + sizeof list);
  uint32_t riff = uint32_t(listed.size() - 8);
  std::memcpy(&listed[4], &riff, 4);
  EXPECT_CALLS({1, 440}, {ParseWaveImage(listed.data(), listed.size(), f, data, bytes), bytes});
}
class SoundTest : public ::testing::Test {
protected:
  std::string dir = testpaths::TempDir("sound");
  std::string wav = dir + "/out.wav";
  // What the headless device wrote: 44.1 kHz stereo.
  std::vector<int16_t> Written() {
    std::string b = testpaths::ReadText(wav);
    std::vector<uint8_t> head = testwav::Header(44100, 2, 16, uint32_t(std::max<size_t>(b.size(), 44) - 44));
    EXPECT_EQ(b.substr(0, 44), std::string(head.begin(), head.end()));
    std::vector<int16_t> got(b.size() < 44 ? 0 : (b.size() - 44) / 2);
    if (!got.empty()) std::memcpy(got.data(), b.data() + 44, got.size() * 2);
    return got;
  }
};
// A generated tone played through the wave output stream and the headless
// device in virtual time, measured in what the device wrote.
TEST_F(SoundTest, ToneThroughWaveOutStream) {
  std::vector<int16_t> pcm;
  {
    HeadlessSound sound(HeadlessSound::Pace::Virtual, nullptr);
    ASSERT_TRUE(sound.WriteWav(wav));
    SetSound(&sound);
    sWaveOutStream out;
    ASSERT_EQ(0, out.Open(44100, 1, 1, 1024, 8));
    for (int i = 0; i < 44100; ++i) {
      pcm.push_back(int16_t(std::lround(16384 * std::sin(2 * M_PI * 1000 * i / 44100.0))));
      pcm.push_back(int16_t(std::lround(8192 * std::sin(2 * M_PI * 250 * i / 44100.0))));
    }
    // Pieces of one decoded frame, as the decoder hands them out.
    for (size_t at = 0; at < pcm.size() * 2; at += 4608) {
      int n = int(std::min<size_t>(4608, pcm.size() * 2 - at));
      ASSERT_EQ(n, out.Write(reinterpret_cast<const uint8_t*>(pcm.data()) + at, n));
    }
    EXPECT_CALLS({0, 0}, {out.Control(11), out.Close()});  // the drain must end: the device plays while it waits
    auto events = What(sound);
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ("0 waveout open 44100 Hz 2 ch 16 bit", events.front());
    EXPECT_NE(std::string::npos, events.back().find("waveout close"));
    sound.CloseWav();
    SetSound(nullptr);
  }
  std::vector<int16_t> got = Written();
  // 44100 frames fill 43 whole blocks; the 68 frames of the partial 44th are dropped.
  size_t played = 43 * 1024;
  ASSERT_GE(got.size(), played * 2);
  EXPECT_TRUE(std::equal(pcm.begin(), pcm.begin() + long(played * 2), got.begin())) << "same rate: bit exact";
  for (size_t i = played * 2; i < got.size(); ++i) ASSERT_EQ(0, got[i]) << "silence after the last block";
  ExpectTone(Measure(Channel(got, 0, 0, played), 44100), 1000, 16384, 0.002, 0.999);
  ExpectTone(Measure(Channel(got, 1, 0, played), 44100), 250, 8192, 0.002, 0.999);
}
// An image at another rate and channel count comes out at 44.1 kHz stereo.
TEST_F(SoundTest, ImagePlayedResampled) {
  std::vector<uint8_t> img = ToneImage(22050, 1, 16, 441, 10000, 1.0);
  {
    HeadlessSound sound(HeadlessSound::Pace::Virtual, nullptr);
    ASSERT_TRUE(sound.WriteWav(wav));
    EXPECT_CALLS({1, 1, 1, 1, 0}, {sound.PlaySound(img.data(), img.size()), sound.ImagePlaying(),
                                   (sound.Advance(500000), sound.ImagePlaying()), sound.PlaySound(nullptr, 0),
                                   sound.ImagePlaying()});
    EXPECT_EQ((std::vector<std::string>{"0 play 22050 frames 22050 Hz 1 ch 16 bit", "22050 stop"}), What(sound));
  }
  std::vector<int16_t> got = Written();
  ASSERT_EQ(22050u * 2, got.size());
  for (size_t i = 0; i < 22050; ++i) ASSERT_EQ(got[2 * i], got[2 * i + 1]) << "mono on both sides";
  ExpectTone(Measure(Channel(got, 0, 100, 22050), 44100), 441, 10000, 0.01, 0.995);
}
TEST_F(SoundTest, ImageEndsReplacesAndRefuses) {
  std::vector<uint8_t> a = ToneImage(44100, 2, 8, 300, 20000, 0.1);
  std::vector<uint8_t> b = ToneImage(44100, 2, 16, 300, 20000, 0.5);
  HeadlessSound sound(HeadlessSound::Pace::Virtual, nullptr);
  std::vector<uint8_t> zero(5884460, 0);  // an image whose header was never written
  // The sound stops by itself at its end; an image that cannot play stops the old one.
  EXPECT_CALLS({1, 0, 1, 1, 0, 0},
               {sound.PlaySound(a.data(), a.size()), (sound.Advance(200000), sound.ImagePlaying()),
                sound.PlaySound(b.data(), b.size()), (sound.Advance(100000), sound.PlaySound(b.data(), b.size())),
                sound.PlaySound(zero.data(), zero.size()), sound.ImagePlaying()});
  EXPECT_EQ((std::vector<std::string>{"0 play 4410 frames 44100 Hz 2 ch 8 bit", "4410 end",
                                      "8820 play 22050 frames 44100 Hz 2 ch 16 bit", "13230 stop",
                                      "13230 play 22050 frames 44100 Hz 2 ch 16 bit", "13230 stop",
                                      "13230 refused"}),
            What(sound));
}
TEST_F(SoundTest, DeviceBlocksMixedClippedAndReset) {
  HeadlessSound sound(HeadlessSound::Pace::Virtual, nullptr);
  ASSERT_TRUE(sound.WriteWav(wav));
  std::vector<uint8_t> img = ToneImage(44100, 1, 16, 0, 0, 0.01);
  for (size_t i = 44; i < img.size(); i += 2) img[i] = 0x20, img[i + 1] = 0x4E;  // 20000
  WaveFormat f;
  auto device = sound.OpenWaveOut(f);
  ASSERT_TRUE(device);
  std::vector<int16_t> block(441 * 2);
  for (size_t i = 0; i < block.size(); i += 2) block[i] = 20000, block[i + 1] = -5000;
  WaveBlock header;
  header.data = reinterpret_cast<const uint8_t*>(block.data());
  header.length = uint32_t(block.size() * 2);
  device->Prepare(header);
  ASSERT_TRUE(device->Write(header));
  EXPECT_FALSE(device->Unprepare(header)) << "queued blocks stay prepared";
  sound.PlaySound(img.data(), img.size());
  EXPECT_CALLS({0, WaveBlockDone, 1}, {(device->Sleep(5), header.flags & WaveBlockDone),
                                       (device->Sleep(5), header.flags & WaveBlockDone), device->Unprepare(header)});
  device.reset();
  sound.CloseWav();
  std::vector<int16_t> got = Written();
  ASSERT_EQ(441u * 2, got.size());
  EXPECT_CALLS({32767, 15000, 32767}, {got[0], got[1], got[880]});
  // A reset drops the queued blocks; six channels are refused.
  device = sound.OpenWaveOut(f);
  std::vector<uint8_t> pcm(4 * 4410);
  WaveBlock blocks[2];
  for (auto& b : blocks) {
    b.data = pcm.data();
    b.length = uint32_t(pcm.size());
    device->Prepare(b);
    device->Write(b);
  }
  device->Sleep(150);
  EXPECT_CALLS({WaveBlockDone, 0}, {blocks[0].flags & WaveBlockDone, blocks[1].flags & WaveBlockDone});
  device->Reset();
  EXPECT_CALLS({WaveBlockDone, 0}, {blocks[1].flags & WaveBlockDone, blocks[1].flags & WaveBlockQueued});
  WaveFormat odd;
  odd.channels = 6;
  EXPECT_EQ(nullptr, sound.OpenWaveOut(odd));
}
TEST_F(SoundTest, VirtualTimeFollowsTheShowClock) {
  VirtualClock clock;
  clock.Advance(5000000);
  HeadlessSound sound(HeadlessSound::Pace::Virtual, &clock);
  std::vector<uint8_t> img = ToneImage(44100, 2, 16, 100, 100, 1.0);
  sound.PlaySound(img.data(), img.size());
  clock.Advance(100000);
  EXPECT_CALLS({1, 4410}, {sound.ImagePlaying(), sound.FramesRendered()});
  clock.Advance(1000000);
  EXPECT_FALSE(sound.ImagePlaying());
  EXPECT_EQ("44100 end", What(sound).back());
  // Set back before the sound began: nothing plays, nothing hangs.
  clock.Set(0);
  EXPECT_CALLS({1, 48510, 52920}, {sound.PlaySound(img.data(), img.size()), sound.FramesRendered(),
                                   (clock.Set(5000000 + 1200000), sound.Events(), sound.FramesRendered())});
}
TEST_F(SoundTest, RealTimePaceFinishes) {
  HeadlessSound sound(HeadlessSound::Pace::Real, nullptr);
  std::vector<uint8_t> img = ToneImage(44100, 2, 16, 100, 100, 0.05);
  sound.PlaySound(img.data(), img.size());
  SetSound(&sound);
  sWaveOutStream out;
  ASSERT_EQ(0, out.Open(44100, 1, 1, 441, 2));
  std::vector<uint8_t> pcm(441 * 4 * 6, 1);
  // Blocking: the write waits for the device.
  EXPECT_CALLS({int(pcm.size()), 0}, {out.Write(pcm.data(), int(pcm.size())), out.Close()});
  SetSound(nullptr);
  for (int i = 0; i < 500 && sound.ImagePlaying(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_FALSE(sound.ImagePlaying());
  // The real-time pump may render silence before the image arrives: the image
  // plays its 2205 frames from the frame it started at.
  int64_t started = -1, ended = -1;
  for (auto& e : sound.Events()) {
    if (started < 0 && e.what.rfind("play ", 0) == 0) started = int64_t(e.frame);
    if (e.what == "end") ended = int64_t(e.frame);
  }
  ASSERT_GE(started, 0);
  EXPECT_EQ(2205, ended - started);
}
TEST_F(SoundTest, ServiceFollowsTheBackend) {
  EXPECT_NE(nullptr, dynamic_cast<HeadlessSound*>(&GetSound())) << "no backend: headless in real time";
  BackendOptions options;
  options.virtualClock = true;
  ASSERT_NE(nullptr, StartBackend("headless", options));
  auto* sound = dynamic_cast<HeadlessSound*>(&GetSound());
  ASSERT_NE(nullptr, sound);
  auto* clock = dynamic_cast<VirtualClock*>(&GetClock());
  ASSERT_NE(nullptr, clock);
  clock->Advance(20000);
  sound->Events();
  EXPECT_EQ(882u, sound->FramesRendered()) << "the show's clock moves the sound";
  sWaveOutStream out;
  std::vector<uint8_t> pcm(18432 * 40);
  // No deadlock on the show's clock.
  EXPECT_CALLS({0, int(pcm.size()), 0},
               {out.Open(44100, 1, 1, 4608, 32), out.Write(pcm.data(), int(pcm.size())), out.Close()});
  StopBackend();
}
class WaveOutTest : public ::testing::Test {
protected:
  FakeSound sound;
  void SetUp() override { SetSound(&sound); }
  void TearDown() override { SetSound(nullptr); }
};
TEST_F(WaveOutTest, GeometryAndFormat) {
  sWaveOutStream w;
  struct sCase {
    int rate, stereo, bits16, samples, blocks, blockBytes, channels, bits, align;
  } cases[] = {{44100, 1, 1, 4608, 32, 18432, 2, 16, 4}, {22050, 0, 0, 1000, 4, 1000, 1, 8, 1},
               {8000, 7, 9, 10, 1, 40, 2, 16, 4}};  // any non-zero value counts as yes
  for (const sCase& c : cases) {
    ASSERT_EQ(0, w.Open(c.rate, c.stereo, c.bits16, c.samples, c.blocks));
    const WaveFormat& f = sound.opened.back();
    EXPECT_CALLS({0, c.blockBytes, c.blocks, 1, c.channels, c.rate, c.bits, c.align, c.rate * c.align},
                 {sound.rec.closed, w.GetBlockBytes(), w.GetBlockCount(), f.formatTag, f.channels, f.samplesPerSec,
                  f.bitsPerSample, f.blockAlign, f.avgBytesPerSec});
    // A new open restores blocking; other codes reach the base class.
    EXPECT_CALLS({StreamOpen | StreamWritable, -1, 1, 0, 1, 0, -1, 0, 0},
                 {w.GetFlags(), w.Control(41), w.Control(39), w.Control(4), w.Control(38, 0, 0), w.Control(39),
                  w.Control(40, 0, 0), w.Control(41), w.Control(36, 0, 1)});
  }
}
TEST_F(WaveOutTest, OpenFailures) {
  sWaveOutStream w;
  sound.refuse = true;
  EXPECT_CALLS({-1, 0, 0}, {w.Open(44100, 1, 1, 4608, 32), w.GetFlags(), w.Write("abcd", 4)});
  sound.refuse = false;
  // An empty ring would make a blocking write wait forever; a ring beyond what an int can address.
  EXPECT_CALLS({-1, -1, -1, 0, 0}, {w.Open(44100, 1, 1, 0, 32), w.Open(44100, 1, 1, 4608, 0),
                                    w.Open(44100, 1, 1, 1 << 20, 1 << 10), w.GetFlags(), w.Close()});
}
TEST_F(WaveOutTest, BlocksAreQueuedOnlyWhenFull) {
  sWaveOutStream w;
  ASSERT_EQ(0, w.Open(22050, 0, 0, 100, 4));
  std::vector<uint8_t> data = Bytes(100);
  // Control 1: bytes written.
  EXPECT_CALLS({10, 0, 0, 90, 1, WaveBlockPrepared | WaveBlockQueued, 100},
               {w.Write(data.data(), 10), sound.rec.writes, w.GetBlock(0)->flags.load(), w.Write(data.data() + 10, 90),
                sound.rec.writes, w.GetBlock(0)->flags.load(), w.Control(1)});
  sound.device->Play();
  ASSERT_EQ(1u, sound.rec.played.size());
  EXPECT_EQ(data, sound.rec.played[0]);
}
TEST_F(WaveOutTest, FullRingWithoutBlockingTakesWhatFits) {
  sWaveOutStream w;
  ASSERT_EQ(0, w.Open(22050, 0, 0, 100, 2));
  w.Control(38, 0, 0);
  std::vector<uint8_t> data = Bytes(250);
  EXPECT_CALLS({200, 1, 2, 0, 1, 0}, {w.Write(data.data(), 250), w.Control(12), sound.rec.writes,
                                      w.Write(data.data(), 10), w.Control(11), sound.rec.sleeps.size()});
  sound.device->Play();  // block 0 is done and is filled again
  // Without the wait, closing drops what is queued.
  EXPECT_CALLS({100, 3, -1, 0, 2, 0, 1},
               {w.Write(data.data() + 100, 100), sound.rec.writes, w.Control(40, 0, 0), w.Close(),
                sound.rec.queuedAtReset, sound.rec.sleeps.size(), sound.rec.closed});
}
TEST_F(WaveOutTest, BlockingWriteWaitsForTheDevice) {
  sound.playPerSleep = 1;
  sWaveOutStream w;
  ASSERT_EQ(0, w.Open(22050, 0, 0, 100, 2));
  std::vector<uint8_t> data = Bytes(550);
  EXPECT_CALLS({550, 5}, {w.Write(data.data(), 550), sound.rec.writes});
  // Blocks 3, 4, 5 and the partly filled sixth each waited 20 ms for a free block.
  EXPECT_EQ((std::vector<unsigned>{20, 20, 20, 20}), sound.rec.sleeps);
  // Closing waits until all have played (one block was still queued); the
  // partly filled sixth block is dropped.
  EXPECT_CALLS({0, 0, 1, 0, 5}, {w.Control(11), w.Close(), sound.rec.closed, sound.rec.queuedAtReset,
                                 sound.rec.played.size()});
  EXPECT_EQ((std::vector<unsigned>{20, 20, 20, 20, 50}), sound.rec.sleeps);
  for (size_t i = 0; i < 5 && i < sound.rec.played.size(); ++i)
    EXPECT_EQ(std::vector<uint8_t>(data.begin() + long(i * 100), data.begin() + long(i * 100 + 100)),
              sound.rec.played[i]) << i;
}
TEST_F(WaveOutTest, ReopenClosesFirstAndDestructorCloses) {
  sound.playPerSleep = 1;
  {
    sWaveOutStream w;
    ASSERT_EQ(0, w.Open(22050, 0, 0, 100, 2));
    std::vector<uint8_t> data = Bytes(100);
    w.Write(data.data(), 100);
    // The first device was closed before the second opened.
    EXPECT_CALLS({0, 2, 1, 40}, {w.Open(22050, 1, 1, 10, 2), int(sound.opened.size()), sound.closes, w.GetBlockBytes()});
    w.Write(data.data(), 40);
  }
  EXPECT_EQ(2, sound.closes) << "the destructor releases the device";
  EXPECT_EQ(1u, sound.rec.played.size());
}
}  // namespace
