// The decoder against the conformance streams and their reference PCM.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "audio/mpeg/kernels.h"
#include "tests/mpeg/helpers.h"
#include "tests/support/paths.h"

using namespace mpegtest;

namespace {

struct sCase {
  const char* stream;
  const char* reference;
  int offset;       // decode sample frames ahead of the reference
  long skip;        // sample frames left out at the start of the overlap
  long frames;      // reference sample frames to compare (-1: all)
  bool gate;        // full accuracy with the standard window
  double ownDb;     // SNR of the default window as measured before the vector kernels
};

// Every stream decodes from its first frame: sample 0 is the reference's.
const sCase kCases[] = {
    {"l3-compl.mp3", "l3-compl.pcm", 0, 0, -1, true, 62.1},
    {"l3-he_48khz.mp3", "l3-he_48khz.pcm", 0, 0, -1, true, 61.7},
    {"l3-si.mp3", "l3-si.pcm", 0, 0, -1, true, 67.7},
    {"M2L3_bitrate_16_all.mp3", "M2L3_bitrate_16_all.pcm", 0, 0, -1, true, 63.5},
    {"M2L3_compl24.mp3", "M2L3_compl24.pcm", 0, 0, -1, true, 61.6},
    {"l3-test46.mp3", "l3-test46.pcm", 0, 0, -1, false, 0},
    {"l1-fl2.mp1", "l1-fl2.pcm", 0, 0, -1, true, 62.1},
    {"l1-fl4.mp1", "l1-fl4.pcm", 0, 0, -1, true, 62.1},
    {"l1-fl5.mp1", "l1-fl5.pcm", 0, 0, -1, true, 61.6},
    {"l1-fl6.mp1", "l1-fl6.pcm", 0, 0, -1, true, 68.3},
    {"l2-fl10.mp2", "l2-fl10.pcm", 0, 0, -1, true, 61.8},
    {"l2-fl15.mp2", "l2-fl15.pcm", 0, 0, -1, true, 62.3},
    {"l2-fl16.mp2", "l2-fl16.pcm", 0, 0, -1, true, 60.0},
    {"l2-test32.mp2", "l2-test32.pcm", 0, 0, -1, true, 62.3},
};

// The default window differs from the standard's by up to about 5.7e-4 of
// full scale; measured against the references that costs 60.0 to 71.7 dB.
const double kDefaultWindowFloorDb = 59.0;

sPcmComparison Compare(const sDecoded& d, const std::vector<int16_t>& ref, const sCase& c) {
  sCompareOptions o;
  o.fixed = true;
  o.offset = c.offset;
  o.round = true;
  o.skipFrames = c.skip;
  if (c.frames >= 0) o.maxFrames = c.frames - (c.offset < 0 ? -c.offset : 0) - c.skip;
  return ComparePcm(d.Samples(0), ref, d.Channels(), o);
}

// The gates on every instruction path of the kernels; the paths must also
// give the same 16-bit output.
void CheckStream(const std::string& path, const std::vector<int16_t>& ref, const sCase& c) {
  std::vector<uint8_t> first;
  for (const char* simd : MpegSimdPaths()) {
    sDecodeOptions o;
    o.pcm16 = 0;
    o.simd = simd;
    o.standardWindow = true;
    sDecoded iso = DecodeFile(path, o);
    ASSERT_EQ(iso.result, 0) << path;
    o.standardWindow = false;
    sDecoded own = DecodeFile(path, o);
    ASSERT_EQ(own.result, 0) << path;
    sPcmComparison a = Compare(iso, ref, c);
    sPcmComparison b = Compare(own, ref, c);
    // What the window alone changes: the default decode against the standard one.
    sCompareOptions w;
    w.fixed = true;
    std::vector<int16_t> isoRounded;
    for (float v : iso.Samples(0)) isoRounded.push_back(int16_t(std::lround(std::fmax(-32768, std::fmin(32767, v)))));
    sPcmComparison windowOnly = ComparePcm(own.Samples(0), isoRounded, own.Channels(), w);
    std::printf("%-28s %-8s standard window: %s\n%-37s default window:  %s (window alone %.1f dB)\n", c.stream,
                simd, a.Summary().c_str(), "", b.Summary().c_str(), windowOnly.snr);
    ASSERT_GT(a.frames, 1000) << c.stream;
    o.pcm16 = 1;
    sDecoded pcm = DecodeFile(path, o);
    if (first.empty())
      first = pcm.pcm;
    else
      EXPECT_TRUE(pcm.pcm == first) << c.stream << ": the " << simd << " path's output differs";
    if (!c.gate) continue;
    EXPECT_TRUE(a.FullAccuracy()) << c.stream << " " << simd << ": " << a.Summary();
    EXPECT_GE(b.snr, kDefaultWindowFloorDb) << c.stream << " " << simd;
    EXPECT_GE(b.snr, windowOnly.snr - 3.0) << c.stream << " " << simd;
    EXPECT_GE(b.snr, c.ownDb - 0.5) << c.stream << " " << simd;
  }
}

}  // namespace

TEST(Conformance, StreamsMatchTheirReferences) {
  for (const sCase& c : kCases) {
    std::vector<int16_t> ref;
    ASSERT_TRUE(ReadPcm16(Conformance(c.reference), ref)) << c.reference;
    CheckStream(Conformance(c.stream), ref, c);
  }
}

TEST(Conformance, FreeFormatIsRefusedAndSaysSo) {
  std::vector<uint8_t> bytes = ReadFile(Conformance("l3-he_free.mp3"));
  sMpegMemoryInput in(bytes.data(), int64_t(bytes.size()));
  sMpegDecoder d;
  int rate, stereo;
  EXPECT_EQ(d.Open(&in, &rate, &stereo, 1, 0, 0), -1);
  EXPECT_EQ(d.OpenFailure(), sMpegDecoder::FailureFreeFormat);
}

TEST(Conformance, JointStereoAfterLeadingJunk) {
  // 215 bytes of junk before the first frame; the first two frames reach
  // back before the stream into main data that is not there, so they are
  // silent, and the reference starts with frame 2.
  std::vector<int16_t> ref;
  ASSERT_TRUE(ReadPcm16(Conformance("l3-sin1k0db.pcm"), ref));
  sDecoded d = DecodeFile(Conformance("l3-sin1k0db.mp3"));
  ASSERT_EQ(d.result, 0);
  std::vector<float> samples = d.Samples(1);
  ASSERT_GT(samples.size(), 3u * 2304u);
  for (size_t i = 0; i < 2 * 2304; ++i) ASSERT_EQ(samples[i], 0.0f) << i;
  CheckStream(Conformance("l3-sin1k0db.mp3"), ref, {"l3-sin1k0db", "", 2304, 1152, -1, true, 71.7});
}

namespace {

// Frame starts and modes of the 44.1 kHz 128 kbit/s mode-switching stream.
std::vector<std::pair<int, int>> HeModeFrames(const std::vector<uint8_t>& d) {
  std::vector<std::pair<int, int>> frames;
  size_t pos = 0;
  while (pos + 4 <= d.size() && d[pos] == 0xFF) {
    int padding = (d[pos + 2] >> 1) & 1;
    frames.push_back({int(pos), d[pos + 3] >> 6});
    pos += 144 * 128000 / 44100 + padding;
  }
  return frames;
}

}  // namespace

TEST(Conformance, ModeSwitchingStream) {
  std::vector<uint8_t> bytes = ReadFile(Conformance("l3-he_mode.mp3"));
  auto frames = HeModeFrames(bytes);
  ASSERT_EQ(frames.size(), 128u);
  ASSERT_EQ(frames[0].second, 3);

  // The whole stream: the first frame is mono, so every dual, stereo and
  // joint frame is skipped and the output is mono.
  sDecoded whole = DecodeFile(Conformance("l3-he_mode.mp3"));
  ASSERT_EQ(whole.result, 0);
  EXPECT_EQ(whole.stereo, 0);
  long monoFrames = 0;
  for (auto& f : frames) monoFrames += f.second == 3;
  EXPECT_LE(long(whole.pcm.size()) / 2304, monoFrames + 1);
  // Its first ten frames are the reference's first ten (mono) frames.
  std::vector<int16_t> ref;
  ASSERT_TRUE(ReadPcm16(Conformance("l3-he_mode.pcm"), ref));
  std::vector<int16_t> firstTen(ref.begin(), ref.begin() + 11520);
  sDecodeOptions iso;
  iso.pcm16 = 0;
  iso.standardWindow = true;
  sDecoded wholeIso = DecodeFile(Conformance("l3-he_mode.mp3"), iso);
  sCompareOptions o;
  o.fixed = true;
  o.round = true;
  sPcmComparison head = ComparePcm(wholeIso.Samples(0), firstTen, 1, o);
  EXPECT_EQ(head.frames, 11520);
  EXPECT_LE(head.maxDiff, 2) << head.Summary();

  // Cut at the first stereo frame: the stereo and joint frames (middle/side,
  // intensity, mixed blocks) against their slice of the reference.
  size_t first = 0;
  long refPos = 0;
  while (frames[first].second == 3 || frames[first].second == 2) {
    refPos += frames[first].second == 3 ? 1152 : 2304;
    ++first;
  }
  size_t last = first;
  while (last < frames.size() && frames[last].second != 3) ++last;
  std::vector<uint8_t> cut(bytes.begin() + frames[first].first, bytes.end());
  std::string path = testpaths::TempDir("hemode") + "/mode.mp3";
  WriteFile(path, cut);
  std::vector<int16_t> slice(ref.begin() + refPos, ref.begin() + refPos + 2304 * long(last - first));
  // The first three frames lack the reservoir and the synthesis history.
  CheckStream(path, slice, {"l3-he_mode (stereo part)", "", 0, 3 * 1152, -1, true, 61.5});
}
