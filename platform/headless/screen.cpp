#include "platform/headless/screen.h"

#include <cstring>

#include "platform/clock.h"

namespace platform {

VirtualClock* HeadlessClock();

void HeadlessScreen::ShowFrame(const DDFrame& frame) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    last_.width = frame.width;
    last_.height = frame.height;
    last_.pitch = frame.pitch;
    last_.format = frame.format;
    last_.pixels = frame.pixels;
    last_.number = frame.number;
    std::memcpy(last_.palette, frame.palette, sizeof last_.palette);
    ++count_;
  }
  if (VirtualClock* clock = HeadlessClock()) clock->Advance(frameMicros_);
}

bool HeadlessScreen::LastFrame(DDFrame& out) {
  std::lock_guard<std::mutex> hold(lock_);
  if (!count_) return false;
  out.width = last_.width;
  out.height = last_.height;
  out.pitch = last_.pitch;
  out.format = last_.format;
  out.pixels = last_.pixels;
  out.number = last_.number;
  std::memcpy(out.palette, last_.palette, sizeof out.palette);
  return true;
}

uint64_t HeadlessScreen::FrameCount() {
  std::lock_guard<std::mutex> hold(lock_);
  return count_;
}

namespace {
uint8_t Channel(uint32_t value, uint32_t mask) {
  if (!mask) return 0;
  int shift = 0;
  while (!(mask & 1u)) {
    mask >>= 1;
    ++shift;
  }
  int bits = 0;
  while (mask & (1u << bits)) ++bits;
  const uint32_t v = (value >> shift) & mask;
  // Left-aligned without replicating the low bits: 0xF800 red shows as 248.
  return static_cast<uint8_t>(bits >= 8 ? v >> (bits - 8) : v << (8 - bits));
}
}  // namespace

void FrameToRgb(const DDFrame& f, uint8_t* rgb) {
  const int bits = static_cast<int>(f.format.bitCount);
  const bool indexed = f.format.flags & (DDPF_PALETTEINDEXED1 | DDPF_PALETTEINDEXED2 | DDPF_PALETTEINDEXED4 |
                                         DDPF_PALETTEINDEXED8);
  for (int y = 0; y < f.height; ++y) {
    const uint8_t* row = f.pixels.data() + static_cast<size_t>(y) * f.pitch;
    for (int x = 0; x < f.width; ++x, rgb += 3) {
      const uint32_t v = LoadRowPixel(row, x, indexed && bits > 8 ? 8 : bits);
      if (indexed) {
        rgb[0] = f.palette[v].red;
        rgb[1] = f.palette[v].green;
        rgb[2] = f.palette[v].blue;
        continue;
      }
      rgb[0] = Channel(v, f.format.redMask);
      rgb[1] = Channel(v, f.format.greenMask);
      rgb[2] = Channel(v, f.format.blueMask);
    }
  }
}

}  // namespace platform
