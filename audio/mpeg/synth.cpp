// Polyphase synthesis: matrixing into the rotating buffers, windowing and
// PCM output.
#include <cmath>
#include <cstring>

#include "audio/mpeg/decodetables.h"
#include "audio/mpeg/decoder.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// DCT-II of N points, X[k] = sum over s of cos(k (2s + 1) pi / 2N) x[s], by
// halving: sums give the even outputs, scaled differences the odd ones.
#if defined(__GNUC__)
#define MPEG_INLINE inline __attribute__((always_inline))
#else
#define MPEG_INLINE inline
#endif

template <int N>
MPEG_INLINE void Dct(const float* x, float* X, const float* coef) {
  if constexpr (N == 1) {
    X[0] = x[0];
  } else {
    float a[N / 2], b[N / 2], A[N / 2], B[N / 2];
    const float* c = coef + N / 2;
    for (int s = 0; s < N / 2; ++s) {
      a[s] = x[s] + x[N - 1 - s];
      b[s] = (x[s] - x[N - 1 - s]) * c[s];
    }
    Dct<N / 2>(a, A, coef);
    Dct<N / 2>(b, B, coef);
    for (int k = 0; k < N / 2 - 1; ++k) {
      X[2 * k] = A[k];
      X[2 * k + 1] = B[k] + B[k + 1];
    }
    X[N - 2] = A[N / 2 - 1];
    X[N - 1] = B[N / 2 - 1];
  }
}

#if defined(__SSE2__)
// The same DCT on four slots at once, one slot per lane: the arithmetic of
// each lane is that of Dct, so results do not depend on the grouping.
template <int N>
MPEG_INLINE void DctX4(const __m128* x, __m128* X, const float* coef) {
  if constexpr (N == 1) {
    X[0] = x[0];
  } else {
    __m128 a[N / 2], b[N / 2], A[N / 2], B[N / 2];
    const float* c = coef + N / 2;
    for (int s = 0; s < N / 2; ++s) {
      a[s] = _mm_add_ps(x[s], x[N - 1 - s]);
      b[s] = _mm_mul_ps(_mm_sub_ps(x[s], x[N - 1 - s]), _mm_set1_ps(c[s]));
    }
    DctX4<N / 2>(a, A, coef);
    DctX4<N / 2>(b, B, coef);
    for (int k = 0; k < N / 2 - 1; ++k) {
      X[2 * k] = A[k];
      X[2 * k + 1] = _mm_add_ps(B[k], B[k + 1]);
    }
    X[N - 2] = A[N / 2 - 1];
    X[N - 1] = B[N / 2 - 1];
  }
}

// DCT of n points (8, 16 or 32) of four consecutive slots of 32 lines.
template <int N>
void DctSlots4(const float* in, float (*out)[32], const float* coef) {
  __m128 x[N], X[N];
  for (int g = 0; g < N; g += 4) {
    __m128 r0 = _mm_loadu_ps(in + g), r1 = _mm_loadu_ps(in + 32 + g);
    __m128 r2 = _mm_loadu_ps(in + 64 + g), r3 = _mm_loadu_ps(in + 96 + g);
    _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
    x[g] = r0;
    x[g + 1] = r1;
    x[g + 2] = r2;
    x[g + 3] = r3;
  }
  DctX4<N>(x, X, coef);
  for (int g = 0; g < N; g += 4) {
    __m128 r0 = X[g], r1 = X[g + 1], r2 = X[g + 2], r3 = X[g + 3];
    _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
    _mm_storeu_ps(out[0] + g, r0);
    _mm_storeu_ps(out[1] + g, r1);
    _mm_storeu_ps(out[2] + g, r2);
    _mm_storeu_ps(out[3] + g, r3);
  }
}
#endif

// Four 16-term dot products: a + 32 j with b + 16 j, j = 0..3.
#if defined(__SSE2__)
inline __m128 Dot4x16(const float* a, const float* b) {
  __m128 s[4];
  for (int j = 0; j < 4; ++j) {
    const float* p = a + 32 * j;
    const float* q = b + 16 * j;
    __m128 acc = _mm_mul_ps(_mm_loadu_ps(p), _mm_loadu_ps(q));
    acc = _mm_add_ps(acc, _mm_mul_ps(_mm_loadu_ps(p + 4), _mm_loadu_ps(q + 4)));
    acc = _mm_add_ps(acc, _mm_mul_ps(_mm_loadu_ps(p + 8), _mm_loadu_ps(q + 8)));
    acc = _mm_add_ps(acc, _mm_mul_ps(_mm_loadu_ps(p + 12), _mm_loadu_ps(q + 12)));
    s[j] = acc;
  }
  _MM_TRANSPOSE4_PS(s[0], s[1], s[2], s[3]);
  return _mm_add_ps(_mm_add_ps(s[0], s[1]), _mm_add_ps(s[2], s[3]));
}
#endif

inline float Dot16(const float* a, const float* b) {
  float s = 0.0f;
  for (int k = 0; k < 16; ++k) s += a[k] * b[k];
  return s;
}

// Both window sums of rows j = 0 .. rows - 1: forward (p) and backward (q)
// rows share the buffer rows they multiply.
inline void WindowRows(const float* p, const float* q, const float* b, int rows, float* fwd,
                       float* back) {
  int j = 0;
#if defined(__SSE2__)
  for (; j + 4 <= rows; j += 4) {
    __m128 sp[4], sq[4];
    for (int r = 0; r < 4; ++r) {
      const float* pr = p + 32 * (j + r);
      const float* qr = q + 32 * (j + r);
      const float* br = b + 16 * (j + r);
      __m128 b0 = _mm_loadu_ps(br), b1 = _mm_loadu_ps(br + 4);
      __m128 b2 = _mm_loadu_ps(br + 8), b3 = _mm_loadu_ps(br + 12);
      __m128 ap = _mm_mul_ps(_mm_loadu_ps(pr), b0);
      __m128 aq = _mm_mul_ps(_mm_loadu_ps(qr), b0);
      ap = _mm_add_ps(ap, _mm_mul_ps(_mm_loadu_ps(pr + 4), b1));
      aq = _mm_add_ps(aq, _mm_mul_ps(_mm_loadu_ps(qr + 4), b1));
      ap = _mm_add_ps(ap, _mm_mul_ps(_mm_loadu_ps(pr + 8), b2));
      aq = _mm_add_ps(aq, _mm_mul_ps(_mm_loadu_ps(qr + 8), b2));
      ap = _mm_add_ps(ap, _mm_mul_ps(_mm_loadu_ps(pr + 12), b3));
      aq = _mm_add_ps(aq, _mm_mul_ps(_mm_loadu_ps(qr + 12), b3));
      sp[r] = ap;
      sq[r] = aq;
    }
    _MM_TRANSPOSE4_PS(sp[0], sp[1], sp[2], sp[3]);
    _MM_TRANSPOSE4_PS(sq[0], sq[1], sq[2], sq[3]);
    _mm_storeu_ps(fwd + j, _mm_add_ps(_mm_add_ps(sp[0], sp[1]), _mm_add_ps(sp[2], sp[3])));
    _mm_storeu_ps(back + j, _mm_add_ps(_mm_add_ps(sq[0], sq[1]), _mm_add_ps(sq[2], sq[3])));
  }
  // The last row's backward sum is never used.
  for (; j < rows; ++j) {
    const float* pr = p + 32 * j;
    const float* br = b + 16 * j;
    __m128 ap = _mm_mul_ps(_mm_loadu_ps(pr), _mm_loadu_ps(br));
    ap = _mm_add_ps(ap, _mm_mul_ps(_mm_loadu_ps(pr + 4), _mm_loadu_ps(br + 4)));
    ap = _mm_add_ps(ap, _mm_mul_ps(_mm_loadu_ps(pr + 8), _mm_loadu_ps(br + 8)));
    ap = _mm_add_ps(ap, _mm_mul_ps(_mm_loadu_ps(pr + 12), _mm_loadu_ps(br + 12)));
    // Summed as the four-row path sums its lanes.
    __m128 pairs = _mm_add_ps(ap, _mm_shuffle_ps(ap, ap, _MM_SHUFFLE(2, 3, 0, 1)));
    fwd[j] = _mm_cvtss_f32(_mm_add_ss(pairs, _mm_movehl_ps(pairs, pairs)));
  }
#else
  for (; j < rows; ++j) {
    fwd[j] = Dot16(p + 32 * j, b + 16 * j);
    back[j] = Dot16(q + 32 * j, b + 16 * j);
  }
#endif
}

inline int16_t ToPcm16(float v) {
  // Clamp in float first: converting NaN or huge values is undefined.
  if (!(v > -32768.0f)) return v != v ? 0 : -32768;
  if (v > 32767.0f) return 32767;
  return int16_t(v);
}

#if defined(__SSE2__)
// Four samples as ToPcm16 converts them, as 32-bit integers.
inline __m128i ToPcm16x4(__m128 v) {
  v = _mm_and_ps(v, _mm_cmpord_ps(v, v));
  v = _mm_min_ps(_mm_max_ps(v, _mm_set1_ps(-32768.0f)), _mm_set1_ps(32767.0f));
  return _mm_cvttps_epi32(v);
}
#endif

}  // namespace

void sMpegDecoder::ClearSynthesis() {
  std::memset(SynthBuf, 0, sizeof SynthBuf);
  SynthOffset = 0;
}

void sMpegDecoder::InitSynthesis() {
  const float* w = mpegtab::kSynthesisWindow[StandardWindow ? 1 : 0];
  int rows = 32 >> DownShift;
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < 32; ++c) {
      float v = w[32 * c + (r << DownShift)];
      if (c & 2) v = -v;
      WindowP[32 * r + c] = (c & 1) ? v : -v;
      WindowQ[32 * r + 31 - c] = v;
    }
  ClearSynthesis();
  ConfigureChannels();
}

void sMpegDecoder::Synthesize(uint8_t* dest) {
  const int n = 32 >> DownShift;
  const int half = n / 2;
  const int N = 16 >> DownShift;
  bool stereoSynth = SynthChannels == 2;
  bool scaleRight = !MixToMono && StreamChannels != 1;
  float pcm[2][32];
  const int channels = stereoSynth ? 2 : 1;
  // Four slots per pass: their controls and DCTs first, then the window sums
  // one slot after the other (each slot's sums need the buffer as it writes it).
  alignas(16) float dct[2][4][32];
  for (int group = 0; group < 36; group += 4) {
  for (int slot = group; slot < group + 4; ++slot) {
    float* L = Subband[0] + slot * 32;
    float* R = Subband[1] + slot * 32;
    if (!MixEnabled) {
      if (MixToMono)
        for (int i = 0; i < n; ++i) L[i] = (L[i] + R[i]) * 0.5f;
    } else if (MixToMono) {
      for (int i = 0; i < n; ++i) L[i] = L[i] * Mix[6] + R[i] * Mix[7];
    } else if (StreamChannels != 2) {
      for (int i = 0; i < n; ++i) L[i] *= Mix[8];
    } else {
      for (int i = 0; i < n; ++i) {
        float a = L[i], b = R[i];
        L[i] = a * Mix[0] + b * Mix[1];
        R[i] = a * Mix[3] + b * Mix[4];
      }
    }
    if (Volume != 1.0f) {
      for (int i = 0; i < n; ++i) L[i] *= Volume;
      if (scaleRight)
        for (int i = 0; i < n; ++i) R[i] *= Volume;
    }
    if (BandGainsEnabled) {
      for (int i = 0; i < n; ++i) L[i] *= BandGains[i];
      if (scaleRight)
        for (int i = 0; i < n; ++i) R[i] *= BandGains[i];
    }
  }
  for (int ch = 0; ch < channels; ++ch) {
    const float* in = Subband[ch] + group * 32;
#if defined(__SSE2__)
    if (DownShift == 0)
      DctSlots4<32>(in, dct[ch], mpegtab::kDctCoef);
    else if (DownShift == 1)
      DctSlots4<16>(in, dct[ch], mpegtab::kDctCoef);
    else
      DctSlots4<8>(in, dct[ch], mpegtab::kDctCoef);
#else
    for (int k = 0; k < 4; ++k) {
      if (DownShift == 0)
        Dct<32>(in + 32 * k, dct[ch][k], mpegtab::kDctCoef);
      else if (DownShift == 1)
        Dct<16>(in + 32 * k, dct[ch][k], mpegtab::kDctCoef);
      else
        Dct<8>(in + 32 * k, dct[ch][k], mpegtab::kDctCoef);
    }
#endif
  }
  for (int slot = group; slot < group + 4; ++slot) {
    int o = SynthOffset;
    int off = 16 - (o | 1);
    for (int ch = 0; ch < channels; ++ch) {
      const float* x = dct[ch][slot - group];
      float* h1 = SynthBuf[ch][o & 1] + ((o + 1) & 14);
      for (int k = 0; k <= half; ++k) h1[16 * k] = x[half - k];
      float* h2 = SynthBuf[ch][(o + 1) & 1] + (o | 1);
      for (int k = 0; k < half; ++k) h2[16 * k] = x[half + k];
      const float* b = SynthBuf[ch][(o + 1) & 1];
      const float* p = WindowP + off;
      const float* q = WindowQ + off;
      float* out = pcm[ch];
      float back[20];
      WindowRows(p, q, b, N + 1, out, back);
#if defined(__SSE2__)
      if (N == 16) {
        // out[32 - j] = -back[j], four at a time; out[16] is kept.
        const __m128 sign = _mm_set1_ps(-0.0f);
        float keep = out[16];
        back[16] = 0.0f;  // not summed
        for (int k = 16; k < 32; k += 4) {
          __m128 v = _mm_loadu_ps(back + (29 - k));  // back + 29 would point past the array
          v = _mm_shuffle_ps(v, v, _MM_SHUFFLE(0, 1, 2, 3));
          _mm_storeu_ps(out + k, _mm_xor_ps(v, sign));
        }
        out[16] = keep;
      } else
#endif
      for (int j = 1; j < N; ++j) out[2 * N - j] = -back[j];
    }
    SynthOffset = (o - 1) & 15;
    if (!dest) continue;
    int count = 2 * N;
    const float* s = pcm[0];
    const float* u = stereoSynth ? pcm[1] : pcm[0];
    float ml = 1.0f, mr = 1.0f;
    if (MonoToBoth && MixEnabled) {
      ml = Mix[2];
      mr = Mix[5];
    }
    bool two = OutChannels == 2;
    // Staged locally: the caller's buffer need not be aligned.
    union {
      int16_t i16[64];
      float f32[64];
    } stage;
    if (BytesPerSample == 2) {
      int16_t* d = stage.i16;
#if defined(__SSE2__)
      if (two && !MonoToBoth) {
        for (int i = 0; i < count; i += 4) {
          __m128i a = ToPcm16x4(_mm_loadu_ps(s + i)), b = ToPcm16x4(_mm_loadu_ps(u + i));
          _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 2 * i),
                           _mm_packs_epi32(_mm_unpacklo_epi32(a, b), _mm_unpackhi_epi32(a, b)));
        }
      } else if (!two) {
        for (int i = 0; i < count; i += 4) {
          __m128i a = ToPcm16x4(_mm_loadu_ps(s + i));
          _mm_storel_epi64(reinterpret_cast<__m128i*>(d + i), _mm_packs_epi32(a, a));
        }
      } else
#endif
      if (!two) {
        for (int i = 0; i < count; ++i) d[i] = ToPcm16(s[i]);
      } else if (MonoToBoth) {
        for (int i = 0; i < count; ++i) {
          d[2 * i] = ToPcm16(s[i] * ml);
          d[2 * i + 1] = ToPcm16(s[i] * mr);
        }
      } else {
        for (int i = 0; i < count; ++i) {
          d[2 * i] = ToPcm16(s[i]);
          d[2 * i + 1] = ToPcm16(u[i]);
        }
      }
    } else {
      float* d = stage.f32;
      if (!two) {
        std::memcpy(d, s, count * sizeof(float));
      } else if (MonoToBoth) {
        for (int i = 0; i < count; ++i) {
          d[2 * i] = s[i] * ml;
          d[2 * i + 1] = s[i] * mr;
        }
      } else {
        for (int i = 0; i < count; ++i) {
          d[2 * i] = s[i];
          d[2 * i + 1] = u[i];
        }
      }
    }
    int bytes = count * BytesPerSample * (two ? 2 : 1);
    std::memcpy(dest, &stage, bytes);
    dest += bytes;
  }
  }
}
