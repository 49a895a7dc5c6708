#include "audio/waveout.h"

#include <gtest/gtest.h>

#include "platform/sound.h"
#include "tests/audio/memstream.h"
#include "tests/support/fake_sound.h"

namespace {

using namespace platform;

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
