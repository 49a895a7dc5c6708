#include "tools/mpegdec/filestart.h"

#include "audio/mpeg/tables.h"

namespace {

// Frame length in bytes of a plausible header, else 0.
int FrameLength(const uint8_t* p) {
  if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return 0;
  static const int kVersion[4] = {2, -1, 1, 0};
  int version = kVersion[(p[1] >> 3) & 3], layer = 3 - ((p[1] >> 1) & 3);
  int bitIndex = p[2] >> 4, rateIndex = (p[2] >> 2) & 3, padding = (p[2] >> 1) & 1;
  if (version < 0 || layer > 2 || rateIndex == 3) return 0;
  int bitRate = mpegtab::kBitRates[version ? 1 : 0][layer][bitIndex] * 1000;
  int rate = mpegtab::kSampleRates[version][rateIndex];
  if (bitRate == 0) return 0;
  if (layer == 0) return (12 * bitRate / rate + padding) * 4;
  return (layer == 2 && version != 0 ? 72 : 144) * bitRate / rate + padding;
}

bool SameStream(const uint8_t* a, const uint8_t* b) {
  return ((a[1] ^ b[1]) & 0xFE) == 0 && ((a[2] ^ b[2]) & 0x0C) == 0;
}

}  // namespace

int FindFirstFrame(const uint8_t* data, int size) {
  int pos = 0;
  while (size - pos >= 10 && data[pos] == 'I' && data[pos + 1] == 'D' && data[pos + 2] == '3') {
    const uint8_t* h = data + pos;
    int length = ((h[6] & 0x7F) << 21) | ((h[7] & 0x7F) << 14) | ((h[8] & 0x7F) << 7) | (h[9] & 0x7F);
    pos += 10 + length + ((h[5] & 0x10) ? 10 : 0);
  }
  // A header counts when the next frame's header follows it (or the file ends).
  for (; pos >= 0 && pos + 4 <= size; ++pos) {
    int length = FrameLength(data + pos);
    if (!length) continue;
    int next = pos + length;
    if (next + 4 > size) return pos;
    if (FrameLength(data + next) && SameStream(data + pos, data + next)) return pos;
  }
  return -1;
}
