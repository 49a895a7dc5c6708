// Float vectors for the decoder's kernels: a portable one of four plain
// floats, SSE2's four lanes and AVX2's eight. The kernels are templates over
// these types; each type exists only where the translation unit is compiled
// for its instructions. Every operation rounds as its scalar form does and
// nothing is fused (the kernel files are compiled without contraction), so
// all paths give the same bits: lanes change only how many values go at once.
//
// Everything here has internal linkage (an unnamed namespace): the kernel
// files are compiled with different instruction sets, and no inline function
// of one may stand in for another's at link time.
#pragma once
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__AVX2__)
#include <immintrin.h>
#define MPEG_SIMD_AVX2 1
#endif

#if defined(__GNUC__)
#define MPEG_INLINE inline __attribute__((always_inline))
#else
#define MPEG_INLINE inline
#endif

namespace {

// Four floats in plain C++: the path for targets without x86 vectors.
struct sPortable {
  static constexpr int kLanes = 4;
  static constexpr const char* kName = "portable";
  float v[4];

  static MPEG_INLINE sPortable Load(const float* p) {
    sPortable r;
    for (int i = 0; i < 4; ++i) r.v[i] = p[i];
    return r;
  }
  MPEG_INLINE void Store(float* p) const {
    for (int i = 0; i < 4; ++i) p[i] = v[i];
  }
  static MPEG_INLINE sPortable Set1(float f) { return {{f, f, f, f}}; }
  static MPEG_INLINE sPortable Zero() { return Set1(0.0f); }
  friend MPEG_INLINE sPortable operator+(sPortable a, sPortable b) {
    for (int i = 0; i < 4; ++i) a.v[i] += b.v[i];
    return a;
  }
  friend MPEG_INLINE sPortable operator-(sPortable a, sPortable b) {
    for (int i = 0; i < 4; ++i) a.v[i] -= b.v[i];
    return a;
  }
  friend MPEG_INLINE sPortable operator*(sPortable a, sPortable b) {
    for (int i = 0; i < 4; ++i) a.v[i] *= b.v[i];
    return a;
  }
  // a x b + c, rounded after the multiplication and after the addition.
  static MPEG_INLINE sPortable MulAdd(sPortable a, sPortable b, sPortable c) { return a * b + c; }
  // The lanes of `a` whose lane of `mask` is set (all bits), else of `b`.
  static MPEG_INLINE sPortable Select(sPortable mask, sPortable a, sPortable b) {
    sPortable r;
    for (int i = 0; i < 4; ++i) {
      unsigned m;
      std::memcpy(&m, &mask.v[i], 4);
      r.v[i] = m ? a.v[i] : b.v[i];
    }
    return r;
  }
  // Negates the odd lanes.
  MPEG_INLINE sPortable NegateOdd() const { return {{v[0], -v[1], v[2], -v[3]}}; }
  MPEG_INLINE sPortable Reverse() const { return {{v[3], v[2], v[1], v[0]}}; }
  MPEG_INLINE float Sum() const { return (v[0] + v[2]) + (v[1] + v[3]); }
  // 16-bit PCM of four samples, as the decoder converts: truncated toward
  // zero, clamped, NaN as 0; of one channel or two interleaved.
  static MPEG_INLINE int16_t Pcm16(float v) {
    if (!(v > -32768.0f)) return v != v ? 0 : -32768;
    if (v > 32767.0f) return 32767;
    return int16_t(v);
  }
  static MPEG_INLINE void Pcm16(const float* left, const float* right, uint8_t* dest) {
    int16_t s[8];
    int n = right ? 8 : 4;
    for (int i = 0; i < 4; ++i) {
      if (right) {
        s[2 * i] = Pcm16(left[i]);
        s[2 * i + 1] = Pcm16(right[i]);
      } else {
        s[i] = Pcm16(left[i]);
      }
    }
    std::memcpy(dest, s, 2 * n);
  }
  // Four rows of four from `rows[i] + column`, as four columns.
  static MPEG_INLINE void Transpose(const float* const* rows, int column, sPortable* out) {
    for (int c = 0; c < 4; ++c)
      for (int i = 0; i < 4; ++i) out[c].v[i] = rows[i][column + c];
  }
  // The inverse: four vectors out to four rows at `rows[i] + column`.
  static MPEG_INLINE void Transpose(const sPortable* in, float* const* rows, int column) {
    for (int c = 0; c < 4; ++c)
      for (int i = 0; i < 4; ++i) rows[i][column + c] = in[c].v[i];
  }
};

#if defined(__SSE2__)
struct sSse2 {
  static constexpr int kLanes = 4;
  static constexpr const char* kName = "sse2";
  __m128 v;

  static MPEG_INLINE sSse2 Load(const float* p) { return {_mm_loadu_ps(p)}; }
  MPEG_INLINE void Store(float* p) const { _mm_storeu_ps(p, v); }
  static MPEG_INLINE sSse2 Set1(float f) { return {_mm_set1_ps(f)}; }
  static MPEG_INLINE sSse2 Zero() { return {_mm_setzero_ps()}; }
  friend MPEG_INLINE sSse2 operator+(sSse2 a, sSse2 b) { return {_mm_add_ps(a.v, b.v)}; }
  friend MPEG_INLINE sSse2 operator-(sSse2 a, sSse2 b) { return {_mm_sub_ps(a.v, b.v)}; }
  friend MPEG_INLINE sSse2 operator*(sSse2 a, sSse2 b) { return {_mm_mul_ps(a.v, b.v)}; }
  static MPEG_INLINE sSse2 MulAdd(sSse2 a, sSse2 b, sSse2 c) { return {_mm_add_ps(_mm_mul_ps(a.v, b.v), c.v)}; }
  static MPEG_INLINE sSse2 Select(sSse2 mask, sSse2 a, sSse2 b) {
    return {_mm_or_ps(_mm_and_ps(mask.v, a.v), _mm_andnot_ps(mask.v, b.v))};
  }
  MPEG_INLINE sSse2 NegateOdd() const { return {_mm_xor_ps(v, _mm_setr_ps(0.0f, -0.0f, 0.0f, -0.0f))}; }
  MPEG_INLINE sSse2 Reverse() const { return {_mm_shuffle_ps(v, v, _MM_SHUFFLE(0, 1, 2, 3))}; }
  MPEG_INLINE float Sum() const {
    __m128 s = _mm_add_ps(v, _mm_movehl_ps(v, v));
    return _mm_cvtss_f32(_mm_add_ss(s, _mm_shuffle_ps(s, s, 1)));
  }
  // Clamped above, NaN as 0: below -32768 the conversion's own overflow value
  // saturates to -32768 as it should.
  static MPEG_INLINE __m128i ToInt(__m128 v) {
    v = _mm_min_ps(_mm_and_ps(v, _mm_cmpord_ps(v, v)), _mm_set1_ps(32767.0f));
    return _mm_cvttps_epi32(v);
  }
  static MPEG_INLINE void Pcm16(const float* left, const float* right, uint8_t* dest) {
    __m128i a = ToInt(_mm_loadu_ps(left));
    if (right) {
      __m128i b = ToInt(_mm_loadu_ps(right));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dest), _mm_packs_epi32(_mm_unpacklo_epi32(a, b), _mm_unpackhi_epi32(a, b)));
    } else {
      _mm_storel_epi64(reinterpret_cast<__m128i*>(dest), _mm_packs_epi32(a, a));
    }
  }
  static MPEG_INLINE void Transpose(const float* const* rows, int column, sSse2* out) {
    __m128 r0 = _mm_loadu_ps(rows[0] + column), r1 = _mm_loadu_ps(rows[1] + column);
    __m128 r2 = _mm_loadu_ps(rows[2] + column), r3 = _mm_loadu_ps(rows[3] + column);
    _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
    out[0].v = r0;
    out[1].v = r1;
    out[2].v = r2;
    out[3].v = r3;
  }
  static MPEG_INLINE void Transpose(const sSse2* in, float* const* rows, int column) {
    __m128 r0 = in[0].v, r1 = in[1].v, r2 = in[2].v, r3 = in[3].v;
    _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
    _mm_storeu_ps(rows[0] + column, r0);
    _mm_storeu_ps(rows[1] + column, r1);
    _mm_storeu_ps(rows[2] + column, r2);
    _mm_storeu_ps(rows[3] + column, r3);
  }
};
#endif

#if defined(MPEG_SIMD_AVX2)
struct sAvx2 {
  static constexpr int kLanes = 8;
  static constexpr const char* kName = "avx2";
  __m256 v;

  static MPEG_INLINE sAvx2 Load(const float* p) { return {_mm256_loadu_ps(p)}; }
  MPEG_INLINE void Store(float* p) const { _mm256_storeu_ps(p, v); }
  static MPEG_INLINE sAvx2 Set1(float f) { return {_mm256_set1_ps(f)}; }
  static MPEG_INLINE sAvx2 Zero() { return {_mm256_setzero_ps()}; }
  friend MPEG_INLINE sAvx2 operator+(sAvx2 a, sAvx2 b) { return {_mm256_add_ps(a.v, b.v)}; }
  friend MPEG_INLINE sAvx2 operator-(sAvx2 a, sAvx2 b) { return {_mm256_sub_ps(a.v, b.v)}; }
  friend MPEG_INLINE sAvx2 operator*(sAvx2 a, sAvx2 b) { return {_mm256_mul_ps(a.v, b.v)}; }
  static MPEG_INLINE sAvx2 MulAdd(sAvx2 a, sAvx2 b, sAvx2 c) { return {_mm256_add_ps(_mm256_mul_ps(a.v, b.v), c.v)}; }
  static MPEG_INLINE sAvx2 Select(sAvx2 mask, sAvx2 a, sAvx2 b) { return {_mm256_blendv_ps(b.v, a.v, mask.v)}; }
  MPEG_INLINE sAvx2 NegateOdd() const {
    return {_mm256_xor_ps(v, _mm256_setr_ps(0.0f, -0.0f, 0.0f, -0.0f, 0.0f, -0.0f, 0.0f, -0.0f))};
  }
  MPEG_INLINE sAvx2 Reverse() const { return {_mm256_permutevar8x32_ps(v, _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0))}; }
  MPEG_INLINE float Sum() const {
    __m128 s = _mm_add_ps(_mm256_castps256_ps128(v), _mm256_extractf128_ps(v, 1));
    s = _mm_add_ps(s, _mm_movehl_ps(s, s));
    return _mm_cvtss_f32(_mm_add_ss(s, _mm_shuffle_ps(s, s, 1)));
  }
  static MPEG_INLINE __m256i ToInt(__m256 v) {
    v = _mm256_min_ps(_mm256_and_ps(v, _mm256_cmp_ps(v, v, _CMP_ORD_Q)), _mm256_set1_ps(32767.0f));
    return _mm256_cvttps_epi32(v);
  }
  static MPEG_INLINE void Pcm16(const float* left, const float* right, uint8_t* dest) {
    __m256i a = ToInt(_mm256_loadu_ps(left));
    if (right) {
      // Interleaved within each 128-bit half, then packed half by half: in order.
      __m256i b = ToInt(_mm256_loadu_ps(right));
      __m256i pairs = _mm256_packs_epi32(_mm256_unpacklo_epi32(a, b), _mm256_unpackhi_epi32(a, b));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(dest), pairs);
    } else {
      __m128i lo = _mm256_castsi256_si128(a), hi = _mm256_extracti128_si256(a, 1);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dest), _mm_packs_epi32(lo, hi));
    }
  }
  static MPEG_INLINE void Transpose8(__m256* r) {
    __m256 t0 = _mm256_unpacklo_ps(r[0], r[1]), t1 = _mm256_unpackhi_ps(r[0], r[1]);
    __m256 t2 = _mm256_unpacklo_ps(r[2], r[3]), t3 = _mm256_unpackhi_ps(r[2], r[3]);
    __m256 t4 = _mm256_unpacklo_ps(r[4], r[5]), t5 = _mm256_unpackhi_ps(r[4], r[5]);
    __m256 t6 = _mm256_unpacklo_ps(r[6], r[7]), t7 = _mm256_unpackhi_ps(r[6], r[7]);
    __m256 u0 = _mm256_shuffle_ps(t0, t2, 0x44), u1 = _mm256_shuffle_ps(t0, t2, 0xEE);
    __m256 u2 = _mm256_shuffle_ps(t1, t3, 0x44), u3 = _mm256_shuffle_ps(t1, t3, 0xEE);
    __m256 u4 = _mm256_shuffle_ps(t4, t6, 0x44), u5 = _mm256_shuffle_ps(t4, t6, 0xEE);
    __m256 u6 = _mm256_shuffle_ps(t5, t7, 0x44), u7 = _mm256_shuffle_ps(t5, t7, 0xEE);
    r[0] = _mm256_permute2f128_ps(u0, u4, 0x20);
    r[1] = _mm256_permute2f128_ps(u1, u5, 0x20);
    r[2] = _mm256_permute2f128_ps(u2, u6, 0x20);
    r[3] = _mm256_permute2f128_ps(u3, u7, 0x20);
    r[4] = _mm256_permute2f128_ps(u0, u4, 0x31);
    r[5] = _mm256_permute2f128_ps(u1, u5, 0x31);
    r[6] = _mm256_permute2f128_ps(u2, u6, 0x31);
    r[7] = _mm256_permute2f128_ps(u3, u7, 0x31);
  }
  static MPEG_INLINE void Transpose(const float* const* rows, int column, sAvx2* out) {
    __m256 r[8];
    for (int i = 0; i < 8; ++i) r[i] = _mm256_loadu_ps(rows[i] + column);
    Transpose8(r);
    for (int i = 0; i < 8; ++i) out[i].v = r[i];
  }
  static MPEG_INLINE void Transpose(const sAvx2* in, float* const* rows, int column) {
    __m256 r[8];
    for (int i = 0; i < 8; ++i) r[i] = in[i].v;
    Transpose8(r);
    for (int i = 0; i < 8; ++i) _mm256_storeu_ps(rows[i] + column, r[i]);
  }
};
#endif

}  // namespace
