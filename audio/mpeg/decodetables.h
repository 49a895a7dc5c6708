// Tables derived from the standard's data, generated at build time
// (gen_tables.py) so that opening a decoder builds nothing. Shared by all
// decoder objects, read-only.
#pragma once
#include <cstdint>

namespace mpegtab {

// Layer III requantisation and stereo.
extern const float kPower[8207];       // i^(4/3)
extern const float kGlobalGain[256];   // 2^((i - 210) / 4)
extern const float kScale[65];         // 2^(-i / 2)
extern const float kMiddleSide;        // sqrt(0.5)
extern const float kRatio[3][32][2];   // intensity (left, right) factors by set and position

// Huffman decoding by lookup. A table reads `bits` bits (0: a table of zeros
// that reads none) and indexes kHuffEntries from `offset`. Entries:
// - bit 15, a link to the next level: (width << 12) | its offset from the
//   table's first entry; that level reads `width` more bits;
// - bit 14, a plain leaf: (bits of the code at its level << 10) | value, the
//   value (x << 4) | y, or (v << 3) | (w << 2) | (x << 1) | y for the count-1
//   tables; its sign bits and linbits follow;
// - otherwise a leaf that holds the code's sign bits too: (the bits of code
//   and signs << 10) | (x' << 5) | y', x' and y' being indices into
//   kPowerSigned; for the count-1 tables | the row of kQuad.
struct sHuffLookup {
  uint16_t offset;
  uint8_t bits;
  uint8_t linbits;
};
extern const sHuffLookup kHuffLookup[34];
extern const uint16_t kHuffEntries[];
extern const int kHuffEntryCount;
extern const float kPowerSigned[32];  // i^(4/3) for i < 16, then the same negated
// Count-1 quadruples: the four values of a leaf with its sign bits, row
// (leaf << 4) | signs (first sign most significant).
extern const float kQuad[256][4];

// Hybrid filter. The IMDCT runs as an 18-point (short blocks: 6-point)
// DCT-IV of two 9-point (3-point) halves; each output's factor carries the
// window, the unfolding sign and the DCT-IV's 0.5 / cos((2m + 1) pi / 4n).
extern const float kAliasCs[8], kAliasCa[8];
extern const float kImdctWindow[4][36];    // by block type (2 unused)
extern const float kImdctShortWindow[12];
extern const float kCos9[9][5];            // cos(j (2m + 1) pi / 18)
extern const float kTwiddle9[9];           // 0.5 / cos((2m + 1) pi / 36)
extern const float kTwiddle3[3];           // 0.5 / cos((2m + 1) pi / 12)
extern const float kCos6;                  // cos(pi / 6)

// Synthesis.
extern const float kDctCoef[32];  // entry 2^k + j: 0.5 / cos((2j + 1) pi / (4 x 2^k))
// W(n) for n = 0..1023 (period 512): the decoder's own window and the
// standard's in the same scale and sign convention.
extern const float kSynthesisWindow[2][1024];

// Layers I and II.
extern const float kL12Scale[64];
extern const float kLayer1Factor[16];
struct sLayer2Class {
  int grouped, bits, levels, offset;
  float factor;
};
extern const sLayer2Class kClasses[17];
extern const int8_t kAllocClass[5][32][16];  // class per table, subband and allocation; -1 none
extern const int8_t kUngroup[3][1024][3];    // grouped codes of classes 0..2 split into three values

}  // namespace mpegtab
