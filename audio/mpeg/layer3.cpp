// Layer III: side information, scale factors and the per-frame driver.
#include <algorithm>
#include <cstring>

#include "audio/mpeg/bitcache.h"
#include "audio/mpeg/decoder.h"
#include "audio/mpeg/tables.h"

int sMpegDecoder::ReadSideInfo(sGranuleInfo (*records)[2]) {
  bool mpeg1 = HVersion == 0;
  bool mono = HMode == 3;
  int channels = mono ? 1 : 2;
  int start = BitPosition;
  // The side information lies inside the frame buffer (bits beyond it read 0).
  sBitCache src(Buffer, kBufferCapacity, std::max(0, std::min(BitPosition, 8 * kBufferCapacity)));
  auto GetBits = [&src](int n) -> unsigned {
    if (src.count < n) src.Refill();
    return src.Take(n);
  };
  int mainDataBegin = GetBits(mpeg1 ? 9 : 8);
  GetBits(mpeg1 ? (mono ? 5 : 3) : (mono ? 1 : 2));
  if (!records) {
    int sideBytes = mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    BitPosition = start + 8 * sideBytes;
    MainDataStep(mainDataBegin);
    return mainDataBegin;
  }
  int granules = mpeg1 ? 2 : 1;
  int scfsi[2][4] = {};
  if (mpeg1)
    for (int ch = 0; ch < channels; ++ch)
      for (int i = 0; i < 4; ++i) scfsi[ch][i] = GetBits(1);
  bool intensity = HMode == 1 && (HModeExt & 1);
  int bits = 0;
  for (int gr = 0; gr < granules; ++gr)
    for (int ch = 0; ch < channels; ++ch) {
      sGranuleInfo& g = records[gr][ch];
      g.granule = gr;
      g.channel = ch;
      for (int i = 0; i < 4; ++i) g.scfsi[i] = gr == 1 ? scfsi[ch][i] : 0;
      int length = GetBits(12);
      g.part23Start = bits;
      g.part23End = bits + length;
      bits += length;
      // Damaged streams: at most 288 pairs fit the 576 lines.
      g.bigValues = std::min(int(GetBits(9)) * 2, 576);
      g.globalGain = GetBits(8);
      if (mpeg1) {
        g.scalefacCompress = GetBits(4);
        g.intensitySelect = 2;
      } else if (ch == 1 && intensity) {
        g.scalefacCompress = GetBits(8);
        g.intensitySelect = GetBits(1);
      } else {
        g.scalefacCompress = GetBits(9);
        g.intensitySelect = 2;
      }
      if (GetBits(1)) {
        g.blockType = GetBits(2);
        g.mixed = GetBits(1);
        g.tableSelect[0] = GetBits(5);
        g.tableSelect[1] = GetBits(5);
        g.tableSelect[2] = 0;
        for (int w = 0; w < 3; ++w) g.subblockGain[w] = 4 * GetBits(3);
        g.region1Start = g.blockType == 2 ? ShortBands[3] : LongBands[8];
        g.region2Start = 576;
      } else {
        for (int i = 0; i < 3; ++i) g.tableSelect[i] = GetBits(5);
        int r0 = GetBits(4), r1 = GetBits(3);
        g.region1Start = LongBands[std::min(r0 + 1, 22)];
        g.region2Start = LongBands[std::min(r0 + r1 + 2, 22)];
        g.blockType = 0;
        g.mixed = 0;
        for (int w = 0; w < 3; ++w) g.subblockGain[w] = 0;
      }
      g.region1Start = std::min(g.region1Start, g.bigValues);
      g.region2Start = std::min(g.region2Start, g.bigValues);
      // Short blocks never reuse scale factors; start and stop blocks do, as
      // the standard has it and encoders rely on.
      if (g.blockType == 2)
        for (int i = 0; i < 4; ++i) g.scfsi[i] = 0;
      g.preflag = mpeg1 ? GetBits(1) : (g.scalefacCompress >= 500 ? 1 : 0);
      g.scalefacScale = GetBits(1);
      g.count1Table = GetBits(1) ? 33 : 32;
    }
  BitPosition = src.Position();
  MainDataStep(mainDataBegin);
  return mainDataBegin;
}

sBitCache sMpegDecoder::MainDataBits() {
  int limitBytes = ReaderLimit >> 3;
  std::memset(MainData + limitBytes, 0, 8);
  return sBitCache(MainData, limitBytes, std::max(0, std::min(MainDataPos, ReaderLimit)));
}

void sMpegDecoder::ReadScaleFactors(sGranuleInfo& g, int* list) {
  MainDataPos = std::min(g.part23Start, ReaderLimit);
  sBitCache src = MainDataBits();
  int slen[4];
  int set;
  if (HVersion == 0) {
    int s1 = mpegtab::kSlen1[g.scalefacCompress & 15], s2 = mpegtab::kSlen2[g.scalefacCompress & 15];
    slen[0] = slen[1] = s1;
    slen[2] = slen[3] = s2;
    set = 6;
  } else if (g.intensitySelect != 2) {
    int s = g.scalefacCompress;
    if (s < 180) {
      set = 3;
      slen[0] = s / 36;
      slen[1] = (s % 36) / 6;
      slen[2] = (s % 36) % 6;
      slen[3] = 0;
    } else if (s < 244) {
      set = 4;
      slen[0] = ((s - 180) % 64) >> 4;
      slen[1] = ((s - 180) % 16) >> 2;
      slen[2] = (s - 180) % 4;
      slen[3] = 0;
    } else {
      set = 5;
      slen[0] = (s - 244) / 3;
      slen[1] = (s - 244) % 3;
      slen[2] = slen[3] = 0;
    }
  } else {
    int s = g.scalefacCompress;
    if (s < 400) {
      set = 0;
      slen[0] = (s >> 4) / 5;
      slen[1] = (s >> 4) % 5;
      slen[2] = (s % 16) >> 2;
      slen[3] = s % 4;
    } else if (s < 500) {
      set = 1;
      slen[0] = ((s - 400) >> 2) / 5;
      slen[1] = ((s - 400) >> 2) % 5;
      slen[2] = (s - 400) % 4;
      slen[3] = 0;
    } else {
      set = 2;
      slen[0] = (s - 500) / 3;
      slen[1] = (s - 500) % 3;
      slen[2] = slen[3] = 0;
    }
  }
  int kind = g.blockType == 2 ? (g.mixed ? 2 : 1) : 0;
  int n = 0;
  for (int i = 0; i < 4; ++i) {
    int count = mpegtab::kPartitions[set][kind][i];
    if (g.scfsi[i]) {
      n += count;
      continue;
    }
    for (int k = 0; k < count; ++k) {
      if (src.count < 8) src.Refill();
      list[n++] = slen[i] ? int(src.Take(slen[i])) : 0;
    }
  }
  list[n] = list[n + 1] = list[n + 2] = 0;
  MainDataPos = src.Position();
}

void sMpegDecoder::DecodeLayer3() {
  bool mpeg1 = RefVersion == 0;
  int passes = mpeg1 ? 1 : 2;
  int p = 0;
  for (; p < passes; ++p) {
    if (p > 0) ReadHeader();
    if (HBitRateIndex == 0) break;
    ReadSideInfo(Granules);
    int channels = HMode == 3 ? 1 : 2;
    int granules = mpeg1 ? 2 : 1;
    for (int g = 0; g < granules; ++g) {
      // Main data that is not there (the reservoir was lost) is silence.
      int bound[2] = {0, 0};
      for (int ch = 0; ch < channels && ReservoirShort; ++ch) std::memset(Lines[ch], 0, sizeof Lines[ch]);
      for (int ch = 0; ch < channels && !ReservoirShort; ++ch) {
        sGranuleInfo& gi = Granules[g][ch];
        gi.part23End = std::min(gi.part23End, ReaderLimit);
        ReadScaleFactors(gi, ScaleFactors[ch]);
        sBandFactor factors[48];
        BandFactors(gi, ScaleFactors[ch], factors);
        int n = DecodeHuffman(gi, Lines[ch], factors);
        // Short blocks reorder the lines: no bound in line order.
        bound[ch] = gi.blockType == 2 ? 576 : n;
      }
      // Stereo processing leaves zero the lines that both channels have zero.
      if (HMode == 1 && !ReservoirShort) {
        JointStereo(Granules[g][1], Lines[0], ScaleFactors[1]);
        bound[0] = bound[1] = std::max(bound[0], bound[1]);
      }
      for (int ch = 0; ch < channels; ++ch)
        HybridFilter(Granules[g][ch], Subband[ch] + (p + g) * 18 * 32, &Overlap[ch][0][0],
                     Lines[ch], bound[ch]);
    }
    if (p == passes - 1) return;
  }
  // No further header: emit what the overlap still holds, then silence.
  for (int q = p; q <= 1; ++q)
    for (int ch = 0; ch < 2; ++ch)
      for (int t = 0; t < 18; ++t)
        for (int s = 0; s < 32; ++s) {
          float v = Overlap[ch][t][s];
          Subband[ch][(q * 18 + t) * 32 + s] = (s & t & 1) ? -v : v;
          Overlap[ch][t][s] = 0;
        }
}
