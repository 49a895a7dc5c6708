// Shows flipped frames in the SDL window. The flipping thread converts the
// frame through its palette into a staging image under a lock and waits; the
// window thread, the only one that talks to the renderer, uploads and shows it.
#pragma once
#include <SDL.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/display.h"
#include "platform/pacing.h"

namespace platform {

enum class ScaleMode { Nearest, Integer, Linear };

class SdlPresenter final : public Presenter {
public:
  // Without vsync the presenter neither waits for the refresh nor paces
  // (benchmarks measure the presenting itself).
  SdlPresenter(ScaleMode mode, bool vsync) : mode_(mode), vsync_(vsync) {}
  // Flipping thread.
  void ShowFrame(const DDFrame& frame) override;

  // Window thread: shows a waiting frame (or redraws the last one when
  // `redraw`) at 60 frames per second whatever the refresh rate: a frame
  // waits for the refresh nearest its slot while the one before is shown
  // again. Returns true while a frame still waits: call again at once (the
  // present then waits for the next refresh).
  bool Render(SDL_Renderer* renderer, bool redraw);
  // Window thread, before the renderer goes: frees the texture, releases waiters.
  void Stop();
  uint64_t ShownCount();

  // Where a frame of w x h goes in an output of ow x oh (4:3, letterboxed).
  static SDL_Rect Placement(ScaleMode mode, int w, int h, int ow, int oh);

private:
  ScaleMode mode_;
  bool vsync_;
  std::mutex lock_;
  std::condition_variable shown_;
  std::vector<uint32_t> staging_;
  int width_ = 0, height_ = 0;
  uint64_t submitted_ = 0, shownNumber_ = 0, shownCount_ = 0;
  bool stopped_ = false;
  // Window thread only.
  SDL_Texture* texture_ = nullptr;
  int textureW_ = 0, textureH_ = 0;
  FramePacer pacer_;
  bool hinted_ = false;
};

}  // namespace platform
