// The headless screen: the last presented frame and its palette, kept in
// memory for tests and tools.
#pragma once
#include <cstdint>
#include <mutex>

#include "platform/display.h"

namespace platform {

class HeadlessScreen final : public Presenter {
public:
  // Each frame advances the virtual clock, when there is one, by `frameMicros`.
  explicit HeadlessScreen(unsigned frameMicros) : frameMicros_(frameMicros) {}
  void ShowFrame(const DDFrame& frame) override;

  // Copies of the last frame (false when none was shown yet).
  bool LastFrame(DDFrame& out);
  uint64_t FrameCount();

private:
  std::mutex lock_;
  DDFrame last_;
  uint64_t count_ = 0;
  unsigned frameMicros_;
};

// The running headless backend's screen, or null.
HeadlessScreen* GetHeadlessScreen();

// The frame as 8-bit RGB rows (palette applied for indexed frames).
void FrameToRgb(const DDFrame& frame, uint8_t* rgb);

}  // namespace platform
