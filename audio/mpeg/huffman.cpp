// Layer III Huffman decoding of one granule and channel, with the
// requantisation folded in: each value leaves as power x its band's factor.
#include <algorithm>
#include <cstring>

#include "audio/mpeg/bitcache.h"
#include "audio/mpeg/decodetables.h"
#include "audio/mpeg/decoder.h"
#include "audio/mpeg/tables.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// A plain leaf reached from the first-level entry e, following links: its
// value; its code's bits are skipped.
inline int PlainLeaf(const uint16_t* table, int bits, sBitCache& src, unsigned e) {
  int at = 0, width = bits;
  while (e & 0x8000) {
    at += width;
    width = (e >> 12) & 7;
    e = table[(e & 0xFFF) + unsigned((src.cache << at) >> (64 - width))];
  }
  src.Skip(at + ((e >> 10) & 15));
  return int(e & 255);
}

// One value of a pair after a plain leaf: linbits beyond 14, the power times
// the band factor, and its sign bit when it is not zero. Without branches:
// escapes and signs come in no order a predictor could learn.
inline float Value(int x, int linbits, sBitCache& src, float factor) {
  int extra = -int(x == 15) & linbits;  // 0..13 bits
  x += int(unsigned((src.cache >> 1) >> (63 - extra)) & ((1u << extra) - 1));
  src.Skip(extra);
  unsigned nonzero = x != 0;
  uint32_t sign = uint32_t(src.cache >> 63) & nonzero;
  src.Skip(int(nonzero));
  float v = mpegtab::kPower[x] * factor;
  uint32_t bits;
  std::memcpy(&bits, &v, 4);
  bits ^= sign << 31;
  std::memcpy(&v, &bits, 4);
  return v;
}

// Big-value pairs of lines [n, end) of one table within one band factor;
// short blocks store through the reorder table.
template <bool kShort>
int Pairs(sBitCache& src, const uint16_t* table, int bits, int linbits, float factor, float* lines,
          const int16_t* reorder, int n, int end) {
  for (; n < end; n += 2) {
    // A signed leaf takes at most 10 bits, a plain one with its linbits and
    // signs at most 47.
    if (src.count < 10) src.Refill();
    unsigned e = table[src.cache >> (64 - bits)];
    float vx, vy;
    if (!(e & 0xC000)) {
      // Code and signs in one entry: most pairs.
      src.Skip(int(e >> 10));
      vx = mpegtab::kPowerSigned[(e >> 5) & 31] * factor;
      vy = mpegtab::kPowerSigned[e & 31] * factor;
    } else {
      if (src.count < 47) src.Refill();
      int leaf = PlainLeaf(table, bits, src, e);
      vx = Value(leaf >> 4, linbits, src, factor);
      vy = Value(leaf & 15, linbits, src, factor);
    }
    if (kShort) {
      lines[reorder[n]] = vx;
      lines[reorder[n + 1]] = vy;
    } else {
      lines[n] = vx;
      lines[n + 1] = vy;
    }
  }
  return n;
}

// Count-1 quadruples from line n while part2_3 has bits left; returns the
// lines decoded, and the bits left (below 0 when the last code overran).
template <bool kShort>
int Quadruples(sBitCache& src, const mpegtab::sHuffLookup& h, const sBandFactor* band, float* lines,
               const int16_t* reorder, int n, int& left) {
  const uint16_t* table = mpegtab::kHuffEntries + h.offset;
  const int bits = h.bits;
  while (n + 4 <= 576 && left > 0) {
    if (src.count < 10) src.Refill();
    unsigned e = table[src.cache >> (64 - bits)];
    const float* q = mpegtab::kQuad[e & 255];
    int used = int(e >> 10);
    src.Skip(used);
    left -= used;
    while (band->end <= n) ++band;
    if (n + 4 <= band->end) {
      float f = band->factor;
      if (kShort) {
        for (int k = 0; k < 4; ++k) lines[reorder[n + k]] = q[k] * f;
      } else {
#if defined(__SSE2__)
        _mm_storeu_ps(lines + n, _mm_mul_ps(_mm_loadu_ps(q), _mm_set1_ps(f)));
#else
        for (int k = 0; k < 4; ++k) lines[n + k] = q[k] * f;
#endif
      }
    } else {
      for (int k = 0; k < 4; ++k) {
        while (band->end <= n + k) ++band;
        lines[kShort ? reorder[n + k] : n + k] = q[k] * band->factor;
      }
    }
    n += 4;
  }
  return n;
}

template <bool kShort>
int Decode(const sGranuleInfo& g, float* lines, const sBandFactor* band, const int16_t* reorder, sBitCache& src) {
  int n = 0;
  // Three regions, each with its own table; region and band ends are even.
  const int ends[3] = {g.region1Start, g.region2Start, g.bigValues};
  for (int region = 0; region < 3; ++region) {
    const mpegtab::sHuffLookup& h = mpegtab::kHuffLookup[g.tableSelect[region]];
    const uint16_t* table = mpegtab::kHuffEntries + h.offset;
    while (n < ends[region]) {
      while (band->end <= n) ++band;
      int stop = std::min(ends[region], band->end);
      if (h.bits == 0) {
        // Tables 0, 4 and 14: zeros, no bits.
        for (; n < stop; ++n) lines[kShort ? reorder[n] : n] = 0.0f;
      } else {
        n = Pairs<kShort>(src, table, h.bits, h.linbits, band->factor, lines, reorder, n, stop);
      }
    }
  }
  // Count-1 entries always hold the code with its signs (at most 10 bits).
  int left = g.part23End - src.Position();
  n = Quadruples<kShort>(src, mpegtab::kHuffLookup[g.count1Table], band, lines, reorder, n, left);
  // A quadruple that overran part2_3 is dropped.
  if (left < 0 && n >= 4) n -= 4;
  if (!kShort) {
    std::fill(lines + n, lines + 576, 0.0f);
  } else {
    for (int i = n; i < 576; ++i) lines[reorder[i]] = 0.0f;
  }
  return n;
}

}  // namespace

int sMpegDecoder::BandFactors(const sGranuleInfo& g, const int* sf, sBandFactor* out) const {
  int longBands, firstShort;
  if (g.blockType == 2) {
    longBands = g.mixed ? (RefVersion == 0 ? 8 : 6) : 0;
    firstShort = g.mixed ? 3 : 0;
  } else {
    longBands = 22;
    firstShort = 13;
  }
  float gain = mpegtab::kGlobalGain[g.globalGain & 255];
  int shift = g.scalefacScale;
  int k = 0, count = 0;
  for (int b = 0; b < longBands; ++b) {
    int s = (sf[k++] + (g.preflag ? mpegtab::kPretab[b] : 0)) << shift;
    out[count++] = {LongBands[b + 1], gain * mpegtab::kScale[std::min(s, 64)]};
  }
  if (firstShort <= 12) {
    float gw[3];
    for (int w = 0; w < 3; ++w) gw[w] = gain * mpegtab::kScale[std::min(g.subblockGain[w], 64)];
    // In coded order a short band holds its three windows one after the other.
    for (int b = firstShort; b < 13; ++b) {
      int width = (ShortBands[b + 1] - ShortBands[b]) / 3;
      for (int w = 0; w < 3; ++w)
        out[count++] = {ShortBands[b] + (w + 1) * width, gw[w] * mpegtab::kScale[std::min(sf[k++] << shift, 64)]};
    }
  }
  // Bands end at line 576; a last entry covers what a damaged table might leave.
  out[count++] = {576 + 4, 0.0f};
  return count;
}

int sMpegDecoder::DecodeHuffman(const sGranuleInfo& g, float* lines, const sBandFactor* factors) {
  sBitCache src = MainDataBits();
  int n = g.blockType == 2 ? Decode<true>(g, lines, factors, Reorder[g.mixed ? 2 : 1], src)
                           : Decode<false>(g, lines, factors, nullptr, src);
  MainDataPos = src.Position();
  return n;
}
