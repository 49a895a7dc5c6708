// Tables derived from the standard's data at first use and shared by all
// decoder objects (read-only afterwards).
#pragma once
#include <cstdint>

struct sDecodeTables {
  // Layer III requantisation and stereo.
  float Power[8207];       // i^(4/3)
  float GlobalGain[256];   // 2^((i - 210) / 4)
  float Scale[65];         // 2^(-i / 2)
  float MiddleSide;        // sqrt(0.5)
  float Ratio[3][32][2];   // intensity (left, right) factors by set and position
  // Huffman trees, flat: entry < 0 reads a bit (1 skips -entry beyond the next
  // entry), entry >= 0 is a leaf value.
  int32_t Tree[34][1024];
  int Linbits[34];
  // The same walk eight bits at a time: (value << 8) | length for codes of
  // up to eight bits, else -(entry reached after eight bits).
  int32_t Fast[34][256];
  // Count-1 quadruples: the four values of a leaf with its sign bits (first
  // sign most significant), and the number of sign bits.
  float Quad[16][16][4];
  int QuadSigns[16];
  // Hybrid filter.
  float AliasCs[8], AliasCa[8];
  float Dct4[18][20];          // 18-point DCT-IV, input k -> output m (padded rows)
  float ImdctWindow[4][36];    // long windows by block type (2 unused)
  float ImdctShort[6][12];     // input k -> windowed outputs of one window
  // Synthesis: DCT matrices (input s -> outputs k) for 32, 16 and 8 points.
  float Dct32[32][32], Dct16[16][16], Dct8[8][8];
  float DctCoef[32];  // entry 2^k + j: 0.5 / cos((2j + 1) pi / (4 x 2^k))
  // Window rows by [standard window][down-shift]: sign-folded and reversed.
  float WindowP[2][3][1024], WindowQ[2][3][1024];
  // Layers I and II.
  float L12Scale[64];
  float Layer1Factor[16];
  struct sClass {
    int grouped, bits, levels, offset;
    float factor;
  } Classes[17];
  int8_t AllocClass[5][32][16];  // class per table, subband and allocation; -1 none
  int8_t Ungroup[3][1024][3];    // grouped codes of classes 0..2 split into three values
};

// The tables, built once on first use.
const sDecodeTables& DecodeTables();

// The decoder's own synthesis window W(n) (n any integer, period 512) and the
// standard's window in the same scale and sign convention.
double SynthesisWindow(int n);
double StandardSynthesisWindow(int n);
