#include "framework/math.h"

#include <cmath>

#include "framework/system/fatal.h"
#include "framework/system/reset.h"

// arctan(i/64) in 16384ths of a turn, and one zero read only with weight 0.
const uint16_t AtanTable[66] = {
    0,    40,   81,   122,  162,  203,  243,  284,  324,  364,  404,  443,  483,  522,
    561,  600,  638,  677,  714,  752,  789,  826,  863,  899,  935,  971,  1006, 1041,
    1075, 1109, 1143, 1176, 1209, 1241, 1273, 1304, 1336, 1366, 1397, 1427, 1456, 1485,
    1514, 1542, 1570, 1597, 1625, 1651, 1677, 1703, 1729, 1754, 1779, 1803, 1827, 1851,
    1874, 1897, 1919, 1942, 1963, 1985, 2006, 2027, 2047, 0};

int32_t SinTable[4097];
uint16_t ExpTable[513];
float SinTableF[513];
int32_t InvSqrtTable[256];
int32_t SqrtTable[257];

namespace {
uint32_t RandomState[2];

void ResetRandom() {
  RandomState[0] = 0x42AFD867u;
  RandomState[1] = 0x7294BD7Eu;
}
const ResetHook resetRandom(ResetRandom);
const bool randomSeeded = (ResetRandom(), true);

uint32_t High32(uint32_t a, uint32_t b) {
  return static_cast<uint32_t>((static_cast<uint64_t>(a) * b) >> 32);
}

uint32_t RotateRight(uint32_t v, int n) { return (v >> n) | (v << (32 - n)); }

int AtanLookup(int a) {
  int i = a >> 10, f = a & 0x3FF;
  return AtanTable[i] + (((AtanTable[i + 1] - AtanTable[i]) * f) >> 10);
}

// arctangent of p/q for 0 < p <= q
int AtanRatio(int p, int q) { return FixAtan(FixDiv(p, q)); }
}  // namespace

int FixMulDiv(int a, int b, int c) {
  return static_cast<int>(static_cast<int64_t>(a) * b / c);
}

int FixMul(int a, int b) { return FixMulDiv(a, b, 65536); }

int FixDiv(int a, int b) { return FixMulDiv(a, 65536, b); }

unsigned FixSqrt(unsigned x) {
  // Two bits a step: the 32 bits of x, then 16 zero bits.
  uint64_t bits = static_cast<uint64_t>(x) << 16;
  uint64_t root = 0, rem = 0;
  for (int step = 0; step < 24; ++step) {
    root <<= 1;
    rem = (rem << 2) | ((bits >> 46) & 3);
    bits <<= 2;
    if (rem >= 2 * root + 1) {
      rem -= 2 * root + 1;
      root += 1;
    }
  }
  return static_cast<unsigned>(root);
}

int FixAtan(int t) {
  // |t| in unsigned arithmetic: the most negative value stays representable.
  uint32_t a = t < 0 ? 0u - static_cast<uint32_t>(t) : static_cast<uint32_t>(t);
  int v;
  if (a <= 0x10000u)
    v = AtanLookup(static_cast<int>(a));
  else
    v = 4095 - AtanLookup(FixDiv(0x10000, static_cast<int>(a > 0x7FFFFFFFu ? 0x7FFFFFFFu : a)));
  v *= 4;
  return t < 0 ? -v : v;
}

int FixAtan2(int y, int x) {
  if (y == INT32_MIN) Assertion(249, "math");
  if (x == INT32_MIN) Assertion(250, "math");
  if (y == 0) return x < 0 ? -32768 : 0;
  if (x == 0) return y < 0 ? -16384 : 16384;
  if (y < 0) {
    if (x < 0) return -x < -y ? -16384 - AtanRatio(-x, -y) : AtanRatio(-y, -x) - 32766;
    return x < -y ? AtanRatio(x, -y) - 16382 : -AtanRatio(-y, x);
  }
  if (x < 0) return -x < y ? AtanRatio(-x, y) + 16384 : 32766 - AtanRatio(y, -x);
  return x < y ? 16382 - AtanRatio(x, y) : AtanRatio(y, x);
}

int Random16() {
  uint32_t a = RotateRight(RandomState[0], 12);
  uint32_t b = RotateRight(RandomState[1], 5);
  RandomState[0] = a ^ b;
  RandomState[1] = RandomState[0] - a;
  return static_cast<int>(RandomState[1] & 0xFFFFu);
}

double FloatSin(double x) { return std::sin(x); }
double FloatAbs(double x) { return std::fabs(x); }
int Min(int a, int b) { return a < b ? a : b; }
int Sign(int a) { return a < 0 ? -1 : (a > 0 ? 1 : 0); }
int Abs(int a) { return a < 0 ? -a : a; }
int Clamp(int v, int hi, int lo) { return v < lo ? lo : Min(v, hi); }
unsigned AlignUp(unsigned v, unsigned a) { return (v + a - 1) & ~(a - 1); }

void InitMathTables() {
  uint32_t c = 0x80000000u, s = 0;
  const uint32_t k = 0x1921FC;
  SinTable[0] = 0;
  for (int i = 1; i < 4096; ++i) {
    s += High32(c, k);
    c -= High32(s, k);
    SinTable[i] = static_cast<int32_t>(s >> 15);
  }
  SinTable[4096] = 0x10000;

  uint64_t x = 0x4000000000000000ull;
  for (int i = 0; i <= 512; ++i) {
    ExpTable[i] = static_cast<uint16_t>((x >> 46) - 1);
    for (int j = 0; j < 1024; ++j) x -= x >> 16;
  }

  for (int i = 0; i <= 512; ++i) SinTableF[i] = static_cast<float>(std::sin(i * 0.012271846302734375));
  for (int i = 0; i < 256; ++i)
    InvSqrtTable[i] = FixMulDiv(65536, 65536, static_cast<int>(FixSqrt(1024u * (i + 1)))) - 1;
  for (int i = 0; i <= 256; ++i) SqrtTable[i] = static_cast<int32_t>(FixSqrt(1024u * i));
}
