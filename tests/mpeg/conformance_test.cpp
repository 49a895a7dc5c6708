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
  double ownDb;    // SNR of the default window as measured before the vector kernels; 0: no gates
  int offset = 0;  // decode sample frames ahead of the reference
  long skip = 0;   // sample frames left out at the start of the overlap
};
// The default window differs from the standard's by up to about 5.7e-4 of
// full scale; measured against the references that costs 60.0 to 71.7 dB.
const double kDefaultWindowFloorDb = 59.0;
std::vector<int16_t> Reference(const std::string& name) {
  std::vector<int16_t> ref;
  EXPECT_TRUE(ReadPcm16(Conformance(name), ref)) << name;
  return ref;
}
// The gates on every instruction path of the kernels; the paths must also
// give the same 16-bit output.
void CheckStream(const std::string& path, const std::vector<int16_t>& ref, const sCase& c) {
  std::vector<uint8_t> first;
  sCompareOptions at = Fixed(c.offset);
  at.skipFrames = c.skip;
  for (const char* simd : MpegSimdPaths()) {
    sDecodeOptions o = FloatOut(true);
    o.simd = simd;
    sDecoded iso = DecodeFile(path, o);
    o.standardWindow = false;
    sDecoded own = DecodeFile(path, o);
    ASSERT_EQ(iso.result, 0) << path;
    ASSERT_EQ(own.result, 0) << path;
    sPcmComparison a = ComparePcm(iso.Samples(0), ref, iso.Channels(), at);
    sPcmComparison b = ComparePcm(own.Samples(0), ref, own.Channels(), at);
    // What the window alone changes: the default decode against the standard one.
    std::vector<int16_t> isoRounded;
    for (float v : iso.Samples(0)) isoRounded.push_back(int16_t(std::lround(std::fmax(-32768, std::fmin(32767, v)))));
    sCompareOptions unrounded;
    unrounded.fixed = true;
    sPcmComparison windowOnly = ComparePcm(own.Samples(0), isoRounded, own.Channels(), unrounded);
    std::printf("%-28s %-8s standard window: %s\n%-37s default window:  %s (window alone %.1f dB)\n", c.stream,
                simd, a.Summary().c_str(), "", b.Summary().c_str(), windowOnly.snr);
    ASSERT_GT(a.frames, 1000) << c.stream;
    o.pcm16 = 1;
    sDecoded pcm = DecodeFile(path, o);
    if (first.empty()) first = pcm.pcm;
    EXPECT_TRUE(pcm.pcm == first) << c.stream << ": the " << simd << " path's output differs";
    if (!c.ownDb) continue;
    EXPECT_TRUE(a.FullAccuracy()) << c.stream << " " << simd << ": " << a.Summary();
    EXPECT_GE(b.snr, kDefaultWindowFloorDb) << c.stream << " " << simd;
    EXPECT_GE(b.snr, windowOnly.snr - 3.0) << c.stream << " " << simd;
    EXPECT_GE(b.snr, c.ownDb - 0.5) << c.stream << " " << simd;
  }
}
}  // namespace
// Every stream decodes from its first frame: sample 0 is the reference's.
TEST(Conformance, StreamsMatchTheirReferences) {
  const sCase cases[] = {
      {"l3-compl.mp3", 62.1},  {"l3-he_48khz.mp3", 61.7}, {"l3-si.mp3", 67.7}, {"M2L3_bitrate_16_all.mp3", 63.5},
      {"M2L3_compl24.mp3", 61.6}, {"l3-test46.mp3", 0}, {"l1-fl2.mp1", 62.1}, {"l1-fl4.mp1", 62.1},
      {"l1-fl5.mp1", 61.6}, {"l1-fl6.mp1", 68.3}, {"l2-fl10.mp2", 61.8}, {"l2-fl15.mp2", 62.3},
      {"l2-fl16.mp2", 60.0}, {"l2-test32.mp2", 62.3}};
  for (const sCase& c : cases) {
    std::string name = c.stream;
    CheckStream(Conformance(name), Reference(name.substr(0, name.rfind('.')) + ".pcm"), c);
  }
}
TEST(Conformance, JointStereoAfterLeadingJunk) {
  // 215 bytes of junk before the first frame; the first two frames reach
  // back before the stream into main data that is not there, so they are
  // silent, and the reference starts with frame 2.
  sDecoded d = DecodeFile(Conformance("l3-sin1k0db.mp3"));
  ASSERT_EQ(d.result, 0);
  std::vector<float> samples = d.Samples(1);
  ASSERT_GT(samples.size(), 3u * 2304u);
  for (size_t i = 0; i < 2 * 2304; ++i) ASSERT_EQ(samples[i], 0.0f) << i;
  CheckStream(Conformance("l3-sin1k0db.mp3"), Reference("l3-sin1k0db.pcm"), {"l3-sin1k0db", 71.7, 2304, 1152});
}
TEST(Conformance, ModeSwitchingStream) {
  // Frame starts and modes of the 44.1 kHz 128 kbit/s stream.
  std::vector<uint8_t> bytes = ReadFile(Conformance("l3-he_mode.mp3"));
  std::vector<std::pair<int, int>> frames;
  for (size_t pos = 0; pos + 4 <= bytes.size() && bytes[pos] == 0xFF;
       pos += 144 * 128000 / 44100 + ((bytes[pos + 2] >> 1) & 1))
    frames.push_back({int(pos), bytes[pos + 3] >> 6});
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
  std::vector<int16_t> ref = Reference("l3-he_mode.pcm");
  std::vector<int16_t> firstTen(ref.begin(), ref.begin() + 11520);
  sDecoded wholeIso = DecodeFile(Conformance("l3-he_mode.mp3"), FloatOut(true));
  sPcmComparison head = ComparePcm(wholeIso.Samples(0), firstTen, 1, Fixed());
  EXPECT_EQ(head.frames, 11520);
  EXPECT_LE(head.maxDiff, 2) << head.Summary();
  // Cut at the first stereo frame: the stereo and joint frames (middle/side,
  // intensity, mixed blocks) against their slice of the reference.
  size_t first = 0, last;
  long refPos = 0;
  for (; frames[first].second == 3 || frames[first].second == 2; ++first)
    refPos += frames[first].second == 3 ? 1152 : 2304;
  for (last = first; last < frames.size() && frames[last].second != 3;) ++last;
  std::string path = testpaths::TempDir("hemode") + "/mode.mp3";
  WriteFile(path, std::vector<uint8_t>(bytes.begin() + frames[first].first, bytes.end()));
  std::vector<int16_t> slice(ref.begin() + refPos, ref.begin() + refPos + 2304 * long(last - first));
  // The first three frames lack the reservoir and the synthesis history.
  CheckStream(path, slice, {"l3-he_mode (stereo part)", 61.5, 0, 3 * 1152});
}
