// Layer III hybrid filter: anti-alias butterflies and line gains here, then
// the IMDCT with windowing, overlap-add and frequency inversion in the kernels.
#include <algorithm>

#include "audio/mpeg/decodetables.h"
#include "audio/mpeg/decoder.h"
#include "audio/mpeg/kernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void sMpegDecoder::HybridFilter(const sGranuleInfo& g, float* out, float* overlap, float* lines, int bound) {
  using mpegtab::kAliasCa;
  using mpegtab::kAliasCs;
  int subbands = 32 >> DownShift;
  int longSubbands = g.blockType != 2 ? subbands : g.mixed ? ShortBands[3] / 18 : 0;
  if (longSubbands > subbands) longSubbands = subbands;
  int sb = 1;
#if defined(__SSE2__)
  // Lines below a boundary taken in reverse order, four at a time.
  const __m128 cs0 = _mm_loadu_ps(kAliasCs), cs1 = _mm_loadu_ps(kAliasCs + 4);
  const __m128 ca0 = _mm_loadu_ps(kAliasCa), ca1 = _mm_loadu_ps(kAliasCa + 4);
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
      lo[-i] = a * kAliasCs[i] - b * kAliasCa[i];
      hi[i] = b * kAliasCs[i] + a * kAliasCa[i];
    }
  }
  if (LineGainsEnabled) {
    int n = 18 * subbands;
    int split = 18 * longSubbands;
    for (int i = 0; i < split; ++i) lines[i] *= ShortLineGains[i / 3];
    for (int i = split; i < n; ++i) lines[i] *= LineGains[i];
  }
  // Subbands above the last non-zero line only release their overlap; the
  // anti-alias step may have carried lines one subband beyond the bound.
  int last = std::min(18 * subbands, bound + 18) - 1;
  while (last >= 0 && lines[last] == 0.0f) --last;
  int active = last < 0 ? 0 : last / 18 + 1;
  int mixedSubbands = g.mixed ? ShortBands[3] / 18 : 0;
  Kernels->Hybrid(lines, overlap, out, subbands, active, g.blockType, mixedSubbands);
}
