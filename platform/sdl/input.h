// The SDL keyboard and mouse as the input system: SDL's key events become PC
// set-1 scan codes (0x80 added for extended keys) buffered 16 deep; the mouse
// gives accumulated axes and button bits. The mouse is never grabbed.
// Free of SDL headers, so tests can drive it.
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/input.h"

namespace platform {

// The set-1 scan code of an SDL scancode (a USB usage id), or 0 for a key the
// PC keyboard does not have.
int Set1FromSdlScancode(int sdlScancode);
// The button index of an SDL mouse button (bit 0 left, 1 right, 2 middle), or -1.
int MouseButtonIndex(int sdlButton);

class SdlInput final : public Input {
public:
  SdlInput();
  ~SdlInput() override;
  std::vector<InputDeviceInstance> EnumDevices() override;
  std::unique_ptr<InputDevice> CreateDevice(const InputDeviceInstance& instance) override;

  // Window thread. SDL's own key repeats are dropped: the keyboard makes its own.
  void OnKey(int sdlScancode, bool down, bool repeat, uint32_t timeMs);
  void OnMouseMotion(int dx, int dy);
  void OnMouseButton(int sdlButton, bool down);
  void OnMouseWheel(int dy);

  struct State;

private:
  std::shared_ptr<State> state_;
};

// Installs the input system and listens to the window's events (sdl backend start/stop).
void StartSdlInput();
void StopSdlInput();

}  // namespace platform
