// Bits of the Layer III main data, most significant first, through a 64-bit
// cache: the reader of the scale factors and the Huffman codes. The eight
// bytes after the limit are zero and loads never start beyond the limit, so
// bits beyond it read as zeros.
#pragma once
#include <cstdint>
#include <cstring>

struct sBitCache {
  const uint8_t* base;
  const uint8_t* next;   // next byte to load
  const uint8_t* limit;
  uint64_t cache = 0;    // valid bits at the top
  int count = 0;         // valid bits

  sBitCache(const uint8_t* bytes, int limitBytes, int pos)
      : base(bytes), next(bytes + (pos >> 3)), limit(bytes + limitBytes) {
    Refill();
    cache <<= pos & 7;
    count -= pos & 7;
  }
  // At least 56 valid bits afterwards.
  void Refill() {
    uint64_t w;
    std::memcpy(&w, next < limit ? next : limit, 8);
#if defined(__GNUC__)
    w = __builtin_bswap64(w);
#else
    uint64_t r = 0;
    for (int i = 0; i < 8; ++i) r = (r << 8) | ((w >> (8 * i)) & 255);
    w = r;
#endif
    cache |= w >> count;
    next += (63 - count) >> 3;
    count |= 56;
  }
  void Skip(int n) {
    cache <<= n;
    count -= n;
  }
  // n from 1 to 32.
  unsigned Take(int n) {
    unsigned v = unsigned(cache >> (64 - n));
    Skip(n);
    return v;
  }
  int Position() const { return int(next - base) * 8 - count; }
};

