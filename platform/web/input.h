// The page's keyboard and mouse as the input system: keys by position
// (KeyboardEvent.code to set-1 scan codes) buffered 16 deep, the mouse's
// movement, wheel and buttons over the canvas.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/input.h"

namespace platform::web {

class WebInput final : public Input {
public:
  WebInput();
  ~WebInput() override;
  std::vector<InputDeviceInstance> EnumDevices() override;
  std::unique_ptr<InputDevice> CreateDevice(const InputDeviceInstance& instance) override;

  // From the page's events. Repeats of a held key are dropped: the keyboard
  // makes its own.
  void OnKey(int scan, bool down, bool repeat, uint32_t timeMs);
  void OnMouseMove(int dx, int dy);
  void OnMouseButton(int domButton, bool down);
  void OnWheel(double dy);
  // The page lost the focus: what was held is released.
  void OnBlur(uint32_t timeMs);
  // Drops the keys not read yet and forgets what is held (before a new run).
  void Forget();

  struct State;

private:
  std::shared_ptr<State> state_;
};

}  // namespace platform::web
