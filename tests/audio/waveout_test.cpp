#include "audio/waveout.h"

#include <gtest/gtest.h>

#include <deque>

#include "platform/sound.h"
#include "tests/audio/memstream.h"

namespace {

using namespace platform;

// What a fake device did; it outlives the device.
struct DeviceRecord {
  std::vector<std::vector<uint8_t>> played;
  std::vector<unsigned> sleeps;
  int writes = 0, resets = 0, queuedAtReset = -1;
  bool closed = false;
};

// A device that plays only when told to, or a given number of blocks at
// each of its waits.
class FakeDevice : public WaveOutDevice {
public:
  FakeDevice(DeviceRecord& r, int playPerSleep, int& closes) : rec(r), perSleep(playPerSleep), closes_(closes) {}
  ~FakeDevice() override {
    rec.closed = true;
    ++closes_;
  }
  void Prepare(WaveBlock& b) override { b.flags |= WaveBlockPrepared; }
  bool Unprepare(WaveBlock& b) override {
    if (b.flags & WaveBlockQueued) return false;
    b.flags &= ~uint32_t(WaveBlockPrepared);
    return true;
  }
  bool Write(WaveBlock& b) override {
    if (!(b.flags & WaveBlockPrepared)) return false;
    ++rec.writes;
    b.flags = (b.flags & ~uint32_t(WaveBlockDone)) | WaveBlockQueued;
    queue.push_back(&b);
    return true;
  }
  void Reset() override {
    ++rec.resets;
    rec.queuedAtReset = int(queue.size());
    while (!queue.empty()) Done();
  }
  void Sleep(unsigned ms) override {
    rec.sleeps.push_back(ms);
    for (int i = 0; i < perSleep; ++i) Play();
  }
  void Play() {
    if (queue.empty()) return;
    rec.played.emplace_back(queue.front()->data, queue.front()->data + queue.front()->length);
    Done();
  }

private:
  void Done() {
    WaveBlock* b = queue.front();
    queue.pop_front();
    b->flags = (b->flags & ~uint32_t(WaveBlockQueued)) | WaveBlockDone;
  }
  DeviceRecord& rec;
  int perSleep;
  int& closes_;
  std::deque<WaveBlock*> queue;
};

class FakeSound : public Sound {
public:
  DeviceRecord rec;
  FakeDevice* device = nullptr;
  WaveFormat format;
  bool fail = false;
  int playPerSleep = 0;
  int opens = 0, closes = 0;
  std::unique_ptr<WaveOutDevice> OpenWaveOut(const WaveFormat& f) override {
    if (fail) return nullptr;
    format = f;
    rec = DeviceRecord();
    ++opens;
    auto d = std::make_unique<FakeDevice>(rec, playPerSleep, closes);
    device = d.get();
    return d;
  }
  bool PlaySound(const void*, size_t) override { return false; }
};

class WaveOutTest : public ::testing::Test {
protected:
  FakeSound sound;
  void SetUp() override { SetSound(&sound); }
  void TearDown() override { SetSound(nullptr); }
};

std::vector<uint8_t> Slice(const std::vector<uint8_t>& v, int from, int to) {
  return std::vector<uint8_t>(v.begin() + from, v.begin() + to);
}

TEST_F(WaveOutTest, GeometryAndFormat) {
  sWaveOutStream w;
  struct sCase {
    int rate, stereo, bits16, samples, blocks, blockBytes, channels, bits, align;
  } cases[] = {{44100, 1, 1, 4608, 32, 18432, 2, 16, 4}, {22050, 0, 0, 1000, 4, 1000, 1, 8, 1},
               {8000, 7, 9, 10, 1, 40, 2, 16, 4}};  // any non-zero value counts as yes
  for (const sCase& c : cases) {
    ASSERT_EQ(0, w.Open(c.rate, c.stereo, c.bits16, c.samples, c.blocks));
    EXPECT_FALSE(sound.rec.closed);
    EXPECT_EQ(c.blockBytes, w.GetBlockBytes());
    EXPECT_EQ(c.blocks, w.GetBlockCount());
    EXPECT_EQ(1, sound.format.formatTag);
    EXPECT_EQ(c.channels, sound.format.channels);
    EXPECT_EQ(uint32_t(c.rate), sound.format.samplesPerSec);
    EXPECT_EQ(c.bits, sound.format.bitsPerSample);
    EXPECT_EQ(c.align, sound.format.blockAlign);
    EXPECT_EQ(uint32_t(c.rate * c.align), sound.format.avgBytesPerSec);
    EXPECT_EQ(StreamOpen | StreamWritable, w.GetFlags());
    ExpectControls(w, {{41, -1}, {39, 1}, {4, 0}});  // a new open restores blocking
    EXPECT_EQ(1, w.Control(38, 0, 0));
    ExpectControls(w, {{39, 0}});
    EXPECT_EQ(-1, w.Control(40, 0, 0));
    ExpectControls(w, {{41, 0}});
    EXPECT_EQ(0, w.Control(36, 0, 1)) << "other codes reach the base class";
  }
}

TEST_F(WaveOutTest, OpenFailures) {
  sWaveOutStream w;
  sound.fail = true;
  EXPECT_EQ(-1, w.Open(44100, 1, 1, 4608, 32));
  EXPECT_EQ(0, w.GetFlags());
  EXPECT_EQ(0, w.Write("abcd", 4));
  sound.fail = false;
  // An empty ring would make a blocking write wait forever.
  EXPECT_EQ(-1, w.Open(44100, 1, 1, 0, 32));
  EXPECT_EQ(-1, w.Open(44100, 1, 1, 4608, 0));
  EXPECT_EQ(-1, w.Open(44100, 1, 1, 1 << 20, 1 << 10)) << "a ring beyond what an int can address";
  EXPECT_EQ(0, w.GetFlags());
  EXPECT_EQ(0, w.Close());
}

TEST_F(WaveOutTest, BlocksAreQueuedOnlyWhenFull) {
  sWaveOutStream w;
  ASSERT_EQ(0, w.Open(22050, 0, 0, 100, 4));
  std::vector<uint8_t> data = Bytes(100);
  EXPECT_EQ(10, w.Write(data.data(), 10));
  EXPECT_EQ(0, sound.rec.writes);
  EXPECT_EQ(0u, w.GetBlock(0)->flags.load());
  EXPECT_EQ(90, w.Write(data.data() + 10, 90));
  EXPECT_EQ(1, sound.rec.writes);
  EXPECT_EQ(WaveBlockPrepared | WaveBlockQueued, w.GetBlock(0)->flags.load());
  EXPECT_EQ(100, w.Control(1)) << "bytes written";
  sound.device->Play();
  ASSERT_EQ(1u, sound.rec.played.size());
  EXPECT_EQ(data, sound.rec.played[0]);
}

TEST_F(WaveOutTest, FullRingWithoutBlockingTakesWhatFits) {
  sWaveOutStream w;
  ASSERT_EQ(0, w.Open(22050, 0, 0, 100, 2));
  w.Control(38, 0, 0);
  std::vector<uint8_t> data = Bytes(250);
  EXPECT_EQ(200, w.Write(data.data(), 250));
  EXPECT_EQ(1, w.Control(12));
  EXPECT_EQ(2, sound.rec.writes);
  EXPECT_EQ(0, w.Write(data.data(), 10));
  EXPECT_EQ(1, w.Control(11));
  EXPECT_TRUE(sound.rec.sleeps.empty());

  sound.device->Play();  // block 0 is done and is filled again
  EXPECT_EQ(100, w.Write(data.data() + 100, 100));
  EXPECT_EQ(3, sound.rec.writes);
  EXPECT_EQ(0, w.Control(40, 0, 0) + 1);
  EXPECT_EQ(0, w.Close());
  EXPECT_EQ(2, sound.rec.queuedAtReset) << "without the wait, closing drops what is queued";
  EXPECT_TRUE(sound.rec.sleeps.empty());
  EXPECT_TRUE(sound.rec.closed);
}

TEST_F(WaveOutTest, BlockingWriteWaitsForTheDevice) {
  sound.playPerSleep = 1;
  sWaveOutStream w;
  ASSERT_EQ(0, w.Open(22050, 0, 0, 100, 2));
  std::vector<uint8_t> data = Bytes(550);
  EXPECT_EQ(550, w.Write(data.data(), 550));
  EXPECT_EQ(5, sound.rec.writes);
  // Blocks 3, 4, 5 and the partly filled sixth each waited for a free block.
  ASSERT_EQ(4u, sound.rec.sleeps.size());
  for (unsigned ms : sound.rec.sleeps) EXPECT_EQ(20u, ms);
  EXPECT_EQ(0, w.Control(11));
  ASSERT_EQ(0, w.Close());
  EXPECT_TRUE(sound.rec.closed);
  EXPECT_EQ(0, sound.rec.queuedAtReset) << "closing waited until all had played";
  ASSERT_EQ(5u, sound.rec.played.size()) << "the partly filled sixth block is dropped";
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Slice(data, i * 100, i * 100 + 100), sound.rec.played[size_t(i)]) << i;
  std::vector<unsigned> closing(sound.rec.sleeps.begin() + 4, sound.rec.sleeps.end());
  EXPECT_EQ((std::vector<unsigned>{50}), closing) << "one block was still queued";
}

TEST_F(WaveOutTest, ReopenClosesFirstAndDestructorCloses) {
  sound.playPerSleep = 1;
  {
    sWaveOutStream w;
    ASSERT_EQ(0, w.Open(22050, 0, 0, 100, 2));
    std::vector<uint8_t> data = Bytes(100);
    w.Write(data.data(), 100);
    ASSERT_EQ(0, w.Open(22050, 1, 1, 10, 2));
    EXPECT_EQ(2, sound.opens);
    EXPECT_EQ(1, sound.closes) << "the first device was closed before the second opened";
    EXPECT_EQ(40, w.GetBlockBytes());
    w.Write(data.data(), 40);
  }
  EXPECT_EQ(2, sound.closes) << "the destructor releases the device";
  EXPECT_EQ(1u, sound.rec.played.size());
}

}  // namespace
