#include "vo/path.h"

#include "framework/math.h"
#include "framework/system/fatal.h"

namespace {
const int AngleFirst = 4;       // coordinates 4..6 are angles
const int32_t AnglePeriod = 16384;
const int AssertPathTimes = 118;
}  // namespace

void sPath::Init(sPathPoint* points, int count) {
  Points = points;
  Count = count;
  Segment = 1;
  Time = 0;
  // Take the short way round between successive angles.
  for (int i = 1; i < count; ++i) {
    for (int c = AngleFirst; c < sPathPoint::Coords; ++c) {
      const int32_t prev = points[i - 1].Coord[c];
      int32_t& v = points[i].Coord[c];
      while (v - prev > AnglePeriod / 2) v -= AnglePeriod;
      while (prev - v > AnglePeriod / 2) v += AnglePeriod;
    }
  }
  for (int i = 1; i <= count - 3; ++i) {
    const int32_t ta = points[i - 1].Time, t0 = points[i].Time, t1 = points[i + 1].Time, tb = points[i + 2].Time;
    if (t0 < ta || t1 < t0 || tb < t1) Assertion(AssertPathTimes, "vo/effect");
    const int32_t dt = t1 - t0;
    const bool flat = t0 == t1 || ta == t1 || t0 == tb;
    for (int c = 0; c < sPathPoint::Coords; ++c) {
      const int32_t pa = points[i - 1].Coord[c], p0 = points[i].Coord[c], p1 = points[i + 1].Coord[c],
                    pb = points[i + 2].Coord[c];
      int32_t* k = points[i].Coef[c];
      if (flat) {
        k[0] = p0;
        k[1] = k[2] = k[3] = 0;
        continue;
      }
      // Tangents scaled to this segment's own length.
      const int32_t m0 = FixDiv(p1 - pa, FixDiv(t1 - ta, dt));
      const int32_t m1 = FixDiv(pb - p0, FixDiv(tb - t0, dt));
      const int32_t d = p1 - p0;
      k[0] = p0;
      k[1] = m0;
      k[2] = 3 * d - 2 * m0 - m1;
      k[3] = m0 + m1 - 2 * d;
    }
  }
}

bool sPath::Advance(int32_t dt) {
  if (Count < 1) return false;
  Time += dt;
  while (Time >= Points[Segment + 1].Time) {
    ++Segment;
    if (Segment == Count - 2) {
      Count = Segment = Time = 0;
      return false;
    }
  }
  const sPathPoint& p = Points[Segment];
  const int32_t span = Points[Segment + 1].Time - p.Time;
  const int32_t s = span == 0 ? 0 : FixDiv(Time - p.Time, span);
  const int32_t s2 = FixMul(s, s), s3 = FixMul(s2, s);
  for (int c = 0; c < sPathPoint::Coords; ++c) {
    const int32_t* k = p.Coef[c];
    Value[c] = FixMul(k[3], s3) + FixMul(k[1], s) + FixMul(k[2], s2) + k[0];
  }
  Extra = p.Extra;
  return true;
}
