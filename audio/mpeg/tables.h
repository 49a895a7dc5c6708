// Raw MPEG audio tables, generated at build time from the table data in mpeg/data
// (gen_tables.py). Derived tables (trees, powers, windows) are built from these.
#pragma once
#include <cstdint>

namespace mpegtab {

// kbit/s by [lsf][layer index][bit-rate index]; 0 for free format and index 15.
extern const int16_t kBitRates[2][3][16];
// Hz by [version][sampling-rate index]; version 0 MPEG-1, 1 MPEG-2, 2 MPEG-2.5.
extern const int32_t kSampleRates[3][4];
// Scale-factor band boundaries by [version][rate index]: long in lines,
// short per window (last 192).
extern const int16_t kLongBands[3][3][23];
extern const int16_t kShortBands[3][3][14];
// MPEG-1 scalefac_compress to slen1/slen2.
extern const uint8_t kSlen1[16];
extern const uint8_t kSlen2[16];
// Scale-factor counts per partition by [set][block kind long/short/mixed][partition]:
// sets 0..5 the lower-sampling-rate rows, set 6 MPEG-1.
extern const uint8_t kPartitions[7][3][4];
extern const uint8_t kPretab[22];
extern const double kAliasCoefficients[8];

// Huffman code tables: 0..31 big values, 32 and 33 count-1. Each code lists
// its value ((x << 4) | y, or (v << 3) | (w << 2) | (x << 1) | y), its length
// and its bits (first bit most significant). Tables 17..23 and 25..31 point at
// the codes of 16 and 24.
struct sHuffCode {
  uint16_t value;
  uint8_t length;
  uint32_t bits;
};
struct sHuffTable {
  const sHuffCode* codes;
  int count;
  int linbits;
};
extern const sHuffTable kHuffTables[34];

// Layer II allocation tables: 0..3 = B.2a..B.2d of MPEG-1, 4 = the
// lower-sampling-rate table. levels[sb][a] is the number of quantisation levels
// (0 = no allocation).
struct sAllocTable {
  int sblimit;
  uint8_t nbal[32];
  uint16_t levels[32][16];
};
extern const sAllocTable kAllocTables[5];

// Synthesis window of the standard, D[i] x 65536.
extern const int32_t kStandardWindow[512];

}  // namespace mpegtab
