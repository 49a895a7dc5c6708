// The whole program in this process: shell, display driver and DemoMain on the
// headless backend with the virtual clock, which the test sets after every frame.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include "vo/frame_observer.h"
namespace showrun {
// Called after each presented frame; returns the clock (microseconds) for what follows it.
using FrameHook = std::function<uint64_t(const sFrameInfo& frame)>;
// Runs the built default show to its end from start-up state, also after a run
// that ended in a fatal error; returns the fatal text ("" for none).
std::string Run(const std::string& keys, const FrameHook& hook);
// The presented picture's pixels, hashed; the frames the screen has received.
uint64_t ScreenHash();
uint64_t PresentedFrames();
}  // namespace showrun
