// A look at every presented frame, for the tools and tests that trace the show
// (not part of the show: nothing observes it in a normal run).
#pragma once
#include <cstdint>

class sTimeline;

struct sFrameInfo {
  uint64_t Frame;              // 0 for the first frame of the run
  float Time;                  // the show time it was rendered at, ms
  const sTimeline* Timeline;   // its ActiveChannels are this frame's
};

using FrameObserver = void (*)(const sFrameInfo& frame, void* user);
// Called by the main loop after each Present, before the input is read.
void SetFrameObserver(FrameObserver observer, void* user);
void ObserveFrame(const sFrameInfo& frame);
