#include "platform/web/screen.h"

#include <cstring>

#include "platform/headless/screen.h"
#include "platform/web/page.h"
#include "platform/web/tasks.h"

namespace platform::web {

namespace {
// Enough for hours of frames; the rest are not timed.
constexpr size_t MaxTimes = 1 << 20;
}  // namespace

void WebScreen::ShowFrame(const DDFrame& frame) {
  if (mode_ == Mode::Exact) {
    last_.width = frame.width;
    last_.height = frame.height;
    last_.pitch = frame.pitch;
    last_.format = frame.format;
    last_.pixels = frame.pixels;
    last_.number = frame.number;
    std::memcpy(last_.palette, frame.palette, sizeof last_.palette);
    haveLast_ = true;
    return;
  }
  if (mode_ == Mode::Rehearse) {
    // The first frame is the first the viewer will see; the others are
    // made as they would be drawn, so the code that draws them is warm too.
    if (drawnInRun_) {
      Convert(frame);
    } else {
      Draw(frame);
      drawnInRun_ = true;
    }
    return;
  }
  Draw(frame);
  if (mode_ == Mode::Live) {
    // The first frame stays up until the viewer starts the show.
    WaitForGesture();
    WaitForAnimationFrame();
    return;
  }
  // The bench: the program's own time, what the browser did meanwhile left out.
  const double now = PageMilliseconds() - BrowserMilliseconds();
  if (previous_ >= 0 && times_.size() < MaxTimes) times_.push_back(static_cast<float>(now - previous_));
  if (previous_ < 0) {
    // As a viewer's click does, the first frame leaves the browser time to
    // finish loading the page before frames are timed.
    WaitMilliseconds(1500);
  }
  previous_ = PageMilliseconds() - BrowserMilliseconds();
}

bool WebScreen::LastFrame(DDFrame& out) const {
  if (!haveLast_) return false;
  out.width = last_.width;
  out.height = last_.height;
  out.pitch = last_.pitch;
  out.format = last_.format;
  out.pixels = last_.pixels;
  out.number = last_.number;
  std::memcpy(out.palette, last_.palette, sizeof out.palette);
  return true;
}

void WebScreen::DrawLast() {
  if (haveLast_) Draw(last_);
}

void WebScreen::Draw(const DDFrame& f) {
  if (!Convert(f)) return;
  PutFrame(reinterpret_cast<const uint8_t*>(rgba_.data()), f.width, f.height);
}

bool WebScreen::Convert(const DDFrame& f) {
  if (f.width <= 0 || f.height <= 0) return false;
  const size_t count = static_cast<size_t>(f.width) * static_cast<size_t>(f.height);
  rgba_.resize(count);
  uint32_t* out = rgba_.data();
  if (f.format.flags & DDPF_PALETTEINDEXED8) {
    uint32_t colour[256];
    for (int i = 0; i < 256; ++i)
      colour[i] = uint32_t(f.palette[i].red) | uint32_t(f.palette[i].green) << 8 | uint32_t(f.palette[i].blue) << 16 |
                  0xFF000000u;
    for (int y = 0; y < f.height; ++y) {
      const uint8_t* row = f.pixels.data() + static_cast<size_t>(y) * f.pitch;
      for (int x = 0; x < f.width; ++x) *out++ = colour[row[x]];
    }
  } else {
    std::vector<uint8_t> rgb(count * 3);
    FrameToRgb(f, rgb.data());
    for (size_t i = 0; i < count; ++i)
      out[i] = uint32_t(rgb[3 * i]) | uint32_t(rgb[3 * i + 1]) << 8 | uint32_t(rgb[3 * i + 2]) << 16 | 0xFF000000u;
  }
  return true;
}

}  // namespace platform::web
