// The web presenter: each flipped frame goes to the page's canvas with its
// palette applied, paced by the browser's animation frames; in the exact mode
// of tests frames are only kept, and the caller shows the one it wants.
#pragma once
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/display.h"

namespace platform::web {

class WebScreen final : public Presenter {
public:
  enum class Mode {
    Live,   // drawn and paced by animation frames; the first waits for a gesture
    Exact,  // kept, not drawn, not paced
    Bench,  // drawn, not paced
    Rehearse,  // made ready to draw, not drawn (but the first), not paced
  };
  explicit WebScreen(Mode mode) : mode_(mode) {}
  void ShowFrame(const DDFrame& frame) override;

  Mode GetMode() const { return mode_; }
  void SetMode(Mode mode) { mode_ = mode; }
  // The last frame shown (false before the first).
  bool LastFrame(DDFrame& out) const;
  // Draws the last frame on the canvas.
  void DrawLast();
  // The bench's milliseconds of work per frame: from the end of the previous
  // wait (or frame) to the frame on the canvas, less the time the browser had
  // the thread meanwhile. The first frame of a run is left out. Handed over
  // here, and forgotten.
  std::vector<float> TakeFrameTimes() { return std::exchange(times_, {}); }
  // A new run of the show: its times start afresh.
  void NewRun() {
    previous_ = -1;
    drawnInRun_ = false;
    times_.clear();
  }

private:
  void Draw(const DDFrame& frame);
  // The frame as RGBA pixels in rgba_; false for an empty frame.
  bool Convert(const DDFrame& frame);

  Mode mode_;
  DDFrame last_;
  bool haveLast_ = false;
  std::vector<uint32_t> rgba_;
  std::vector<float> times_;
  double previous_ = -1;
  bool drawnInRun_ = false;
};

// The running web backend's screen, or null.
WebScreen* GetWebScreen();

// The viewer's gestures: a click or key that starts (or restarts) the show is
// taken for that and not handed to the show.
void WantGesture();
// Waits for the gesture asked for with WantGesture (at once when there was
// one), with note over the canvas meanwhile.
void WaitForGesture(const char* note = "click to start");

}  // namespace platform::web
