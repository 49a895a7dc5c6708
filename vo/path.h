// A timed path in 16.16 fixed point: Catmull-Rom segments through control points.
#pragma once
#include <cstdint>

struct sPathPoint {
  enum { Coords = 7 };
  int32_t Time;
  int32_t Coord[Coords];
  // Coefficients c0..c3 per coordinate of the segment starting here (Init).
  int32_t Coef[Coords][4];
  int32_t Extra;
};
static_assert(sizeof(sPathPoint) == 37 * 4, "a control point is 37 words");

class sPath {
public:
  void Init(sPathPoint* points, int count);
  // Moves dt along the path; false once it has ended (or never started).
  bool Advance(int32_t dt);
  bool IsRunning() const { return Count > 0; }

  sPathPoint* Points = nullptr;
  int Count = 0;
  int Segment = 0;
  int32_t Time = 0;
  int32_t Value[sPathPoint::Coords] = {};
  int32_t Extra = 0;
};
