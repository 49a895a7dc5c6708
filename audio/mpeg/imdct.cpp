// Layer III hybrid filter: anti-alias butterflies, line gains, IMDCT with
// windowing and overlap-add, frequency inversion.
#include <cmath>
#include <cstring>

#include "audio/mpeg/decodetables.h"
#include "audio/mpeg/decoder.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The matrix IMDCT's tables, built on first use.
struct sImdctTables {
  float Dct4[18][20];        // 18-point DCT-IV, input k -> output m (padded rows)
  float ImdctWindow[4][36];  // long windows by block type (2 unused)
  float ImdctShort[6][12];   // input k -> windowed outputs of one window
  float AliasCs[8], AliasCa[8];
  sImdctTables() {
    const double kPi = 3.14159265358979323846;
    for (int type = 0; type < 4; ++type)
      for (int i = 0; i < 36; ++i) {
        double w;
        if (type == 0 || type == 2) {
          w = std::sin(kPi / 36 * (i + 0.5));
        } else if (type == 1) {
          w = i < 18 ? std::sin(kPi / 36 * (i + 0.5)) : i < 24 ? 1.0 : i < 30 ? std::sin(kPi / 12 * (i - 18 + 0.5)) : 0.0;
        } else {
          w = i < 6 ? 0.0 : i < 12 ? std::sin(kPi / 12 * (i - 6 + 0.5)) : i < 18 ? 1.0 : std::sin(kPi / 36 * (i + 0.5));
        }
        ImdctWindow[type][i] = float(w);
      }
    for (int k = 0; k < 18; ++k)
      for (int m = 0; m < 20; ++m)
        Dct4[k][m] = m < 18 ? float(std::cos(kPi / 72 * (2 * m + 1) * (2 * k + 1))) : 0.0f;
    for (int i = 0; i < 12; ++i) {
      double w = std::sin(kPi / 12 * (i + 0.5));
      for (int k = 0; k < 6; ++k) ImdctShort[k][i] = float(w * std::cos(kPi / 24 * (2 * i + 1 + 6) * (2 * k + 1)));
    }
    for (int i = 0; i < 8; ++i) {
      AliasCs[i] = mpegtab::kAliasCs[i];
      AliasCa[i] = mpegtab::kAliasCa[i];
    }
  }
};

const sImdctTables& DecodeTables() {
  static const sImdctTables t;
  return t;
}

// One subband: 18 lines in, 18 samples out, overlap updated. The 36-point
// IMDCT is an 18-point DCT-IV, y, unfolded: z[i] = y[i + 9] (i < 9),
// -y[26 - i] (i < 27), -y[i - 27] (i < 36).
void Imdct(float* out, const float* in, float* overlap, int blockType) {
  const sImdctTables& t = DecodeTables();
  if (blockType != 2) {
    alignas(16) float y[20];
#if defined(__SSE2__)
    __m128 acc[5];
    for (int v = 0; v < 5; ++v) acc[v] = _mm_setzero_ps();
    for (int k = 0; k < 18; ++k) {
      __m128 x = _mm_set1_ps(in[k]);
      const float* row = t.Dct4[k];
      for (int v = 0; v < 5; ++v) acc[v] = _mm_add_ps(acc[v], _mm_mul_ps(_mm_loadu_ps(row + 4 * v), x));
    }
    for (int v = 0; v < 5; ++v) _mm_store_ps(y + 4 * v, acc[v]);
    // The unfolding below, four samples at a time (reversed runs shuffled).
    const float* w = t.ImdctWindow[blockType];
    const __m128 sign = _mm_set1_ps(-0.0f);
    auto nrev = [&](const float* at) {
      __m128 v = _mm_loadu_ps(at);
      return _mm_xor_ps(_mm_shuffle_ps(v, v, _MM_SHUFFLE(0, 1, 2, 3)), sign);
    };
    _mm_storeu_ps(out, _mm_add_ps(_mm_mul_ps(_mm_loadu_ps(y + 9), _mm_loadu_ps(w)), _mm_loadu_ps(overlap)));
    _mm_storeu_ps(out + 4,
                  _mm_add_ps(_mm_mul_ps(_mm_loadu_ps(y + 13), _mm_loadu_ps(w + 4)), _mm_loadu_ps(overlap + 4)));
    out[8] = y[17] * w[8] + overlap[8];
    out[9] = -y[17] * w[9] + overlap[9];
    _mm_storeu_ps(out + 10, _mm_add_ps(_mm_mul_ps(nrev(y + 13), _mm_loadu_ps(w + 10)), _mm_loadu_ps(overlap + 10)));
    _mm_storeu_ps(out + 14, _mm_add_ps(_mm_mul_ps(nrev(y + 9), _mm_loadu_ps(w + 14)), _mm_loadu_ps(overlap + 14)));
    _mm_storeu_ps(overlap, _mm_mul_ps(nrev(y + 5), _mm_loadu_ps(w + 18)));
    _mm_storeu_ps(overlap + 4, _mm_mul_ps(nrev(y + 1), _mm_loadu_ps(w + 22)));
    overlap[8] = -y[0] * w[26];
    _mm_storeu_ps(overlap + 9, _mm_mul_ps(_mm_xor_ps(acc[0], sign), _mm_loadu_ps(w + 27)));
    _mm_storeu_ps(overlap + 13, _mm_mul_ps(_mm_xor_ps(acc[1], sign), _mm_loadu_ps(w + 31)));
    overlap[17] = -y[8] * w[35];
    return;
#else
    for (int m = 0; m < 18; ++m) y[m] = 0.0f;
    for (int k = 0; k < 18; ++k)
      for (int m = 0; m < 18; ++m) y[m] += t.Dct4[k][m] * in[k];
    const float* w = t.ImdctWindow[blockType];
    for (int i = 0; i < 9; ++i) out[i] = y[i + 9] * w[i] + overlap[i];
    for (int i = 9; i < 18; ++i) out[i] = -y[26 - i] * w[i] + overlap[i];
    for (int i = 18; i < 27; ++i) overlap[i - 18] = -y[26 - i] * w[i];
    for (int i = 27; i < 36; ++i) overlap[i - 18] = -y[i - 27] * w[i];
    return;
#endif
  }
  float z[36];
  for (int i = 0; i < 36; ++i) z[i] = 0.0f;
  for (int win = 0; win < 3; ++win) {
    float y[12] = {};
    for (int k = 0; k < 6; ++k) {
      float x = in[3 * k + win];
      const float* m = t.ImdctShort[k];
      for (int i = 0; i < 12; ++i) y[i] += m[i] * x;
    }
    for (int i = 0; i < 12; ++i) z[6 + 6 * win + i] += y[i];
  }
  for (int i = 0; i < 18; ++i) {
    out[i] = z[i] + overlap[i];
    overlap[i] = z[18 + i];
  }
}

// A subband without lines: its samples are the overlap alone.
void Silent(float* out, float* overlap) {
  for (int i = 0; i < 18; ++i) {
    out[i] = overlap[i];
    overlap[i] = 0.0f;
  }
}

}  // namespace

void sMpegDecoder::HybridFilter(const sGranuleInfo& g, float* out, float* overlap, float* lines) {
  const sImdctTables& t = DecodeTables();
  int subbands = 32 >> DownShift;
  int longSubbands = g.blockType != 2 ? subbands : g.mixed ? ShortBands[3] / 18 : 0;
  if (longSubbands > subbands) longSubbands = subbands;
  int sb = 1;
#if defined(__SSE2__)
  // Lines below a boundary taken in reverse order, four at a time.
  const __m128 cs0 = _mm_loadu_ps(t.AliasCs), cs1 = _mm_loadu_ps(t.AliasCs + 4);
  const __m128 ca0 = _mm_loadu_ps(t.AliasCa), ca1 = _mm_loadu_ps(t.AliasCa + 4);
  for (; sb < longSubbands; ++sb) {
    float* base = lines + 18 * sb;
    __m128 lo0 = _mm_loadu_ps(base - 4), lo1 = _mm_loadu_ps(base - 8);
    lo0 = _mm_shuffle_ps(lo0, lo0, _MM_SHUFFLE(0, 1, 2, 3));
    lo1 = _mm_shuffle_ps(lo1, lo1, _MM_SHUFFLE(0, 1, 2, 3));
    __m128 hi0 = _mm_loadu_ps(base), hi1 = _mm_loadu_ps(base + 4);
    __m128 nlo0 = _mm_sub_ps(_mm_mul_ps(lo0, cs0), _mm_mul_ps(hi0, ca0));
    __m128 nlo1 = _mm_sub_ps(_mm_mul_ps(lo1, cs1), _mm_mul_ps(hi1, ca1));
    __m128 nhi0 = _mm_add_ps(_mm_mul_ps(hi0, cs0), _mm_mul_ps(lo0, ca0));
    __m128 nhi1 = _mm_add_ps(_mm_mul_ps(hi1, cs1), _mm_mul_ps(lo1, ca1));
    _mm_storeu_ps(base - 4, _mm_shuffle_ps(nlo0, nlo0, _MM_SHUFFLE(0, 1, 2, 3)));
    _mm_storeu_ps(base - 8, _mm_shuffle_ps(nlo1, nlo1, _MM_SHUFFLE(0, 1, 2, 3)));
    _mm_storeu_ps(base, nhi0);
    _mm_storeu_ps(base + 4, nhi1);
  }
#endif
  for (; sb < longSubbands; ++sb) {
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
  // Subbands above the last non-zero line only release their overlap.
  int last = 18 * subbands - 1;
  while (last >= 0 && lines[last] == 0.0f) --last;
  int active = last < 0 ? 0 : last / 18 + 1;
  float buf[18];
  for (sb = 0; sb < subbands; ++sb) {
    // The long part of any block with the mixed flag (start and stop blocks
    // too) takes the normal window, as the reference decoder does.
    int type = g.mixed && sb < mixedSubbands ? 0 : g.blockType;
    if (sb < active)
      Imdct(buf, lines + 18 * sb, overlap + 18 * sb, type);
    else
      Silent(buf, overlap + 18 * sb);
    float* o = out + sb;
    if (sb & 1) {
      for (int i = 0; i < 18; i += 2) {
        o[32 * i] = buf[i];
        o[32 * i + 32] = -buf[i + 1];
      }
    } else {
      for (int i = 0; i < 18; ++i) o[32 * i] = buf[i];
    }
  }
}
