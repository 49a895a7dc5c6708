// Frame pacing: 60 frames per second on a display of any refresh rate. The
// show's blobs move per frame, so a 144 Hz monitor must not make them 2.4
// times as fast. Each frame is held for the refreshes nearest its 1/60 s
// slot: on 120 Hz every frame twice, on 75 Hz four frames in five refreshes,
// on 144 Hz two or three times. Times are microseconds of a steady clock.
#pragma once
#include <cstdint>

namespace platform {

class FramePacer {
public:
  static constexpr double SlotMicros = 1e6 / 60;

  enum class Step { Show, Hold, Wait };
  struct Decision {
    Step step;
    uint64_t until;  // for Wait: when the frame is due
  };

  // The display's refresh period as its mode reports it (0: not known); the
  // presents themselves refine it.
  void SetRefreshHint(double micros) { hint_ = micros; }

  // With a new frame waiting, at `now`: show it with the next present, show
  // the current frame once more (the coming refresh is not yet the one
  // nearest the new frame's slot), or, where presents do not wait for the
  // refresh, sleep until the slot.
  Decision Next(uint64_t now) const;
  // After each present: when it began and returned, and whether it showed a
  // new frame.
  void Presented(uint64_t before, uint64_t after, bool fresh);

  // Presents are seen to wait for the refresh (vsync at work).
  bool PresentsWait() const { return cost_ >= 1000; }
  // The refresh period as measured, else the hint; 0 while neither is known.
  double RefreshMicros() const { return period_ > 0 ? period_ : hint_; }

private:
  // Whole refreshes per slot when the rate is within 1% of a multiple of 60
  // (60, 120, 240 Hz, also 59.94): those frames are held exactly that often.
  int WholeRefreshes() const;

  enum { Samples = 31 };
  double hint_ = 0;
  double period_ = 0;
  double samples_[Samples] = {};
  int sampleCount_ = 0;
  double cost_ = 0;  // running mean of a present's duration
  uint64_t lastAfter_ = 0;
  double due_ = -1;  // when the next new frame should first appear; < 0: at once
};

}  // namespace platform
