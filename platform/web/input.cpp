#include "platform/web/input.h"

namespace platform::web {

struct WebInput::State {
  KeyBuffer keys;
  MouseState mouse;
  bool held[256] = {};
};

namespace {

constexpr int KeyboardId = 1;
constexpr int MouseId = 2;

class WebDevice final : public KeyboardMouseDevice {
public:
  WebDevice(std::shared_ptr<WebInput::State> state, bool keyboard)
      : KeyboardMouseDevice(keyboard, 3), state_(std::move(state)) {}

private:
  KeyBuffer& Keys() override { return state_->keys; }
  void ReadMouse(MouseState& out) override { out = state_->mouse; }

  std::shared_ptr<WebInput::State> state_;
};

}  // namespace

WebInput::WebInput() : state_(std::make_shared<State>()) {}
WebInput::~WebInput() = default;

std::vector<InputDeviceInstance> WebInput::EnumDevices() {
  return {{KeyboardId, 0x0403, "Keyboard", "Page Keyboard"}, {MouseId, 0x0202, "Mouse", "Page Mouse"}};
}

std::unique_ptr<InputDevice> WebInput::CreateDevice(const InputDeviceInstance& instance) {
  if (instance.id != KeyboardId && instance.id != MouseId) return nullptr;
  return std::make_unique<WebDevice>(state_, instance.id == KeyboardId);
}

void WebInput::OnKey(int scan, bool down, bool repeat, uint32_t timeMs) {
  if (scan <= 0 || scan > 0xFF) return;
  // A repeat, or a release of a key pressed before the page had the focus.
  if (repeat || (down && state_->held[scan]) || (!down && !state_->held[scan])) return;
  state_->held[scan] = down;
  state_->keys.Push(static_cast<uint32_t>(scan), down, timeMs);
}

void WebInput::OnMouseMove(int dx, int dy) {
  state_->mouse.x += dx;
  state_->mouse.y += dy;
}

void WebInput::OnMouseButton(int domButton, bool down) {
  // DOM buttons: 0 left, 1 middle, 2 right; ours: bit 0 left, 1 right, 2 middle.
  static const int index[3] = {0, 2, 1};
  if (domButton < 0 || domButton > 2) return;
  state_->mouse.buttons[index[domButton]] = down ? 0x80 : 0;
}

void WebInput::OnWheel(double dy) {
  // Pages scroll down with positive deltas; one notch up counts +120.
  state_->mouse.z += dy < 0 ? 120 : dy > 0 ? -120 : 0;
}

void WebInput::OnBlur(uint32_t timeMs) {
  for (int scan = 1; scan < 256; ++scan)
    if (state_->held[scan]) OnKey(scan, false, false, timeMs);
  for (uint8_t& b : state_->mouse.buttons) b = 0;
}

}  // namespace platform::web

namespace platform::web {

void WebInput::Forget() {
  state_->keys.Clear();
  for (bool& h : state_->held) h = false;
  state_->mouse = MouseState();
}

}  // namespace platform::web
