// Layer III Huffman decoding of one granule and channel.
#include <algorithm>

#include "audio/mpeg/decodetables.h"
#include "audio/mpeg/decoder.h"

namespace {

// Bits of the main data, most significant first, through a 64-bit cache;
// bytes at or beyond the limit (a whole byte count) read as zeros.
struct sBitSource {
  const uint8_t* bytes;
  int pos;        // bits consumed, from the buffer's start
  int limitBytes;
  int next;       // next byte to load
  int have = 0;   // valid bits in the cache
  uint64_t cache = 0;

  sBitSource(const uint8_t* b, int start, int limitBits)
      : bytes(b), pos(start), limitBytes(limitBits >> 3), next(start >> 3) {
    Fill();
    cache <<= start & 7;
    have -= start & 7;
  }
  void Fill() {
    while (have <= 56) {
      uint64_t b = next < limitBytes ? bytes[next] : 0;
      cache |= b << (56 - have);
      have += 8;
      ++next;
    }
  }
  // n from 1 to 32.
  unsigned Peek(int n) {
    if (have < n) Fill();
    return unsigned(cache >> (64 - n));
  }
  void Skip(int n) {
    cache <<= n;
    have -= n;
    pos += n;
  }
  int Bit() {
    int b = int(Peek(1));
    Skip(1);
    return b;
  }
  unsigned Bits(int n) {
    if (n == 0) return 0;
    unsigned v = Peek(n);
    Skip(n);
    return v;
  }
  int Lookup(const int32_t* tree, const int32_t* fast) {
    int32_t e = fast[Peek(8)];
    if (e >= 0) {
      Skip(e & 255);
      return e >> 8;
    }
    Skip(8);
    int i = -e;
    while (tree[i] < 0) i += Bit() ? 1 - tree[i] : 1;
    return tree[i];
  }
};

}  // namespace

void sMpegDecoder::DecodeHuffman(const sGranuleInfo& g, float* lines) {
  const sDecodeTables& t = DecodeTables();
  const int16_t* reorder = Reorder[g.blockType == 2 ? (g.mixed ? 2 : 1) : 0];
  sBitSource src(MainData, std::max(0, std::min(MainDataPos, ReaderLimit)), ReaderLimit);
  bool ordered = g.blockType != 2;
  int n = 0;
  // Three regions, each with its own table.
  const int ends[3] = {g.region1Start, g.region2Start, g.bigValues};
  for (int region = 0; region < 3; ++region) {
    int table = g.tableSelect[region];
    const int32_t* tree = t.Tree[table];
    const int32_t* fast = t.Fast[table];
    int linbits = t.Linbits[table];
    for (; n < ends[region]; n += 2) {
      int leaf = src.Lookup(tree, fast);
      int x = leaf >> 4, y = leaf & 15;
      if (x == 15) x += src.Bits(linbits);
      float vx = t.Power[x];
      if (x && src.Bit()) vx = -vx;
      if (y == 15) y += src.Bits(linbits);
      float vy = t.Power[y];
      if (y && src.Bit()) vy = -vy;
      if (ordered) {
        lines[n] = vx;
        lines[n + 1] = vy;
      } else {
        lines[reorder[n]] = vx;
        lines[reorder[n + 1]] = vy;
      }
    }
  }
  const int32_t* tree = t.Tree[g.count1Table];
  // A quadruple must not cross line 576 even in damaged streams.
  const int32_t* fast = t.Fast[g.count1Table];
  while (src.pos < g.part23End && n + 4 <= 576) {
    int leaf = src.Lookup(tree, fast) & 15;
    const float* q = t.Quad[leaf][src.Bits(t.QuadSigns[leaf])];
    if (ordered) {
      lines[n] = q[0];
      lines[n + 1] = q[1];
      lines[n + 2] = q[2];
      lines[n + 3] = q[3];
    } else {
      for (int k = 0; k < 4; ++k) lines[reorder[n + k]] = q[k];
    }
    n += 4;
  }
  if (src.pos > g.part23End && n >= 4) n -= 4;
  if (ordered) {
    std::fill(lines + n, lines + 576, 0.0f);  // long blocks keep line order
  } else {
    for (; n < 576; ++n) lines[reorder[n]] = 0.0f;
  }
  MainDataPos = src.pos;
}
