// Layer III stages on hand-made granules: Huffman region ends,
// joint stereo, gains; PCM conversion on every path.
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include "audio/mpeg/decoder.h"
#include "audio/mpeg/decodetables.h"
#include "audio/mpeg/kernels.h"
#include "audio/mpeg/tables.h"
// Reaches the decoder's stages (declared a friend of sMpegDecoder).
struct sMpegDecoderTest {
  sMpegDecoder d;
  sGranuleInfo g{};
  int sf[39] = {};
  sMpegDecoderTest() {
    d.RefVersion = d.HVersion = d.RefRateIndex = d.HRateIndex = 0;
    d.SampleRate = 44100;
    d.InitLayer3(0);
    g.bigValues = 0, g.count1Table = 32, g.intensitySelect = 2;
  }
  void Stereo(float* lines, int modeExt, int downShift = 0) {
    d.HMode = 1, d.HModeExt = modeExt, d.DownShift = downShift;
    d.JointStereo(g, lines, sf);
  }
  // Huffman decoding of main data bytes from bit 0.
  void Huffman(const std::vector<uint8_t>& bytes, float* lines) {
    std::memset(d.MainData, 0, sizeof d.MainData);
    std::memcpy(d.MainData, bytes.data(), bytes.size());
    d.MainDataFill = int(bytes.size());
    d.ReaderLimit = 8 * int(bytes.size());
    d.MainDataPos = 0;
    sBandFactor f[48];
    d.BandFactors(g, sf, f);
    d.DecodeHuffman(g, lines, f);
  }
  void SetShift(int shift) { d.DownShift = shift; }
  bool BandsOn() const { return d.BandGainsEnabled; }
  float Band(int i) const { return d.BandGains[i]; }
  bool LinesOn() const { return d.LineGainsEnabled; }
  float Line(int i) const { return d.LineGains[i]; }
  float ShortLine(int i) const { return d.ShortLineGains[i]; }
};
TEST(Layer3Stages, MiddleSideAndIntensity) {
  sMpegDecoderTest t;
  float lines[1152];
  auto fill = [&](int rightEnd) {
    for (int i = 0; i < 576; ++i) lines[i] = 1.0f, lines[576 + i] = i < rightEnd ? 0.5f : 0.0f;
  };
  fill(576);
  t.Stereo(lines, 2);
  float m = float(std::sqrt(0.5));
  EXPECT_FLOAT_EQ(lines[10], 1.5f * m);
  EXPECT_FLOAT_EQ(lines[576 + 10], 0.5f * m);
  // Down-shift 2: only lines below 144 are processed.
  fill(576);
  t.Stereo(lines, 2, 2);
  EXPECT_FLOAT_EQ(lines[143], 1.5f * m);
  EXPECT_FLOAT_EQ(lines[144], 1.0f);
  EXPECT_FLOAT_EQ(lines[576 + 144], 0.5f);
  // Intensity above the right channel's last non-zero line (line 99, band 13
  // at 44.1 kHz): position 6 puts everything left, position 7 means middle/side.
  fill(100);
  std::fill(t.sf, t.sf + 39, 6);
  t.sf[17] = 7;
  t.Stereo(lines, 3);
  EXPECT_FLOAT_EQ(lines[50], 1.5f * m);        // below the range: middle/side
  EXPECT_FLOAT_EQ(lines[100], 1.0f * m);       // band 13 (90..109) holds line 99: middle/side
  EXPECT_FLOAT_EQ(lines[140], 1.0f);           // band 15 (134..161): position 6
  EXPECT_NEAR(lines[576 + 140], 0.0f, 1e-7);
  EXPECT_FLOAT_EQ(lines[200], 1.0f * m);       // band 17 (196..237): position 7, middle/side
  EXPECT_FLOAT_EQ(lines[576 + 200], 1.0f * m);
  EXPECT_FLOAT_EQ(lines[500], 1.0f);           // band 21 repeats band 20's position 6
}
TEST(Layer3Stages, HuffmanRegionEnds) {
  sMpegDecoderTest t;
  t.g.globalGain = 210;  // requantisation by 1
  float lines[576];
  auto decode = [&](const std::vector<uint8_t>& bytes) { std::fill(lines, lines + 576, 9.0f), t.Huffman(bytes, lines); };
  // No big values, part2_3 ending where it starts: 576 zeros, no bits read.
  t.g.part23Start = t.g.part23End = 0;
  decode({0xAA, 0x55});
  for (float v : lines) ASSERT_EQ(v, 0.0f);
  // Count-1 table A: code "1" is 0,0,0,0; "0101" is 0,0,0,1 (+ sign bit).
  // Three quadruples, the third overrunning part2_3 end by two bits: its
  // four lines are zeroed.
  t.g.part23End = 5 + 5 - 2;  // "0101" + sign 1, then "0101" + sign 0 cut short
  decode({0x5A, 0x80});       // 0101 1 0101 0 ...
  EXPECT_EQ(lines[3], -1.0f);
  EXPECT_EQ(lines[0], 0.0f);
  EXPECT_EQ(lines[7], 0.0f);  // the overrunning quadruple is dropped
  for (int i = 4; i < 576; ++i) ASSERT_EQ(lines[i], 0.0f) << i;
  // Table 0 yields zeros without consuming bits: the count-1 data follows.
  t.g.bigValues = t.g.region1Start = t.g.region2Start = 4;
  t.g.tableSelect[0] = t.g.tableSelect[1] = t.g.tableSelect[2] = 0;
  t.g.part23End = 5;
  decode({0x58});  // 0101 1: quadruple at lines 4..7
  EXPECT_EQ(lines[0], 0.0f);
  EXPECT_EQ(lines[7], -1.0f);
}
TEST(Layer3Stages, GainArraysFollowTheDownShift) {
  sMpegDecoderTest t;
  float bands[32];
  std::fill(bands, bands + 32, 1.0f);
  bands[0] = 0.0f;  // bands 0 and 1 average into the first of 16
  t.SetShift(1);
  t.d.SetBandGains(bands);
  EXPECT_TRUE(t.BandsOn());
  EXPECT_FLOAT_EQ(t.Band(0), 0.5f);
  EXPECT_FLOAT_EQ(t.Band(1), 1.0f);
  bands[0] = 1.0f;
  t.d.SetBandGains(bands);  // all unity: switched off
  EXPECT_FALSE(t.BandsOn());
  std::vector<float> lines(576, 1.0f);
  for (int i = 0; i < 12; ++i) lines[i] = float(i);
  t.SetShift(2);
  t.d.SetLineGains(lines.data());
  EXPECT_TRUE(t.LinesOn());
  EXPECT_FLOAT_EQ(t.Line(0), 1.5f);   // (0 + 1 + 2 + 3) / 4
  EXPECT_FLOAT_EQ(t.Line(2), 9.5f);
  EXPECT_FLOAT_EQ(t.ShortLine(0), (1.5f + 5.5f + 9.5f) / 3);
  t.d.SetLineGains(nullptr);
  EXPECT_FALSE(t.LinesOn());
}
TEST(Layer3Stages, PcmConversionOnEveryPath) {
  // Truncated toward zero, clamped, NaN as silence; mono and interleaved.
  const float nan = std::nanf(""), inf = HUGE_VALF;
  const float in[16] = {0.0f, -0.0f, 1.9f, -1.9f, 32766.99f, 32767.0f, 32767.5f, 1e10f,
                        -32767.9f, -32768.0f, -32768.9f, -1e10f, inf, -inf, nan, 12345.6f};
  const int16_t want[16] = {0, 0, 1, -1, 32766, 32767, 32767, 32767,
                            -32767, -32768, -32768, -32768, 32767, -32768, 0, 12345};
  float right[16];
  for (int i = 0; i < 16; ++i) right[i] = in[15 - i];
  for (const char* path : MpegSimdPaths()) {
    const sMpegKernels* k = FindMpegKernels(path);
    int16_t mono[16], both[32];
    k->Pcm16(in, nullptr, 16, reinterpret_cast<uint8_t*>(mono));
    k->Pcm16(in, right, 16, reinterpret_cast<uint8_t*>(both));
    for (int i = 0; i < 16; ++i) {
      EXPECT_EQ(mono[i], want[i]) << path << " " << in[i];
      EXPECT_EQ(both[2 * i], want[i]) << path << " left " << in[i];
      EXPECT_EQ(both[2 * i + 1], want[15 - i]) << path << " right " << right[i];
    }
  }
}

TEST(Layer2Tables, AllocationTableAtTheBitRateBoundaries) {
  // {version, rate, kbit/s, channels, subbands}: per channel 48 and below the
  // short tables, 56 to 80 the 27-subband one, 96 and above 30 (never at 48 kHz).
  const int cases[][5] = {{0, 44100, 96, 2, 8},   {0, 44100, 112, 2, 27}, {0, 44100, 160, 2, 27},
                          {0, 44100, 96, 1, 30},  {0, 32000, 96, 2, 12},  {0, 32000, 160, 2, 27},
                          {0, 32000, 192, 2, 30}, {0, 48000, 384, 2, 27}, {1, 22050, 64, 2, 30}};
  for (const auto& c : cases)
    EXPECT_EQ(c[4], mpegtab::kAllocTables[Layer2AllocTable(c[0], c[1], c[2], c[3])].sblimit)
        << c[1] << " Hz, " << c[2] << " kbit/s, " << c[3] << " channels";
}
