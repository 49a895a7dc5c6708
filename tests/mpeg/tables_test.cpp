// Derived decoder tables: Huffman trees against the code lists, constants,
// and the two synthesis windows.
#include <gtest/gtest.h>

#include <cmath>

#include "audio/mpeg/decodetables.h"
#include "audio/mpeg/tables.h"

namespace {

// Walks a tree over the code's bits; returns the leaf and the bits used.
std::pair<int, int> Walk(const int32_t* tree, uint32_t bits, int length) {
  int i = 0, used = 0;
  while (tree[i] < 0) {
    int bit = used < length ? (bits >> (length - 1 - used)) & 1 : 0;
    ++used;
    i += bit ? 1 - tree[i] : 1;
  }
  return {tree[i], used};
}

}  // namespace

TEST(DecodeTables, EveryHuffmanCodeWalksToItsValue) {
  const sDecodeTables& t = DecodeTables();
  int codes = 0;
  for (int n = 0; n < 34; ++n) {
    const auto& h = mpegtab::kHuffTables[n];
    if (!h.codes) {
      EXPECT_EQ(t.Tree[n][0], 0) << "table " << n;  // a single leaf 0: no bits
      continue;
    }
    for (int i = 0; i < h.count; ++i) {
      auto r = Walk(t.Tree[n], h.codes[i].bits, h.codes[i].length);
      EXPECT_EQ(r.first, h.codes[i].value) << "table " << n << " code " << i;
      EXPECT_EQ(r.second, h.codes[i].length) << "table " << n << " code " << i;
      ++codes;
    }
  }
  // 16 x 16 codes in 16 and 24 (shared by 17..31), fewer below, 16 per count-1 table.
  EXPECT_GT(codes, 2000);
  const int kLinbits[32] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                            1, 2, 3, 4, 6, 8, 10, 13, 4, 5, 6, 7, 8, 9, 11, 13};
  for (int n = 0; n < 32; ++n) EXPECT_EQ(t.Linbits[n], kLinbits[n]) << n;
}

TEST(DecodeTables, RequantisationAndStereoConstants) {
  const sDecodeTables& t = DecodeTables();
  EXPECT_EQ(t.Power[0], 0.0f);
  EXPECT_FLOAT_EQ(t.Power[8], 16.0f);
  EXPECT_FLOAT_EQ(t.Power[8206], float(std::pow(8206.0, 4.0 / 3.0)));
  EXPECT_EQ(t.GlobalGain[210], 1.0f);
  EXPECT_FLOAT_EQ(t.Scale[2], 0.5f);
  // MPEG-1 position 6: all to the left; positions 7..31 stay finite.
  EXPECT_FLOAT_EQ(t.Ratio[2][6][0], 1.0f);
  EXPECT_NEAR(t.Ratio[2][6][1], 0.0f, 1e-7);
  EXPECT_FLOAT_EQ(t.Ratio[2][0][0], 0.0f);
  EXPECT_FLOAT_EQ(t.Ratio[2][3][0], 0.5f);
  for (int set = 0; set < 3; ++set)
    for (int i = 0; i < 32; ++i)
      for (int k = 0; k < 2; ++k) EXPECT_TRUE(std::isfinite(t.Ratio[set][i][k])) << set << " " << i;
  // Lower sampling rates: odd positions scale the left, even the right.
  EXPECT_FLOAT_EQ(t.Ratio[0][1][0], float(std::pow(2.0, -0.25)));
  EXPECT_FLOAT_EQ(t.Ratio[1][4][1], 0.5f);
  EXPECT_FLOAT_EQ(t.Ratio[1][0][0], 1.0f);
}

TEST(DecodeTables, SynthesisWindows) {
  // The decoder's window peaks at W(256), negated so the output keeps the
  // standard's polarity; the standard's window relates to it by
  // D(n) = -(-1)^floor(n/64) W(n) and differs by at most 19 / 32768.
  EXPECT_NEAR(SynthesisWindow(256), -37519.0, 0.5);
  double worst = 0;
  for (int n = 0; n < 512; ++n) {
    double d = mpegtab::kStandardWindow[n] / 65536.0 * 32768.0;
    double w = SynthesisWindow(n);
    EXPECT_NEAR(-(((n >> 6) & 1) ? -1 : 1) * w, d, 19.0) << n;
    worst = std::fmax(worst, std::fabs(StandardSynthesisWindow(n) - SynthesisWindow(n)));
    EXPECT_NEAR(SynthesisWindow(n + 512), SynthesisWindow(n), 1e-6);
  }
  EXPECT_GT(worst, 1.0);  // the two windows really differ
}

TEST(DecodeTables, LayerTwoClassesAndScaleFactors) {
  const sDecodeTables& t = DecodeTables();
  EXPECT_FLOAT_EQ(t.L12Scale[0], 2.0f);
  EXPECT_FLOAT_EQ(t.L12Scale[3], 1.0f);
  EXPECT_EQ(t.L12Scale[63], 0.0f);
  EXPECT_EQ(t.Classes[0].levels, 3);
  EXPECT_EQ(t.Classes[0].bits, 5);
  EXPECT_TRUE(t.Classes[2].grouped);
  EXPECT_EQ(t.Classes[16].levels, 65535);
  EXPECT_FALSE(t.Classes[16].grouped);
  // Every allocation of every table maps to a class, and 0 to none.
  for (int tab = 0; tab < 5; ++tab)
    for (int sb = 0; sb < mpegtab::kAllocTables[tab].sblimit; ++sb) {
      EXPECT_EQ(t.AllocClass[tab][sb][0], -1);
      for (int a = 1; a < (1 << mpegtab::kAllocTables[tab].nbal[sb]); ++a)
        EXPECT_GE(t.AllocClass[tab][sb][a], 0) << tab << " " << sb << " " << a;
    }
  EXPECT_FLOAT_EQ(t.Layer1Factor[1], 2.0f / 3.0f);
}
