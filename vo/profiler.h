// Frame-time profiler: timed marks per frame, shown as a bar of coloured
// stretches along the bottom of the screen (the previous, complete frame).
#pragma once
#include <cstdint>

class sDisplay;

class sProfiler {
public:
  enum { MaxMarks = 64, LineValue = 15 };

  sProfiler();
  void SetScale(int milliseconds) { Scale = milliseconds; }
  // Closes the frame being measured and opens the next with the same mark.
  void Begin(int id);
  void Mark(int id);
  void Draw(sDisplay* display);

  // The mark times as given (tests); Begin and Mark read GetMicroseconds.
  void BeginAt(uint64_t t, int id);
  void MarkAt(uint64_t t, int id);

  uint64_t Times[2][MaxMarks];
  int32_t Ids[2][MaxMarks];
  int32_t Counts[2];
  int32_t Current;
  int32_t Scale;
};

extern sProfiler Profiler;
