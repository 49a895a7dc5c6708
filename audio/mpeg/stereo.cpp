// Layer III joint stereo: middle/side and intensity.
#include <algorithm>

#include "audio/mpeg/decodetables.h"
#include "audio/mpeg/decoder.h"

void sMpegDecoder::JointStereo(const sGranuleInfo& right, float* lines, const int* sf) {
  float* l = lines;
  float* r = lines + 576;
  int limit = 576 >> DownShift;
  float m = mpegtab::kMiddleSide;
  bool ms = (HModeExt & 2) != 0;
  if (!(HModeExt & 1)) {
    if (ms)
      for (int i = 0; i < limit; ++i) {
        float a = l[i], b = r[i];
        l[i] = (a + b) * m;
        r[i] = (a - b) * m;
      }
    return;
  }
  int* pos = IntensityPos;
  std::fill(pos, pos + 576, 7);
  const float(*ratio)[2] = mpegtab::kRatio[std::min(right.intensitySelect, 2)];
  bool mpeg1 = RefVersion == 0;
  int longEnd;  // lines of the long part
  int longBandCount;
  if (right.blockType == 2) {
    longBandCount = right.mixed ? (mpeg1 ? 8 : 6) : 0;
    int firstShort = right.mixed ? 3 : 0;
    int listBias = right.mixed ? (mpeg1 ? 1 : 3) : 0;
    for (int w = 0; w < 3; ++w) {
      int line = ShortBands[13] + w - 3;
      int stop = ShortBands[firstShort];
      while (line >= stop && r[line] == 0.0f) line -= 3;
      int startBand = firstShort;
      while (startBand < 13 && ShortBands[startBand] <= line) ++startBand;
      if (startBand > 3) longBandCount = 0;
      int prev = 7;
      for (int b = startBand; b < 13; ++b) {
        int p = b < 12 ? sf[b * 3 + w - listBias] : (startBand < 12 ? prev : 7);
        prev = p;
        for (int i = ShortBands[b] + w; i < ShortBands[b + 1]; i += 3) pos[i] = p;
      }
    }
  } else {
    longBandCount = 22;
  }
  longEnd = LongBands[longBandCount];
  if (longBandCount) {
    int line = longEnd - 1;
    while (line >= 0 && r[line] == 0.0f) --line;
    int startBand = 0;
    while (startBand < longBandCount && LongBands[startBand] <= line) ++startBand;
    for (int b = startBand; b < longBandCount; ++b) {
      int p;
      if (b < 21) {
        p = sf[b];
      } else {
        p = startBand < 21 ? sf[20] : 7;
      }
      for (int i = LongBands[b]; i < LongBands[b + 1]; ++i) pos[i] = p;
    }
  }
  for (int i = 0; i < limit; ++i) {
    int p = pos[i];
    if (p != 7) {
      const float* k = ratio[p & 31];
      float a = l[i];
      r[i] = a * k[1];
      l[i] = a * k[0];
    } else if (ms) {
      float a = l[i], b = r[i];
      l[i] = (a + b) * m;
      r[i] = (a - b) * m;
    }
  }
}
