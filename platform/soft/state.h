// State shared by the software DirectDraw objects (internal to platform/soft).
#pragma once
#include <mutex>
#include <set>

#include "platform/display.h"

namespace platform {

struct DDSurface::Buffer {
  std::vector<uint8_t> bytes;
};

namespace soft {

struct State {
  std::mutex lock;  // guards the pending frame and the surface registry
  DirectDraw* ddraw = nullptr;
  std::set<DDSurface*> surfaces;
  uint32_t videoInUse = 0;
  const std::vector<DDModeInfo>* modes = nullptr;  // null: the classic modes
  DDPixelFormat screenFormat = FormatIndexed(8);
  // The frame flipped to the front and not yet handed to the presenter.
  bool pending = false;
  DDFrame frame;
  uint64_t frames = 0;
};

State& GetState();
// Hands a flipped frame to the presenter, with the palette attached to the
// primary now. Called when Present ends (the back buffer's waiting lock), at
// the next flip and when the chain is released.
void CommitFrame(const DDSurface* primary);
int BytesPerPixel(const DDPixelFormat& format);

}  // namespace soft
}  // namespace platform
