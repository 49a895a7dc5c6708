// Layer III requantisation: global gain, subblock gain and scale factors.
#include <algorithm>

#include "audio/mpeg/decodetables.h"
#include "audio/mpeg/decoder.h"
#include "audio/mpeg/tables.h"

void sMpegDecoder::Requantize(const sGranuleInfo& g, float* lines, const int* sf) {
  const sDecodeTables& t = DecodeTables();
  int longBands, firstShort;
  if (g.blockType == 2) {
    longBands = g.mixed ? (RefVersion == 0 ? 8 : 6) : 0;
    firstShort = g.mixed ? 3 : 0;
  } else {
    longBands = 22;
    firstShort = 13;
  }
  float gain = t.GlobalGain[g.globalGain & 255];
  int shift = g.scalefacScale;
  int k = 0;
  for (int b = 0; b < longBands; ++b) {
    int s = (sf[k++] + (g.preflag ? mpegtab::kPretab[b] : 0)) << shift;
    float f = gain * t.Scale[std::min(s, 64)];
    for (int i = LongBands[b]; i < LongBands[b + 1]; ++i) lines[i] *= f;
  }
  if (firstShort > 12) return;
  float gw[3];
  for (int w = 0; w < 3; ++w) gw[w] = gain * t.Scale[std::min(g.subblockGain[w], 64)];
  for (int b = firstShort; b < 13; ++b)
    for (int w = 0; w < 3; ++w) {
      float f = gw[w] * t.Scale[std::min(sf[k++] << shift, 64)];
      for (int i = ShortBands[b] + w; i < ShortBands[b + 1]; i += 3) lines[i] *= f;
    }
}
