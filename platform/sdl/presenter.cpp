#include "platform/sdl/presenter.h"

#include <chrono>
#include <thread>

#include "platform/headless/screen.h"
#include "platform/sdl/window.h"

namespace platform {

namespace {
uint64_t NowMicros() {
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count());
}
}  // namespace

void SdlPresenter::ShowFrame(const DDFrame& frame) {
  std::unique_lock<std::mutex> hold(lock_);
  if (stopped_) return;
  width_ = frame.width;
  height_ = frame.height;
  staging_.resize(static_cast<size_t>(width_) * height_);
  if (frame.format.flags & DDPF_PALETTEINDEXED8) {
    uint32_t colours[256];
    for (int i = 0; i < 256; ++i)
      colours[i] = 0xFF000000u | static_cast<uint32_t>(frame.palette[i].red) << 16 |
                   static_cast<uint32_t>(frame.palette[i].green) << 8 | frame.palette[i].blue;
    for (int y = 0; y < height_; ++y) {
      const uint8_t* row = frame.pixels.data() + static_cast<size_t>(y) * frame.pitch;
      uint32_t* out = staging_.data() + static_cast<size_t>(y) * width_;
      for (int x = 0; x < width_; ++x) out[x] = colours[row[x]];
    }
  } else {
    std::vector<uint8_t> rgb(static_cast<size_t>(width_) * height_ * 3);
    FrameToRgb(frame, rgb.data());
    for (size_t i = 0; i < staging_.size(); ++i)
      staging_[i] = 0xFF000000u | static_cast<uint32_t>(rgb[3 * i]) << 16 |
                    static_cast<uint32_t>(rgb[3 * i + 1]) << 8 | rgb[3 * i + 2];
  }
  const uint64_t number = ++submitted_;
  hold.unlock();
  WakeWindowThread();
  hold.lock();
  // A flip waits until its frame is shown; the timeout keeps a busy or gone
  // window thread from stopping the show.
  shown_.wait_for(hold, std::chrono::milliseconds(250), [&] { return stopped_ || shownNumber_ >= number; });
}

SDL_Rect SdlPresenter::Placement(ScaleMode mode, int w, int h, int ow, int oh) {
  SDL_Rect r{0, 0, ow, oh};
  if (w < 1 || h < 1 || ow < 1 || oh < 1) return r;
  if (mode == ScaleMode::Integer) {
    int k = std::min(ow / w, oh / h);
    if (k < 1) k = 1;
    r.w = w * k;
    r.h = h * k;
  } else if (static_cast<int64_t>(ow) * 3 > static_cast<int64_t>(oh) * 4) {
    r.h = oh;
    r.w = oh * 4 / 3;
  } else {
    r.w = ow;
    r.h = ow * 3 / 4;
  }
  r.x = (ow - r.w) / 2;
  r.y = (oh - r.h) / 2;
  return r;
}

bool SdlPresenter::Render(SDL_Renderer* renderer, bool redraw) {
  if (!hinted_) {
    // The display mode's rate gives the pacing a start; presents refine it.
    hinted_ = true;
    SDL_DisplayMode mode;
    SDL_Window* window = SDL_RenderGetWindow(renderer);
    if (window && SDL_GetWindowDisplayMode(window, &mode) == 0 && mode.refresh_rate > 0)
      pacer_.SetRefreshHint(1e6 / mode.refresh_rate);
  }
  bool waiting = false;
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (stopped_) return false;
    waiting = submitted_ > shownNumber_;
  }
  if (!waiting && !redraw) return false;
  bool fresh = false;
  if (waiting) {
    // Without vsync (benchmarks) every flip goes out at once.
    FramePacer::Decision d{FramePacer::Step::Show, 0};
    if (vsync_) d = pacer_.Next(NowMicros());
    if (d.step == FramePacer::Step::Wait) {
      const uint64_t now = NowMicros();
      if (d.until > now) std::this_thread::sleep_for(std::chrono::microseconds(d.until - now));
    }
    fresh = d.step != FramePacer::Step::Hold;
  }
  uint64_t number = 0;
  if (fresh) {
    std::lock_guard<std::mutex> hold(lock_);
    if (stopped_) return false;
    number = submitted_;
    if (!texture_ || textureW_ != width_ || textureH_ != height_) {
      if (texture_) SDL_DestroyTexture(texture_);
      texture_ = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width_, height_);
      textureW_ = width_;
      textureH_ = height_;
      if (texture_)
        SDL_SetTextureScaleMode(texture_, mode_ == ScaleMode::Linear ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
    }
    if (texture_) SDL_UpdateTexture(texture_, nullptr, staging_.data(), width_ * 4);
  }
  int ow = 0, oh = 0;
  SDL_GetRendererOutputSize(renderer, &ow, &oh);
  SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
  SDL_RenderClear(renderer);
  if (texture_) {
    const SDL_Rect target = Placement(mode_, textureW_, textureH_, ow, oh);
    SDL_RenderCopy(renderer, texture_, nullptr, &target);
  }
  const uint64_t before = NowMicros();
  SDL_RenderPresent(renderer);
  pacer_.Presented(before, NowMicros(), fresh);
  if (fresh) {
    std::lock_guard<std::mutex> hold(lock_);
    shownNumber_ = number;
    ++shownCount_;
  }
  shown_.notify_all();
  return waiting && !fresh;
}

void SdlPresenter::Stop() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    stopped_ = true;
    if (texture_) SDL_DestroyTexture(texture_);
    texture_ = nullptr;
  }
  shown_.notify_all();
}

uint64_t SdlPresenter::ShownCount() {
  std::lock_guard<std::mutex> hold(lock_);
  return shownCount_;
}

}  // namespace platform
