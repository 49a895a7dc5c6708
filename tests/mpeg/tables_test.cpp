// The tables generated at build time against the formulas they stand for,
// and the two synthesis windows.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "audio/mpeg/decodetables.h"
#include "audio/mpeg/tables.h"

namespace {

const double kPi = 3.14159265358979323846;

// The decoder's window as first defined: a cosine sum with three
// coefficients given as float bit patterns, the rest derived from them.
double Window(int n) {
  auto fromBits = [](uint32_t b) {
    float f;
    std::memcpy(&f, &b, 4);
    return double(f);
  };
  const double c7 = fromBits(0xBC0B3838u), c6 = fromBits(0x3DB16B77u), c5 = fromBits(0xBEAEF4E7u);
  const double c[8] = {0.5, -std::sqrt(1 - c7 * c7), std::sqrt(1 - c6 * c6), -std::sqrt(1 - c5 * c5),
                       std::sqrt(0.5), c5, c6, c7};
  double sum = 0;
  for (int k = 0; k < 8; ++k) sum += c[k] * std::cos(k * n * kPi / 256);
  return -8192 * sum;
}

// Every entry of a generated table against its formula (to within a few
// units in the last place).
template <class F>
void ExpectTable(const char* name, const float* table, int count, F formula) {
  for (int i = 0; i < count; ++i) ASSERT_FLOAT_EQ(table[i], float(formula(i))) << name << "[" << i << "]";
}

}  // namespace

TEST(DecodeTables, GeneratedTablesMatchTheirFormulas) {
  using namespace mpegtab;
  ExpectTable("power", kPower, 8207, [](int i) { return std::pow(double(i), 4.0 / 3.0); });
  ExpectTable("signed power", kPowerSigned, 32, [](int i) { return (i < 16 ? 1 : -1) * std::pow(double(i & 15), 4.0 / 3.0); });
  ExpectTable("global gain", kGlobalGain, 256, [](int i) { return std::pow(2.0, (i - 210) / 4.0); });
  ExpectTable("scale", kScale, 65, [](int i) { return std::pow(2.0, -i / 2.0); });
  EXPECT_FLOAT_EQ(kMiddleSide, float(std::sqrt(0.5)));
  ExpectTable("alias cs", kAliasCs, 8, [](int i) { return 1 / std::sqrt(1 + kAliasCoefficients[i] * kAliasCoefficients[i]); });
  ExpectTable("alias ca", kAliasCa, 8, [](int i) {
    double c = kAliasCoefficients[i];
    return c / std::sqrt(1 + c * c);
  });
  ExpectTable("DCT coefficients", kDctCoef + 1, 31, [](int i) {
    int k = 0;
    while ((2 << k) <= i + 1) ++k;
    return 0.5 / std::cos((2 * (i + 1 - (1 << k)) + 1) * kPi / (4 << k));
  });
  ExpectTable("9-point cosines", &kCos9[0][0], 45, [](int i) { return std::cos(kPi * (i / 5) * (2 * (i % 5) + 1) / 18); });
  ExpectTable("9-point twiddles", kTwiddle9, 9, [](int m) { return 0.5 / std::cos(kPi * (2 * m + 1) / 36); });
  ExpectTable("3-point twiddles", kTwiddle3, 3, [](int m) { return 0.5 / std::cos(kPi * (2 * m + 1) / 12); });
  EXPECT_FLOAT_EQ(kCos6, float(std::cos(kPi / 6)));
  ExpectTable("scale factors", kL12Scale, 63, [](int i) { return std::pow(2.0, (3 - i) / 3.0); });
  EXPECT_EQ(kL12Scale[63], 0.0f);
  ExpectTable("Layer I factors", kLayer1Factor, 16, [](int n) { return 2.0 / (std::pow(2.0, n + 1) - 1); });
  // Intensity: MPEG-1 position 6 all to the left, positions 7..31 finite;
  // lower sampling rates: odd positions scale the left, even the right.
  for (int i = 0; i < 7; ++i) {
    double s = std::sin(i * kPi / 12), c = std::cos(i * kPi / 12);
    EXPECT_FLOAT_EQ(kRatio[2][i][0], float(s / (s + c))) << i;
    EXPECT_FLOAT_EQ(kRatio[2][i][1], float(c / (s + c))) << i;
  }
  for (int set = 0; set < 3; ++set)
    for (int i = 0; i < 32; ++i)
      for (int k = 0; k < 2; ++k) EXPECT_TRUE(std::isfinite(kRatio[set][i][k])) << set << " " << i;
  EXPECT_FLOAT_EQ(kRatio[0][1][0], float(std::pow(2.0, -0.25)));
  EXPECT_FLOAT_EQ(kRatio[1][4][1], 0.5f);
  EXPECT_FLOAT_EQ(kRatio[1][0][0], 1.0f);
  // Count-1 quadruples: leaf 1011 with signs 010 is +1, 0, -1, +1.
  const float quad[4] = {1, 0, -1, 1};
  for (int k = 0; k < 4; ++k) EXPECT_EQ(kQuad[(11 << 4) | 2][k], quad[k]);
}

TEST(DecodeTables, SynthesisWindows) {
  // The decoder's window peaks at W(256), negated so the output keeps the
  // standard's polarity; the standard's window relates to it by
  // D(n) = -(-1)^floor(n/64) W(n) and differs by at most 19 / 32768.
  const float* own = mpegtab::kSynthesisWindow[0];
  const float* standard = mpegtab::kSynthesisWindow[1];
  EXPECT_NEAR(own[256], -37519.0, 0.5);
  double worst = 0;
  for (int n = 0; n < 1024; ++n) {
    ASSERT_FLOAT_EQ(own[n], float(Window(n))) << n;
    double d = mpegtab::kStandardWindow[n & 511] / 65536.0 * 32768.0;
    ASSERT_EQ(double(standard[n]), -(((n >> 6) & 1) ? -1 : 1) * d) << n;
    EXPECT_NEAR(-(((n >> 6) & 1) ? -1 : 1) * own[n], d, 19.0) << n;
    worst = std::fmax(worst, std::fabs(standard[n] - own[n]));
  }
  EXPECT_GT(worst, 1.0);  // the two windows really differ
}

TEST(DecodeTables, LayerTwoClasses) {
  using namespace mpegtab;
  EXPECT_TRUE(kClasses[2].grouped);
  EXPECT_EQ(kClasses[16].levels, 65535);
  EXPECT_FALSE(kClasses[16].grouped);
  // Every allocation of every table maps to the class of its levels, and 0 to none.
  for (int tab = 0; tab < 5; ++tab)
    for (int sb = 0; sb < kAllocTables[tab].sblimit; ++sb) {
      EXPECT_EQ(kAllocClass[tab][sb][0], -1);
      for (int a = 1; a < (1 << kAllocTables[tab].nbal[sb]); ++a) {
        ASSERT_GE(kAllocClass[tab][sb][a], 0) << tab << " " << sb << " " << a;
        EXPECT_EQ(kClasses[kAllocClass[tab][sb][a]].levels, kAllocTables[tab].levels[sb][a]);
      }
    }
}
