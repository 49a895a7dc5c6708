#include "audio/mpeg/decodetables.h"

#include <cmath>
#include <cstring>
#include <memory>

#include "audio/mpeg/tables.h"

namespace {

const double kPi = 3.14159265358979323846;

// The cosine sum as first written gives the standard's output negated (every
// sample's sign flipped); the window carries this sign so the output has the
// standard's polarity. The standard window below then relates to it as
// D(n) = -(-1)^floor(n / 64) x W(n).
const double kWindowSign = -1.0;

float FloatFromBits(uint32_t bits) {
  float f;
  std::memcpy(&f, &bits, 4);
  return f;
}

// Builds one tree; returns the entries used.
int BuildTree(const mpegtab::sHuffCode* codes, int count, int depth, uint32_t prefix,
              int32_t* out, int capacity) {
  // Codes that continue this prefix.
  int match = -1, matches = 0;
  for (int i = 0; i < count; ++i) {
    const auto& c = codes[i];
    if (c.length < depth) continue;
    if (depth && (c.bits >> (c.length - depth)) != prefix) continue;
    ++matches;
    match = i;
    if (c.length == depth) break;
  }
  if (capacity < 1 || matches == 0) return 0;
  if (codes[match].length == depth) {
    out[0] = codes[match].value;
    return 1;
  }
  int left = BuildTree(codes, count, depth + 1, prefix << 1, out + 1, capacity - 1);
  int right = BuildTree(codes, count, depth + 1, (prefix << 1) | 1, out + 1 + left,
                        capacity - 1 - left);
  out[0] = -left;
  return 1 + left + right;
}

void BuildWindows(sDecodeTables& t) {
  for (int iso = 0; iso < 2; ++iso) {
    float full[1024];
    for (int r = 0; r < 32; ++r)
      for (int m = 0; m < 32; ++m) {
        double w = iso ? StandardSynthesisWindow(32 * m + r) : SynthesisWindow(32 * m + r);
        full[32 * r + m] = float((m & 2) ? -w : w);
      }
    for (int ds = 0; ds < 3; ++ds) {
      int rows = 32 >> ds;
      for (int r = 0; r < rows; ++r)
        for (int c = 0; c < 32; ++c) {
          float v = full[32 * (r << ds) + c];
          t.WindowP[iso][ds][32 * r + c] = (c & 1) ? v : -v;
          t.WindowQ[iso][ds][32 * r + 31 - c] = v;
        }
    }
  }
}

void BuildImdct(sDecodeTables& t) {
  for (int type = 0; type < 4; ++type)
    for (int i = 0; i < 36; ++i) {
      double w;
      if (type == 0 || type == 2) {
        w = std::sin(kPi / 36 * (i + 0.5));
      } else if (type == 1) {
        w = i < 18 ? std::sin(kPi / 36 * (i + 0.5))
            : i < 24 ? 1.0
            : i < 30 ? std::sin(kPi / 12 * (i - 18 + 0.5))
                     : 0.0;
      } else {
        w = i < 6 ? 0.0
            : i < 12 ? std::sin(kPi / 12 * (i - 6 + 0.5))
            : i < 18 ? 1.0
                     : std::sin(kPi / 36 * (i + 0.5));
      }
      t.ImdctWindow[type][i] = float(w);
    }
  for (int k = 0; k < 18; ++k)
    for (int m = 0; m < 20; ++m)
      t.Dct4[k][m] = m < 18 ? float(std::cos(kPi / 72 * (2 * m + 1) * (2 * k + 1))) : 0.0f;
  for (int i = 0; i < 12; ++i) {
    double w = std::sin(kPi / 12 * (i + 0.5));
    for (int k = 0; k < 6; ++k)
      t.ImdctShort[k][i] = float(w * std::cos(kPi / 24 * (2 * i + 1 + 6) * (2 * k + 1)));
  }
}

template <int N>
void BuildDct(float (&m)[N][N]) {
  for (int s = 0; s < N; ++s)
    for (int k = 0; k < N; ++k) m[s][k] = float(std::cos(k * (2 * s + 1) * kPi / (2 * N)));
}

void BuildLayer12(sDecodeTables& t) {
  for (int i = 0; i < 63; ++i) t.L12Scale[i] = float(std::pow(2.0, (3 - i) / 3.0));
  t.L12Scale[63] = 0;
  for (int n = 0; n < 16; ++n) t.Layer1Factor[n] = float(2.0 / (std::pow(2.0, n + 1) - 1));
  static const int kGroupedLevels[3] = {3, 5, 9};
  static const int kGroupedBits[3] = {5, 7, 10};
  for (int c = 0; c < 17; ++c) {
    auto& k = t.Classes[c];
    k.grouped = c < 3;
    k.levels = c < 3 ? kGroupedLevels[c] : (1 << c) - 1;
    k.bits = c < 3 ? kGroupedBits[c] : c;
    k.offset = (k.levels - 1) / 2;
    k.factor = float(2.0 / k.levels);
  }
  for (int c = 0; c < 3; ++c)
    for (int code = 0; code < 1024; ++code) {
      // Remainder first; codes beyond levels^3 (damaged streams) split the same way.
      int g = code;
      for (int k = 0; k < 3; ++k) {
        t.Ungroup[c][code][k] = int8_t(g % t.Classes[c].levels);
        g /= t.Classes[c].levels;
      }
    }
  for (int tab = 0; tab < 5; ++tab)
    for (int sb = 0; sb < 32; ++sb)
      for (int a = 0; a < 16; ++a) {
        int levels = mpegtab::kAllocTables[tab].levels[sb][a];
        int cls = -1;
        for (int c = 0; c < 17 && levels; ++c)
          if (t.Classes[c].levels == levels) cls = c;
        t.AllocClass[tab][sb][a] = int8_t(cls);
      }
}

std::unique_ptr<sDecodeTables> Build() {
  auto t = std::make_unique<sDecodeTables>();
  for (int i = 0; i < 8207; ++i) t->Power[i] = float(std::pow(double(i), 4.0 / 3.0));
  for (int i = 0; i < 256; ++i) t->GlobalGain[i] = float(std::pow(2.0, (i - 210) / 4.0));
  for (int i = 0; i < 65; ++i) t->Scale[i] = float(std::pow(2.0, -i / 2.0));
  t->MiddleSide = float(std::sqrt(0.5));
  for (int i = 0; i < 32; ++i) {
    // Positions beyond 6 never carry audio; they keep position 6's ratio
    // (9 x pi / 12 would divide by zero).
    double a = (i < 7 ? i : 6) * kPi / 12;
    double s = std::sin(a), c = std::cos(a);
    t->Ratio[2][i][0] = float(s / (s + c));
    t->Ratio[2][i][1] = float(c / (s + c));
    for (int set = 0; set < 2; ++set) {
      double b = std::pow(2.0, set ? -0.5 : -0.25);
      if (i & 1) {
        t->Ratio[set][i][0] = float(std::pow(b, (i + 1) / 2));
        t->Ratio[set][i][1] = 1.0f;
      } else {
        t->Ratio[set][i][0] = 1.0f;
        t->Ratio[set][i][1] = float(std::pow(b, i / 2));
      }
    }
  }
  for (int n = 0; n < 34; ++n) {
    const auto& h = mpegtab::kHuffTables[n];
    t->Linbits[n] = h.linbits;
    if (!h.codes) {
      t->Tree[n][0] = 0;
      continue;
    }
    BuildTree(h.codes, h.count, 0, 0, t->Tree[n], 1024);
  }
  for (int n = 0; n < 34; ++n)
    for (int bits = 0; bits < 256; ++bits) {
      const int32_t* tree = t->Tree[n];
      int i = 0, used = 0;
      while (tree[i] < 0 && used < 8) {
        int bit = (bits >> (7 - used)) & 1;
        ++used;
        i += bit ? 1 - tree[i] : 1;
      }
      t->Fast[n][bits] = tree[i] >= 0 ? (tree[i] << 8) | used : -i;
    }
  for (int leaf = 0; leaf < 16; ++leaf) {
    int count = 0;
    for (int k = 0; k < 4; ++k) count += (leaf >> k) & 1;
    t->QuadSigns[leaf] = count;
    for (int signs = 0; signs < 16; ++signs) {
      int bit = count;
      for (int k = 0; k < 4; ++k) {
        float v = 0.0f;
        if (leaf & (8 >> k)) v = (signs >> --bit) & 1 ? -1.0f : 1.0f;
        t->Quad[leaf][signs][k] = v;
      }
    }
  }
  for (int k = 0; k < 5; ++k)
    for (int j = 0; j < (1 << k); ++j)
      t->DctCoef[(1 << k) + j] = float(0.5 / std::cos((2 * j + 1) * kPi / (4 * (1 << k))));
  for (int i = 0; i < 8; ++i) {
    double c = mpegtab::kAliasCoefficients[i];
    double cs = 1.0 / std::sqrt(1.0 + c * c);
    t->AliasCs[i] = float(cs);
    t->AliasCa[i] = float(c * cs);
  }
  BuildImdct(*t);
  BuildDct(t->Dct32);
  BuildDct(t->Dct16);
  BuildDct(t->Dct8);
  BuildWindows(*t);
  BuildLayer12(*t);
  return t;
}

}  // namespace

double SynthesisWindow(int n) {
  const double c7 = FloatFromBits(0xBC0B3838u);
  const double c6 = FloatFromBits(0x3DB16B77u);
  const double c5 = FloatFromBits(0xBEAEF4E7u);
  const double c[8] = {0.5,
                       -std::sqrt(1 - c7 * c7),
                       std::sqrt(1 - c6 * c6),
                       -std::sqrt(1 - c5 * c5),
                       std::sqrt(0.5),
                       c5,
                       c6,
                       c7};
  double sum = 0;
  for (int k = 0; k < 8; ++k) sum += c[k] * std::cos(k * n * kPi / 256);
  return kWindowSign * 8192 * sum;
}

double StandardSynthesisWindow(int n) {
  n &= 511;
  double d = mpegtab::kStandardWindow[n] / 65536.0;
  // W(n) = -(-1)^floor(n / 64) x D(n), in W's scale (full scale 32768).
  double w = ((n >> 6) & 1) ? d : -d;
  return 32768 * w;
}

const sDecodeTables& DecodeTables() {
  static const std::unique_ptr<sDecodeTables> tables = Build();
  return *tables;
}
