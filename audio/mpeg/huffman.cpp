// Layer III Huffman decoding of one granule and channel, with the
// requantisation folded in: each value leaves as power x its band's factor.
#include <algorithm>
#include <cstring>

#include "audio/mpeg/decodetables.h"
#include "audio/mpeg/decoder.h"
#include "audio/mpeg/tables.h"

namespace {

// Bits of the main data, most significant first. Each read loads the 64 bits
// at the position afresh; the eight bytes after the limit are zero, and reads
// further on load from there, so bits beyond the limit read as zeros.
struct sBitSource {
  const uint8_t* bytes;
  int limitBytes;
  int pos;  // bits consumed, from the buffer's start

  // At least 57 valid bits, first bit at the top.
  uint64_t Window() const {
    uint64_t w;
    std::memcpy(&w, bytes + std::min(pos >> 3, limitBytes), 8);
#if defined(__GNUC__)
    w = __builtin_bswap64(w);
#else
    uint64_t r = 0;
    for (int i = 0; i < 8; ++i) r = (r << 8) | ((w >> (8 * i)) & 255);
    w = r;
#endif
    return w << (pos & 7);
  }
};

// A plain leaf reached from the first-level entry e, following links: its
// value, and the bits of its code added to `used`.
inline int PlainLeaf(const uint16_t* table, int bits, uint64_t w, unsigned e, int& used) {
  int at = 0, width = bits;
  while (e & 0x8000) {
    at += width;
    width = (e >> 12) & 7;
    e = table[(e & 0xFFF) + unsigned((w << at) >> (64 - width))];
  }
  used = at + ((e >> 10) & 15);
  return int(e & 255);
}

// One value of a pair after a plain leaf: linbits beyond 14, the power times
// the band factor, and its sign bit when it is not zero.
template <bool kLinbits>
inline float Value(int x, int linbits, uint64_t& w, int& used, float factor) {
  if (kLinbits && x == 15) {
    x += int(w >> (64 - linbits));
    w <<= linbits;
    used += linbits;
  }
  float v = mpegtab::kPower[x] * factor;
  if (x) {
    if (w >> 63) v = -v;
    w <<= 1;
    ++used;
  }
  return v;
}

// Big-value pairs of lines [n, end) of one table within one band factor.
template <bool kLinbits>
int Pairs(sBitSource& src, const uint16_t* table, int bits, int linbits, float factor, float* lines,
          const int16_t* reorder, int n, int end) {
  for (; n < end; n += 2) {
    uint64_t w = src.Window();
    unsigned e = table[w >> (64 - bits)];
    float vx, vy;
    if (!(e & 0xC000)) {
      // Code and signs in one entry: most pairs.
      src.pos += int(e >> 10);
      vx = mpegtab::kPowerSigned[(e >> 5) & 31] * factor;
      vy = mpegtab::kPowerSigned[e & 31] * factor;
    } else {
      int used;
      int leaf = PlainLeaf(table, bits, w, e, used);
      w <<= used;
      vx = Value<kLinbits>(leaf >> 4, linbits, w, used, factor);
      vy = Value<kLinbits>(leaf & 15, linbits, w, used, factor);
      src.pos += used;
    }
    if (reorder) {
      lines[reorder[n]] = vx;
      lines[reorder[n + 1]] = vy;
    } else {
      lines[n] = vx;
      lines[n + 1] = vy;
    }
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
  const int16_t* reorder = g.blockType == 2 ? Reorder[g.mixed ? 2 : 1] : nullptr;
  int limitBytes = ReaderLimit >> 3;
  std::memset(MainData + limitBytes, 0, 8);
  sBitSource src{MainData, limitBytes, std::max(0, std::min(MainDataPos, ReaderLimit))};
  int n = 0;
  const sBandFactor* band = factors;
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
        for (; n < stop; ++n) lines[reorder ? reorder[n] : n] = 0.0f;
      } else if (h.linbits) {
        n = Pairs<true>(src, table, h.bits, h.linbits, band->factor, lines, reorder, n, stop);
      } else {
        n = Pairs<false>(src, table, h.bits, 0, band->factor, lines, reorder, n, stop);
      }
    }
  }
  const mpegtab::sHuffLookup& h = mpegtab::kHuffLookup[g.count1Table];
  const uint16_t* table = mpegtab::kHuffEntries + h.offset;
  // A quadruple must not cross line 576 even in damaged streams.
  // Count-1 entries always hold the code with its signs.
  while (src.pos < g.part23End && n + 4 <= 576) {
    unsigned e = table[src.Window() >> (64 - h.bits)];
    const float* q = mpegtab::kQuad[0][e & 255];
    src.pos += int(e >> 10);
    while (band->end <= n) ++band;
    if (n + 4 <= band->end) {
      float f = band->factor;
      if (reorder) {
        for (int k = 0; k < 4; ++k) lines[reorder[n + k]] = q[k] * f;
      } else {
        lines[n] = q[0] * f;
        lines[n + 1] = q[1] * f;
        lines[n + 2] = q[2] * f;
        lines[n + 3] = q[3] * f;
      }
    } else {
      for (int k = 0; k < 4; ++k) {
        while (band->end <= n + k) ++band;
        lines[reorder ? reorder[n + k] : n + k] = q[k] * band->factor;
      }
    }
    n += 4;
  }
  if (src.pos > g.part23End && n >= 4) n -= 4;
  if (!reorder) {
    std::fill(lines + n, lines + 576, 0.0f);  // long blocks keep line order
  } else {
    for (int i = n; i < 576; ++i) lines[reorder[i]] = 0.0f;
  }
  MainDataPos = src.pos;
  return n;
}
