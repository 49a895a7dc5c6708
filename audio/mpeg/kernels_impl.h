// The kernels of kernels.h as templates over a vector type of simd.h; each
// kernel file instantiates them for the types its instruction set allows.
// Internal linkage throughout (see simd.h).
#pragma once
#include "audio/mpeg/decodetables.h"
#include "audio/mpeg/kernels.h"
#include "audio/mpeg/simd.h"

namespace {

template <class V>
struct sKernels {
  static constexpr int L = V::kLanes;

  static MPEG_INLINE V C(float f) { return V::Set1(f); }

  // ---- IMDCT ----

  // The 9-point DCT-III, T[m] = sum of u[j] cos(j (2m + 1) pi / 18), of
  // u[j] = x[2j]: even and odd j give T[m] and T[8 - m] together.
  static MPEG_INLINE void Dct9(const V* x, V* T) {
    using mpegtab::kCos9;
    V ev[5], od[4];
    for (int m = 0; m < 5; ++m) {
      V e = V::MulAdd(x[4], C(kCos9[2][m]), x[0]);
      e = V::MulAdd(x[8], C(kCos9[4][m]), e);
      e = V::MulAdd(x[12], C(kCos9[6][m]), e);
      ev[m] = V::MulAdd(x[16], C(kCos9[8][m]), e);
    }
    for (int m = 0; m < 4; ++m) {
      V o = x[2] * C(kCos9[1][m]);
      o = V::MulAdd(x[6], C(kCos9[3][m]), o);
      o = V::MulAdd(x[10], C(kCos9[5][m]), o);
      od[m] = V::MulAdd(x[14], C(kCos9[7][m]), o);
    }
    for (int m = 0; m < 4; ++m) {
      T[m] = ev[m] + od[m];
      T[8 - m] = ev[m] - od[m];
    }
    T[4] = ev[4];
  }

  // The 36-point IMDCT of 18 inputs (modified), windowed: z[0..35]. As an
  // 18-point DCT-IV: running sums turn it into a DCT-III whose even and odd
  // inputs are two 9-point transforms; the odd half carries the twiddles
  // 0.5 / cos((2m + 1) pi / 36) and each output the window and the DCT-IV's
  // own 0.5 / cos((2m + 1) pi / 72) (kImdctWindow).
  static MPEG_INLINE void Halves(V* X, V* D, V* S) {
    for (int k = 17; k > 0; --k) X[k] = X[k] + X[k - 1];
    for (int k = 17; k > 2; k -= 2) X[k] = X[k] + X[k - 2];
    V E[9], O[9];
    Dct9(X, E);
    Dct9(X + 1, O);
    for (int m = 0; m < 9; ++m) {
      V o = O[m] * C(mpegtab::kTwiddle9[m]);
      D[m] = E[m] - o;
      S[m] = E[m] + o;
    }
  }

  static MPEG_INLINE void Long(V* X, const float* win, V* z) {
    V D[9], S[9];
    Halves(X, D, S);
    for (int i = 0; i < 9; ++i) {
      z[i] = D[8 - i] * C(win[i]);
      z[9 + i] = D[i] * C(win[9 + i]);
      z[18 + i] = S[8 - i] * C(win[18 + i]);
      z[27 + i] = S[i] * C(win[27 + i]);
    }
  }

  // Slot t of the output: an IMDCT sample plus the old overlap, odd
  // subbands negated at odd slots (out and overlap at the group's subbands).
  static MPEG_INLINE void Emit(V z, float* out, const float* overlap, int t) {
    V v = z + V::Load(overlap + 32 * t);
    ((t & 1) ? v.NegateOdd() : v).Store(out + 32 * t);
  }

  // Long straight to the output and the overlap.
  static MPEG_INLINE void LongOut(V* X, const float* win, float* out, float* overlap) {
    V D[9], S[9];
    Halves(X, D, S);
    for (int i = 0; i < 9; ++i) {
      Emit(D[8 - i] * C(win[i]), out, overlap, i);
      Emit(D[i] * C(win[9 + i]), out, overlap, 9 + i);
    }
    for (int i = 0; i < 9; ++i) {
      (S[8 - i] * C(win[18 + i])).Store(overlap + 32 * i);
      (S[i] * C(win[27 + i])).Store(overlap + 32 * (9 + i));
    }
  }

  // The 3-point DCT-III.
  static MPEG_INLINE void Dct3(V a, V b, V c, V* T) {
    V h = V::MulAdd(c, C(0.5f), a);
    V p = b * C(mpegtab::kCos6);
    T[0] = h + p;
    T[1] = a - c;
    T[2] = h - p;
  }

  // Three 12-point IMDCTs (inputs interleaved by window), windowed and placed
  // at 6, 12 and 18 of the 36 outputs; the same factoring with 3-point halves.
  static MPEG_INLINE void Short(const V* X, V* z) {
    for (int i = 0; i < 36; ++i) z[i] = V::Zero();
    const float* g = mpegtab::kImdctShortWindow;
    for (int w = 0; w < 3; ++w) {
      V u[6];
      for (int k = 0; k < 6; ++k) u[k] = X[3 * k + w];
      for (int k = 5; k > 0; --k) u[k] = u[k] + u[k - 1];
      u[5] = u[5] + u[3];
      u[3] = u[3] + u[1];
      V E[3], O[3];
      Dct3(u[0], u[2], u[4], E);
      Dct3(u[1], u[3], u[5], O);
      V D[3], S[3];
      for (int m = 0; m < 3; ++m) {
        V o = O[m] * C(mpegtab::kTwiddle3[m]);
        D[m] = E[m] - o;
        S[m] = E[m] + o;
      }
      V* y = z + 6 + 6 * w;
      for (int i = 0; i < 3; ++i) {
        y[i] = y[i] + D[2 - i] * C(g[i]);
        y[3 + i] = y[3 + i] + D[i] * C(g[3 + i]);
        y[6 + i] = y[6 + i] + S[2 - i] * C(g[6 + i]);
        y[9 + i] = y[9 + i] + S[i] * C(g[9 + i]);
      }
    }
  }

  static MPEG_INLINE void Imdct(V* X, int blockType, V* z) {
    if (blockType == 2)
      Short(X, z);
    else
      Long(X, mpegtab::kImdctWindow[blockType], z);
  }

  static void Hybrid(const float* lines, float* overlap, float* out, int subbands, int active, int blockType,
                     int longSubbands) {
    for (int s0 = 0; s0 < subbands; s0 += L) {
      if (s0 >= active) {
        // No lines: the samples are the overlap alone.
        for (int t = 0; t < 18; ++t) {
          V v = V::Load(overlap + 32 * t + s0);
          ((t & 1) ? v.NegateOdd() : v).Store(out + 32 * t + s0);
          V::Zero().Store(overlap + 32 * t + s0);
        }
        continue;
      }
      // Lines of L subbands, one subband per lane.
      const float* rows[L];
      for (int i = 0; i < L; ++i) rows[i] = lines + 18 * (s0 + i);
      V X[18];
      int c = 0;
      for (; c + L <= 18; c += L) V::Transpose(rows, c, X + c);
      for (; c < 18; ++c) {
        float column[L];
        for (int i = 0; i < L; ++i) column[i] = rows[i][c];
        X[c] = V::Load(column);
      }
      if (blockType != 2 && (longSubbands <= s0 || blockType == 0)) {
        LongOut(X, mpegtab::kImdctWindow[blockType], out + s0, overlap + s0);
        continue;
      }
      V z[36];
      if (longSubbands > s0 && blockType != 0) {
        // A mixed block's long part: those lanes take the normal window.
        V Y[18], zl[36];
        for (int k = 0; k < 18; ++k) Y[k] = X[k];
        Imdct(X, blockType, z);
        Long(Y, mpegtab::kImdctWindow[0], zl);
        float bits[L];
        for (int i = 0; i < L; ++i) {
          unsigned m = s0 + i < longSubbands ? ~0u : 0u;
          std::memcpy(&bits[i], &m, 4);
        }
        V mask = V::Load(bits);
        for (int i = 0; i < 36; ++i) z[i] = V::Select(mask, zl[i], z[i]);
      } else {
        Imdct(X, blockType, z);
      }
      for (int t = 0; t < 18; ++t) {
        Emit(z[t], out + s0, overlap + s0, t);
        z[18 + t].Store(overlap + 32 * t + s0);
      }
    }
  }

  // ---- Synthesis ----

  // DCT-II of N points, X[k] = sum over s of cos(k (2s + 1) pi / 2N) x[s], by
  // halving: sums give the even outputs, scaled differences the odd ones.
  template <int N>
  static MPEG_INLINE void Dct(const V* x, V* X) {
    if constexpr (N == 1) {
      X[0] = x[0];
    } else {
      V a[N / 2], b[N / 2], A[N / 2], B[N / 2];
      const float* c = mpegtab::kDctCoef + N / 2;
      for (int s = 0; s < N / 2; ++s) {
        a[s] = x[s] + x[N - 1 - s];
        b[s] = (x[s] - x[N - 1 - s]) * C(c[s]);
      }
      Dct<N / 2>(a, A);
      Dct<N / 2>(b, B);
      for (int k = 0; k < N / 2 - 1; ++k) {
        X[2 * k] = A[k];
        X[2 * k + 1] = B[k] + B[k + 1];
      }
      X[N - 2] = A[N / 2 - 1];
      X[N - 1] = B[N / 2 - 1];
    }
  }

  // The 2N samples of one slot from the half that the slot's matrixing
  // completed: N + 1 forward sums, N - 1 backward ones, 8 rows a time.
  template <int N>
  static MPEG_INLINE void Window(const sSynthState* st, const sSynthWindow* w, int o, float* pcm) {
    constexpr int nv = (N + L - 1) / L;
    const int h = (o + 1) & 1, off = 16 - (o | 1), boff = (o | 1) + 15;
    const float(*b)[16] = st->columns[h];
    V f0[nv], f1[nv], b0[nv], b1[nv];
    for (int v = 0; v < nv; ++v) {
      V x = V::Load(b[0] + L * v), y = V::Load(b[1] + L * v);
      f0[v] = V::Load(w->fwd[off] + L * v) * x;
      b0[v] = V::Load(w->back[boff] + L * v) * x;
      f1[v] = V::Load(w->fwd[off + 1] + L * v) * y;
      b1[v] = V::Load(w->back[boff - 1] + L * v) * y;
    }
    for (int k = 2; k < 16; k += 2) {
      for (int v = 0; v < nv; ++v) {
        V x = V::Load(b[k] + L * v), y = V::Load(b[k + 1] + L * v);
        f0[v] = V::MulAdd(V::Load(w->fwd[off + k] + L * v), x, f0[v]);
        b0[v] = V::MulAdd(V::Load(w->back[boff - k] + L * v), x, b0[v]);
        f1[v] = V::MulAdd(V::Load(w->fwd[off + k + 1] + L * v), y, f1[v]);
        b1[v] = V::MulAdd(V::Load(w->back[boff - k - 1] + L * v), y, b1[v]);
      }
    }
    V l = V::Load(st->last[h]) * V::Load(w->last[off]);
    for (int v = L; v < 8; v += L) l = V::MulAdd(V::Load(st->last[h] + v), V::Load(w->last[off] + v), l);
    float last = l.Sum();
    if constexpr (N == 16) {
      for (int v = 0; v < nv; ++v) {
        (f0[v] + f1[v]).Store(pcm + L * v);
        (b0[v] + b1[v]).Reverse().Store(pcm + 33 - L - L * v);  // sample 32 - j; 32 is the next slot's 0
      }
      pcm[16] = last;
    } else {
      float fwd[nv * L], back[nv * L];
      for (int v = 0; v < nv; ++v) {
        (f0[v] + f1[v]).Store(fwd + L * v);
        (b0[v] + b1[v]).Store(back + L * v);
      }
      for (int j = 0; j < N; ++j) pcm[j] = fwd[j];
      pcm[N] = last;
      for (int j = 1; j < N; ++j) pcm[2 * N - j] = back[j];
    }
  }

  template <int n>
  static void SynthesizeN(const float* in, sSynthState* st, const sSynthWindow* w, int o, float* pcm) {
    constexpr int half = n / 2;
    constexpr int cols = half > L ? half : L;
    alignas(32) float set1[L][16], set2[L][16], last[L];
    static const float zeros[32] = {};
    float* rows1[L];
    float* rows2[L];
    for (int i = 0; i < L; ++i) {
      rows1[i] = set1[i];
      rows2[i] = set2[i];
    }
    for (int g = 0; g < 36; g += L) {
      // One slot per lane.
      const float* rows[L];
      for (int i = 0; i < L; ++i) rows[i] = g + i < 36 ? in + 32 * (g + i) : zeros;
      V x[n], X[n];
      for (int c = 0; c < n; c += L) V::Transpose(rows, c, x + c);
      Dct<n>(x, X);
      // The first set is X[half], X[half - 1] .. X[1] and X[0] in the extra
      // row; the second X[half] .. X[n - 1].
      V s1[cols], s2[cols];
      for (int r = 0; r < cols; ++r) {
        s1[r] = r < half ? X[half - r] : V::Zero();
        s2[r] = r < half ? X[half + r] : V::Zero();
      }
      for (int c = 0; c < half; c += L) {
        V::Transpose(s1 + c, rows1, c);
        V::Transpose(s2 + c, rows2, c);
      }
      X[0].Store(last);
      for (int i = 0; i < L && g + i < 36; ++i) {
        int oi = (o - g - i) & 15;
        float* c1 = st->columns[oi & 1][(oi + 1) & 14];
        float* c2 = st->columns[(oi + 1) & 1][oi | 1];
        for (int r = 0; r < half; r += L) {
          V::Load(set1[i] + r).Store(c1 + r);
          V::Load(set2[i] + r).Store(c2 + r);
        }
        st->last[oi & 1][((oi + 1) & 14) >> 1] = last[i];
        if (pcm) Window<half>(st, w, oi, pcm + 2 * half * (g + i));
      }
    }
  }

  static void Synthesize(const float* subband, sSynthState* state, const sSynthWindow* window, int offset,
                         int downShift, float* pcm) {
    if (downShift == 0)
      SynthesizeN<32>(subband, state, window, offset, pcm);
    else if (downShift == 1)
      SynthesizeN<16>(subband, state, window, offset, pcm);
    else
      SynthesizeN<8>(subband, state, window, offset, pcm);
  }

  static void Pcm16(const float* left, const float* right, int count, uint8_t* dest) {
    const int step = right ? 4 * L : 2 * L;
    for (int i = 0; i < count; i += L, dest += step) V::Pcm16(left + i, right ? right + i : nullptr, dest);
  }

  static constexpr sMpegKernels kTable = {V::kName, &Hybrid, &Synthesize, &Pcm16};
};

}  // namespace
