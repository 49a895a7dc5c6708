// Layer III hybrid filter: anti-alias butterflies, line gains, IMDCT with
// windowing and overlap-add, frequency inversion.
#include <cstring>

#include "audio/mpeg/decodetables.h"
#include "audio/mpeg/decoder.h"

namespace {

// One subband: 18 lines in, 18 samples out, overlap updated.
void Imdct(float* out, const float* in, float* overlap, int blockType) {
  const sDecodeTables& t = DecodeTables();
  float z[36];
  if (blockType != 2) {
    for (int i = 0; i < 36; ++i) z[i] = 0.0f;
    for (int k = 0; k < 18; ++k) {
      float x = in[k];
      if (x == 0.0f) continue;
      const float* m = t.ImdctLong[blockType][k];
      for (int i = 0; i < 36; ++i) z[i] += m[i] * x;
    }
  } else {
    for (int i = 0; i < 36; ++i) z[i] = 0.0f;
    for (int w = 0; w < 3; ++w) {
      float y[12] = {};
      for (int k = 0; k < 6; ++k) {
        float x = in[3 * k + w];
        const float* m = t.ImdctShort[k];
        for (int i = 0; i < 12; ++i) y[i] += m[i] * x;
      }
      for (int i = 0; i < 12; ++i) z[6 + 6 * w + i] += y[i];
    }
  }
  for (int i = 0; i < 18; ++i) {
    out[i] = z[i] + overlap[i];
    overlap[i] = z[18 + i];
  }
}

}  // namespace

void sMpegDecoder::HybridFilter(const sGranuleInfo& g, float* out, float* overlap, float* lines) {
  const sDecodeTables& t = DecodeTables();
  int subbands = 32 >> DownShift;
  int longSubbands = g.blockType != 2 ? subbands : g.mixed ? ShortBands[3] / 18 : 0;
  if (longSubbands > subbands) longSubbands = subbands;
  for (int sb = 1; sb < longSubbands; ++sb) {
    float* lo = lines + 18 * sb - 1;
    float* hi = lines + 18 * sb;
    for (int i = 0; i < 8; ++i) {
      float a = lo[-i], b = hi[i];
      lo[-i] = a * t.AliasCs[i] - b * t.AliasCa[i];
      hi[i] = b * t.AliasCs[i] + a * t.AliasCa[i];
    }
  }
  if (LineGainsEnabled) {
    int n = 18 * subbands;
    int split = 18 * longSubbands;
    for (int i = 0; i < split; ++i) lines[i] *= ShortLineGains[i / 3];
    for (int i = split; i < n; ++i) lines[i] *= LineGains[i];
  }
  int mixedSubbands = ShortBands[3] / 18;
  float buf[18];
  for (int sb = 0; sb < subbands; ++sb) {
    // The long part of any block with the mixed flag (start and stop blocks
    // too) takes the normal window, as the reference decoder does.
    int type = g.mixed && sb < mixedSubbands ? 0 : g.blockType;
    Imdct(buf, lines + 18 * sb, overlap + 18 * sb, type);
    for (int i = 0; i < 18; ++i) out[32 * i + sb] = (sb & i & 1) ? -buf[i] : buf[i];
  }
}
