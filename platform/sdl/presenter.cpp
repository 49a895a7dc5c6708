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
constexpr uint64_t FrameMicros = 16667;
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

void SdlPresenter::Render(SDL_Renderer* renderer, bool redraw) {
  uint64_t number = 0;
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (stopped_) return;
    if (submitted_ > shownNumber_) {
      number = submitted_;
      if (!texture_ || textureW_ != width_ || textureH_ != height_) {
        if (texture_) SDL_DestroyTexture(texture_);
        texture_ = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width_,
                                     height_);
        textureW_ = width_;
        textureH_ = height_;
        if (texture_)
          SDL_SetTextureScaleMode(texture_, mode_ == ScaleMode::Linear ? SDL_ScaleModeLinear
                                                                       : SDL_ScaleModeNearest);
      }
      if (texture_) SDL_UpdateTexture(texture_, nullptr, staging_.data(), width_ * 4);
    } else if (!redraw) {
      return;
    }
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
  const uint64_t after = NowMicros();
  presentCost_ = presentCost_ * 0.9 + (after - before) / 1000.0 * 0.1;
  if (number) {
    // A present that does not wait for the refresh (no vsync: Xvfb, some
    // compositors) is paced here: the show's blobs move per frame.
    if (vsync_ && presentCost_ < 2.0 && lastPresent_ && after < lastPresent_ + FrameMicros)
      std::this_thread::sleep_for(std::chrono::microseconds(lastPresent_ + FrameMicros - after));
    lastPresent_ = NowMicros();
    std::lock_guard<std::mutex> hold(lock_);
    shownNumber_ = number;
    ++shownCount_;
  }
  shown_.notify_all();
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
