#include "platform/input.h"

#include <algorithm>
#include <atomic>

namespace platform {

namespace {
std::atomic<Input*> current{nullptr};
}

Input* GetInput() { return current.load(); }
void SetInput(Input* input) { current.store(input); }

void KeyBuffer::Push(uint32_t scan, bool pressed, uint32_t timeMs) {
  std::lock_guard<std::mutex> hold(lock_);
  ++sequence_;
  if (static_cast<int>(events_.size()) >= depth_) {
    overflow_ = true;
    return;
  }
  events_.push_back({scan, pressed ? 0x80u : 0u, timeMs, sequence_});
}

int32_t KeyBuffer::Take(KeyData* events, int& count) {
  std::lock_guard<std::mutex> hold(lock_);
  int n = std::min<int>(std::max(count, 0), static_cast<int>(events_.size()));
  std::copy(events_.begin(), events_.begin() + n, events);
  events_.erase(events_.begin(), events_.begin() + n);
  count = n;
  int32_t result = overflow_ ? InputBufferOverflow : InputOk;
  overflow_ = false;
  return result;
}

void KeyBuffer::SetDepth(int depth) {
  std::lock_guard<std::mutex> hold(lock_);
  depth_ = std::max(depth, 1);
}

void KeyBuffer::Clear() {
  std::lock_guard<std::mutex> hold(lock_);
  events_.clear();
  overflow_ = false;
}

}  // namespace platform
