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

// out[k] = sum over s of m[s][k] x in[s], k < n.
inline void Matrix(const float* m, const float* in, float* out, int n) {
#if defined(__SSE2__)
  for (int k = 0; k < n; k += 4) {
    __m128 acc = _mm_setzero_ps();
    for (int s = 0; s < n; ++s)
      acc = _mm_add_ps(acc, _mm_mul_ps(_mm_loadu_ps(m + s * n + k), _mm_set1_ps(in[s])));
    _mm_storeu_ps(out + k, acc);
  }
#else
  for (int k = 0; k < n; ++k) out[k] = 0.0f;
  for (int s = 0; s < n; ++s)
    for (int k = 0; k < n; ++k) out[k] += m[s * n + k] * in[s];
#endif
}

inline float Dot16(const float* a, const float* b) {
#if defined(__SSE2__)
  __m128 s = _mm_mul_ps(_mm_loadu_ps(a), _mm_loadu_ps(b));
  s = _mm_add_ps(s, _mm_mul_ps(_mm_loadu_ps(a + 4), _mm_loadu_ps(b + 4)));
  s = _mm_add_ps(s, _mm_mul_ps(_mm_loadu_ps(a + 8), _mm_loadu_ps(b + 8)));
  s = _mm_add_ps(s, _mm_mul_ps(_mm_loadu_ps(a + 12), _mm_loadu_ps(b + 12)));
  s = _mm_add_ps(s, _mm_movehl_ps(s, s));
  s = _mm_add_ss(s, _mm_shuffle_ps(s, s, 1));
  return _mm_cvtss_f32(s);
#else
  float s = 0.0f;
  for (int k = 0; k < 16; ++k) s += a[k] * b[k];
  return s;
#endif
}

inline int16_t ToPcm16(float v) {
  // Clamp in float first: converting NaN or huge values is undefined.
  if (!(v > -32768.0f)) return v != v ? 0 : -32768;
  if (v > 32767.0f) return 32767;
  return int16_t(v);
}

}  // namespace

void sMpegDecoder::ClearSynthesis() {
  std::memset(SynthBuf, 0, sizeof SynthBuf);
  SynthOffset = 0;
}

void sMpegDecoder::InitSynthesis() {
  const sDecodeTables& t = DecodeTables();
  WindowP = t.WindowP[StandardWindow ? 1 : 0][DownShift];
  WindowQ = t.WindowQ[StandardWindow ? 1 : 0][DownShift];
  ClearSynthesis();
  ConfigureChannels();
}

void sMpegDecoder::Synthesize(uint8_t* dest) {
  const sDecodeTables& t = DecodeTables();
  const int n = 32 >> DownShift;
  const int half = n / 2;
  const int N = 16 >> DownShift;
  const float* dct = DownShift == 0 ? &t.Dct32[0][0] : DownShift == 1 ? &t.Dct16[0][0] : &t.Dct8[0][0];
  bool stereoSynth = SynthChannels == 2;
  bool scaleRight = !MixToMono && StreamChannels != 1;
  float pcm[2][32];
  for (int slot = 0; slot < 36; ++slot) {
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
    int o = SynthOffset;
    int off = 16 - (o | 1);
    for (int ch = 0; ch < (stereoSynth ? 2 : 1); ++ch) {
      float x[32];
      Matrix(dct, ch ? R : L, x, n);
      float* h1 = SynthBuf[ch][o & 1] + ((o + 1) & 14);
      for (int k = 0; k <= half; ++k) h1[16 * k] = x[half - k];
      float* h2 = SynthBuf[ch][(o + 1) & 1] + (o | 1);
      for (int k = 0; k < half; ++k) h2[16 * k] = x[half + k];
      const float* b = SynthBuf[ch][(o + 1) & 1];
      const float* p = WindowP + off;
      const float* q = WindowQ + off;
      float* out = pcm[ch];
      for (int j = 0; j <= N; ++j) out[j] = Dot16(p + 32 * j, b + 16 * j);
      for (int j = 1; j < N; ++j) out[2 * N - j] = -Dot16(q + 32 * j, b + 16 * j);
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
