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

int KeyBuffer::Room() {
  std::lock_guard<std::mutex> hold(lock_);
  return std::max(depth_ - static_cast<int>(events_.size()), 0);
}

void KeyBuffer::Clear() {
  std::lock_guard<std::mutex> hold(lock_);
  events_.clear();
  overflow_ = false;
}

bool KeyboardMouseDevice::GetCapabilities(InputCaps& caps) {
  caps.devType = keyboard_ ? 0x0403 : 0x0202;
  caps.axes = keyboard_ ? 0 : 3;
  caps.buttons = keyboard_ ? 128 : mouseButtons_;
  return true;
}

bool KeyboardMouseDevice::SetDataFormat(DataFormat format) {
  return format == (keyboard_ ? DataFormat::Keyboard : DataFormat::Mouse);
}

bool KeyboardMouseDevice::SetBufferSize(int events) {
  Keys().SetDepth(events);
  return keyboard_;
}

int32_t KeyboardMouseDevice::GetDeviceData(KeyData* events, int& count) {
  if (!keyboard_) {
    count = 0;
    return InputNotAcquired;
  }
  Refresh();
  if (TakeReadError()) {
    count = 0;
    return InputLost;
  }
  return Keys().Take(events, count);
}

int32_t KeyboardMouseDevice::GetMouseState(MouseState& state) {
  Refresh();
  ReadMouse(state);
  return InputOk;
}

int32_t KeyboardMouseDevice::GetJoystickState(JoystickState& state) {
  state = JoystickState();
  return InputNotAcquired;
}

}  // namespace platform
