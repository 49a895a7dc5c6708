#include "platform/sdl/input.h"

#include <SDL.h>

#include "platform/sdl/events.h"
#include "platform/sdl/window.h"

namespace platform {

int Set1FromSdlScancode(int s) {
  // Letters by position: SDL_SCANCODE_A (4) .. SDL_SCANCODE_Z (29).
  static const uint8_t letters[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                      0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                      0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
  if (s >= SDL_SCANCODE_A && s <= SDL_SCANCODE_Z) return letters[s - SDL_SCANCODE_A];
  if (s >= SDL_SCANCODE_1 && s <= SDL_SCANCODE_0) return 0x02 + (s - SDL_SCANCODE_1);
  if (s >= SDL_SCANCODE_F1 && s <= SDL_SCANCODE_F10) return 0x3B + (s - SDL_SCANCODE_F1);
  switch (s) {
    case SDL_SCANCODE_RETURN: return 0x1C;
    case SDL_SCANCODE_ESCAPE: return 0x01;
    case SDL_SCANCODE_BACKSPACE: return 0x0E;
    case SDL_SCANCODE_TAB: return 0x0F;
    case SDL_SCANCODE_SPACE: return 0x39;
    case SDL_SCANCODE_MINUS: return 0x0C;
    case SDL_SCANCODE_EQUALS: return 0x0D;
    case SDL_SCANCODE_LEFTBRACKET: return 0x1A;
    case SDL_SCANCODE_RIGHTBRACKET: return 0x1B;
    case SDL_SCANCODE_BACKSLASH: return 0x2B;
    case SDL_SCANCODE_NONUSHASH: return 0x2B;
    case SDL_SCANCODE_SEMICOLON: return 0x27;
    case SDL_SCANCODE_APOSTROPHE: return 0x28;
    case SDL_SCANCODE_GRAVE: return 0x29;
    case SDL_SCANCODE_COMMA: return 0x33;
    case SDL_SCANCODE_PERIOD: return 0x34;
    case SDL_SCANCODE_SLASH: return 0x35;
    case SDL_SCANCODE_CAPSLOCK: return 0x3A;
    case SDL_SCANCODE_F11: return 0x57;
    case SDL_SCANCODE_F12: return 0x58;
    case SDL_SCANCODE_PRINTSCREEN: return 0xB7;
    case SDL_SCANCODE_SCROLLLOCK: return 0x46;
    case SDL_SCANCODE_PAUSE: return 0xC5;
    case SDL_SCANCODE_INSERT: return 0xD2;
    case SDL_SCANCODE_HOME: return 0xC7;
    case SDL_SCANCODE_PAGEUP: return 0xC9;
    case SDL_SCANCODE_DELETE: return 0xD3;
    case SDL_SCANCODE_END: return 0xCF;
    case SDL_SCANCODE_PAGEDOWN: return 0xD1;
    case SDL_SCANCODE_RIGHT: return 0xCD;
    case SDL_SCANCODE_LEFT: return 0xCB;
    case SDL_SCANCODE_DOWN: return 0xD0;
    case SDL_SCANCODE_UP: return 0xC8;
    case SDL_SCANCODE_NUMLOCKCLEAR: return 0x45;
    case SDL_SCANCODE_KP_DIVIDE: return 0xB5;
    case SDL_SCANCODE_KP_MULTIPLY: return 0x37;
    case SDL_SCANCODE_KP_MINUS: return 0x4A;
    case SDL_SCANCODE_KP_PLUS: return 0x4E;
    case SDL_SCANCODE_KP_ENTER: return 0x9C;
    case SDL_SCANCODE_KP_1: return 0x4F;
    case SDL_SCANCODE_KP_2: return 0x50;
    case SDL_SCANCODE_KP_3: return 0x51;
    case SDL_SCANCODE_KP_4: return 0x4B;
    case SDL_SCANCODE_KP_5: return 0x4C;
    case SDL_SCANCODE_KP_6: return 0x4D;
    case SDL_SCANCODE_KP_7: return 0x47;
    case SDL_SCANCODE_KP_8: return 0x48;
    case SDL_SCANCODE_KP_9: return 0x49;
    case SDL_SCANCODE_KP_0: return 0x52;
    case SDL_SCANCODE_KP_PERIOD: return 0x53;
    case SDL_SCANCODE_NONUSBACKSLASH: return 0x56;
    case SDL_SCANCODE_APPLICATION: return 0xDD;
    case SDL_SCANCODE_LCTRL: return 0x1D;
    case SDL_SCANCODE_LSHIFT: return 0x2A;
    case SDL_SCANCODE_LALT: return 0x38;
    case SDL_SCANCODE_LGUI: return 0xDB;
    case SDL_SCANCODE_RCTRL: return 0x9D;
    case SDL_SCANCODE_RSHIFT: return 0x36;
    case SDL_SCANCODE_RALT: return 0xB8;
    case SDL_SCANCODE_RGUI: return 0xDC;
    default: return 0;
  }
}

int MouseButtonIndex(int b) {
  switch (b) {
    case SDL_BUTTON_LEFT: return 0;
    case SDL_BUTTON_RIGHT: return 1;
    case SDL_BUTTON_MIDDLE: return 2;
    case SDL_BUTTON_X1: return 3;
    default: return -1;
  }
}

struct SdlInput::State {
  KeyBuffer keys;
  std::mutex lock;
  MouseState mouse;
};

namespace {

constexpr int KeyboardId = 1;
constexpr int MouseId = 2;

// Unfocused, SDL delivers no keys (and releases the held ones as focus goes),
// so a read then is simply empty, never an error.
class SdlDevice final : public KeyboardMouseDevice {
public:
  SdlDevice(std::shared_ptr<SdlInput::State> state, bool keyboard)
      : KeyboardMouseDevice(keyboard, 4), state_(std::move(state)) {}

private:
  KeyBuffer& Keys() override { return state_->keys; }
  void ReadMouse(MouseState& out) override {
    std::lock_guard<std::mutex> hold(state_->lock);
    out = state_->mouse;
  }

  std::shared_ptr<SdlInput::State> state_;
};

void Listen(const SDL_Event& e, void* user) {
  auto* input = static_cast<SdlInput*>(user);
  switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      input->OnKey(e.key.keysym.scancode, e.type == SDL_KEYDOWN, e.key.repeat != 0, e.key.timestamp);
      break;
    case SDL_MOUSEMOTION:
      input->OnMouseMotion(e.motion.xrel, e.motion.yrel);
      // The pointer moved over the window: the shell decides whether it shows.
      if (SdlWindow* window = GetSdlWindow()) window->PostMessage({Msg::SetCursor, 0, 0});
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: input->OnMouseButton(e.button.button, e.type == SDL_MOUSEBUTTONDOWN); break;
    case SDL_MOUSEWHEEL: input->OnMouseWheel(e.wheel.y); break;
    default: break;
  }
}

std::unique_ptr<SdlInput> running;

}  // namespace

SdlInput::SdlInput() : state_(std::make_shared<State>()) {}
SdlInput::~SdlInput() = default;

std::vector<InputDeviceInstance> SdlInput::EnumDevices() {
  return {{KeyboardId, 0x0403, "Keyboard", "SDL Keyboard"}, {MouseId, 0x0202, "Mouse", "SDL Mouse"}};
}

std::unique_ptr<InputDevice> SdlInput::CreateDevice(const InputDeviceInstance& instance) {
  if (instance.id != KeyboardId && instance.id != MouseId) return nullptr;
  return std::make_unique<SdlDevice>(state_, instance.id == KeyboardId);
}

void SdlInput::OnKey(int sdlScancode, bool down, bool repeat, uint32_t timeMs) {
  if (repeat) return;
  int scan = Set1FromSdlScancode(sdlScancode);
  if (scan) state_->keys.Push(static_cast<uint32_t>(scan), down, timeMs);
}

void SdlInput::OnMouseMotion(int dx, int dy) {
  std::lock_guard<std::mutex> hold(state_->lock);
  state_->mouse.x += dx;
  state_->mouse.y += dy;
}

void SdlInput::OnMouseButton(int sdlButton, bool down) {
  int i = MouseButtonIndex(sdlButton);
  if (i < 0) return;
  std::lock_guard<std::mutex> hold(state_->lock);
  state_->mouse.buttons[i] = down ? 0x80 : 0;
}

void SdlInput::OnMouseWheel(int dy) {
  std::lock_guard<std::mutex> hold(state_->lock);
  state_->mouse.z += dy * 120;  // one notch, as wheel deltas were counted
}

void StartSdlInput() {
  running = std::make_unique<SdlInput>();
  sdl::AddEventListener(Listen, running.get());
  SetInput(running.get());
}

void StopSdlInput() {
  if (!running) return;
  SetInput(nullptr);
  sdl::RemoveEventListener(Listen, running.get());
  running.reset();
}

}  // namespace platform
