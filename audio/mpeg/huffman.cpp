// Layer III Huffman decoding of one granule and channel.
#include <algorithm>

#include "audio/mpeg/decodetables.h"
#include "audio/mpeg/decoder.h"

namespace {

// Bits of the main data, most significant first; bits past the limit read 0.
struct sBitSource {
  const uint8_t* bytes;
  int pos;
  int limit;

  int Bit() {
    int b = pos < limit ? (bytes[pos >> 3] >> (7 - (pos & 7))) & 1 : 0;
    ++pos;
    return b;
  }
  unsigned Bits(int n) {
    unsigned v = 0;
    if (pos >= 0 && pos + n <= limit) {
      const uint8_t* p = bytes + (pos >> 3);
      uint32_t w = (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
      v = n ? (w << (pos & 7)) >> (32 - n) : 0;
      pos += n;
      return v;
    }
    for (int i = 0; i < n; ++i) v = (v << 1) | Bit();
    return v;
  }
  int Lookup(const int32_t* tree) {
    int i = 0;
    while (tree[i] < 0) i += Bit() ? 1 - tree[i] : 1;
    return tree[i];
  }
};

}  // namespace

void sMpegDecoder::DecodeHuffman(const sGranuleInfo& g, float* lines) {
  const sDecodeTables& t = DecodeTables();
  const int16_t* reorder = Reorder[g.blockType == 2 ? (g.mixed ? 2 : 1) : 0];
  sBitSource src{MainData, MainDataPos, ReaderLimit};
  int n = 0;
  for (; n < g.bigValues; n += 2) {
    int region = n < g.region1Start ? 0 : n < g.region2Start ? 1 : 2;
    int table = g.tableSelect[region];
    const int32_t* tree = t.Tree[table];
    int linbits = t.Linbits[table];
    int leaf = src.Lookup(tree);
    int x = leaf >> 4, y = leaf & 15;
    if (x == 15) x += src.Bits(linbits);
    float vx = t.Power[x];
    if (x && src.Bit()) vx = -vx;
    if (y == 15) y += src.Bits(linbits);
    float vy = t.Power[y];
    if (y && src.Bit()) vy = -vy;
    lines[reorder[n]] = vx;
    lines[reorder[n + 1]] = vy;
  }
  const int32_t* tree = t.Tree[g.count1Table];
  // A quadruple must not cross line 576 even in damaged streams.
  while (src.pos < g.part23End && n + 4 <= 576) {
    int leaf = src.Lookup(tree);
    for (int k = 0; k < 4; ++k) {
      float v = 0.0f;
      if (leaf & (8 >> k)) v = src.Bit() ? -1.0f : 1.0f;
      lines[reorder[n + k]] = v;
    }
    n += 4;
  }
  if (src.pos > g.part23End && n >= 4) n -= 4;
  for (; n < 576; ++n) lines[reorder[n]] = 0.0f;
  MainDataPos = src.pos;
}
