#include "tools/mpegdec/filestart.h"

namespace {

bool PlausibleHeader(const uint8_t* p) {
  if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
  int version = (p[1] >> 3) & 3, layer = (p[1] >> 1) & 3;
  int bitRate = p[2] >> 4, rate = (p[2] >> 2) & 3;
  return version != 1 && layer != 0 && bitRate != 0 && bitRate != 15 && rate != 3;
}

}  // namespace

int FindFirstFrame(const uint8_t* data, int size) {
  int pos = 0;
  while (size - pos >= 10 && data[pos] == 'I' && data[pos + 1] == 'D' && data[pos + 2] == '3') {
    const uint8_t* h = data + pos;
    int length = ((h[6] & 0x7F) << 21) | ((h[7] & 0x7F) << 14) | ((h[8] & 0x7F) << 7) | (h[9] & 0x7F);
    pos += 10 + length + ((h[5] & 0x10) ? 10 : 0);
  }
  for (; pos + 4 <= size; ++pos)
    if (PlausibleHeader(data + pos)) return pos;
  return -1;
}
