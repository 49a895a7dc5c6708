// Damaged and corrupted input: no crash, no access outside a buffer (run
// under the sanitizer build), bounded output.
#include <gtest/gtest.h>
#include <filesystem>
#include <random>
#include "tests/mpeg/helpers.h"
using namespace mpegtest;
namespace {
// At most 48 samples per channel per input byte, plus one frame: the output
// of `bytes` input bytes, as sample frames times four, is within it.
void ExpectBounded(const sDecoded& d, int pcm16, size_t bytes, int shift, const std::string& what) {
  size_t samples = d.pcm.size() / (pcm16 ? 2 : 4) / (d.stereo ? 2 : 1);
  EXPECT_LE(samples * 4, (192 * bytes + 4608 + 9216) << shift) << what;
}
}  // namespace
TEST(Damaged, EveryFileInTheDamagedFolder) {
  int files = 0;
  for (auto& entry : std::filesystem::directory_iterator(Conformance("damaged"))) {
    if (entry.path().extension() == ".md") continue;
    auto bytes = ReadFile(entry.path().string());
    for (int pcm16 : {1, 0})
      for (int seekable : {1, 0}) {
        sDecodeOptions o;
        o.pcm16 = pcm16;
        o.seekable = seekable;
        ExpectBounded(DecodeBytes(bytes, o), pcm16, bytes.size(), 0, entry.path().string());
      }
    ++files;
  }
  EXPECT_GE(files, 16);
}
TEST(Damaged, OneBadGranuleLeavesTheRestIntact) {
  std::vector<int16_t> ref;
  ASSERT_TRUE(ReadPcm16(Conformance("l3-compl.pcm"), ref));
  for (std::string name : {"l3-nonstandard-compl-sideinfo-bigvalues.bit", "l3-nonstandard-compl-sideinfo-blocktype.bit"}) {
    auto d = DecodeFile(Conformance("damaged/" + name), FloatOut(true));
    ASSERT_EQ(d.result, 0) << name;
    auto s = d.Samples(0);
    ASSERT_GE(s.size(), ref.size());
    // Count the frames that differ from the reference by more than 2 LSB.
    int bad = 0;
    for (size_t f = 0; f < ref.size() / 1152; ++f) {
      double worst = 0;
      for (size_t i = f * 1152; i < (f + 1) * 1152; ++i) worst = std::max(worst, std::fabs(std::floor(s[i] + 0.5) - ref[i]));
      bad += worst > 2;
    }
    EXPECT_LE(bad, 3) << name;
  }
}
TEST(Damaged, RandomlyCorruptedStreams) {
  std::mt19937 rng(1234);
  int runs = 0;
  for (const char* name : {"l3-compl.mp3", "l3-he_mode.mp3", "M2L3_bitrate_16_all.mp3", "l3-test46.mp3", "l2-fl10.mp2",
                           "l1-fl2.mp1", "l2-test32.mp2"}) {
    auto whole = ReadFile(Conformance(name));
    ASSERT_GT(whole.size(), 4096u) << name;
    for (int i = 0; i < 300; ++i, ++runs) {
      // A few kilobytes from somewhere in the stream, with bytes replaced,
      // bits flipped or a stretch zeroed.
      size_t size = 1500 + rng() % 3000;
      size_t start = i % 3 == 0 ? 0 : rng() % (whole.size() - size);
      std::vector<uint8_t> b(whole.begin() + long(start), whole.begin() + long(start + size));
      for (int e = 0, edits = 1 + int(rng() % 12); e < edits; ++e) {
        size_t at = rng() % b.size();
        switch (rng() % 3) {
          case 0: b[at] = uint8_t(rng()); break;
          case 1: b[at] ^= uint8_t(1 << (rng() % 8)); break;
          default:
            for (size_t k = at; k < std::min(b.size(), at + 40); ++k) b[k] = 0xFF * (rng() & 1);
        }
      }
      if (start == 0) b[0] = 0xFF;  // keep the probe's first byte to go deeper
      sDecodeOptions o;
      o.seekable = (i & 1) != 0;
      o.downShift = i % 5 == 0 ? 2 : 0;
      ExpectBounded(DecodeBytes(b, o), 1, b.size(), o.downShift, std::string(name) + " case " + std::to_string(i));
    }
  }
  EXPECT_EQ(runs, 2100);
}
