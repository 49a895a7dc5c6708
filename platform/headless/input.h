// A keyboard and a mouse driven by a script of timed events.
//
// Script: one event per line, '#' starts a comment.
//   <ms> press <key>      <ms> release <key>      <ms> key <key> (press and release)
//   <ms> buttons <bits>   (bit 0 left, 1 right, 2 middle)
//   <ms> move <x> <y>     (the mouse's absolute axes)
//   <ms> error            (the next keyboard read fails, as a lost device)
// Times are decimal milliseconds of the platform clock since the input started;
// with the virtual clock of a headless show that is the show time. Events at
// one time that do not fit the keyboard's buffer follow over the next reads,
// in order. A key is a scan code
// (0x01..0xFF, 0x80 added for extended keys), a name (Escape, Space, Enter,
// ShiftL, AltGr, F1, Up, Kp7, KpEnter, NumLock, ...) or one letter or digit,
// found at its place on the German keyboard (z is 0x15, y is 0x2C).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/input.h"

namespace platform {

struct InputScriptEvent {
  enum class Kind { Press, Release, Buttons, Move, Error };
  uint32_t timeMs = 0;
  Kind kind = Kind::Press;
  int a = 0;  // scan code, button bits or x
  int b = 0;  // y
};

// Events in time order (stable for equal times). False with a message naming
// the line when the text is not a script.
bool ParseInputScript(const std::string& text, std::vector<InputScriptEvent>& events, std::string& error);
bool LoadInputScript(const char* path, std::vector<InputScriptEvent>& events, std::string& error);
// A script file's text, refused with the reason when it cannot be read or
// is larger than MaxInputScriptBytes (a script is a few lines).
constexpr size_t MaxInputScriptBytes = 1 << 20;
bool ReadInputScript(const char* path, std::string& text, std::string& error);
// The scan code of a key name, or -1.
int ScanCodeOfKeyName(const std::string& name);

class HeadlessInput final : public Input {
public:
  explicit HeadlessInput(std::vector<InputScriptEvent> script);
  ~HeadlessInput() override;
  std::vector<InputDeviceInstance> EnumDevices() override;
  std::unique_ptr<InputDevice> CreateDevice(const InputDeviceInstance& instance) override;

  struct State;

private:
  std::shared_ptr<State> state_;
};

}  // namespace platform
