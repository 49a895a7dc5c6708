// Keyboards and mice: the attached devices, buffered key data as PC set-1 scan
// codes (0x80 added for extended keys) with press and release, and the state of
// a mouse's axes and buttons.
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

// Device type bytes (low byte of the type word).
enum : int { InputTypeMouse = 2, InputTypeKeyboard = 3, InputTypeJoystick = 4 };

// Results of a device call.
constexpr int32_t InputOk = 0;
constexpr int32_t InputBufferOverflow = 1;
constexpr int32_t InputNotAcquired = static_cast<int32_t>(0x8007000Cu);
constexpr int32_t InputLost = static_cast<int32_t>(0x8007001Eu);

struct InputDeviceInstance {
  int id = 0;            // the backend's own
  uint32_t devType = 0;  // type word: type byte, sub-type above it
  std::string instanceName;
  std::string productName;
};

struct InputCaps {
  uint32_t devType = 0;
  int axes = 0;
  int buttons = 0;
};

// One buffered key event: offset = scan code, bit 7 of data = pressed.
struct KeyData {
  uint32_t offset = 0;
  uint32_t data = 0;
  uint32_t timeStamp = 0;
  uint32_t sequence = 0;
};
static_assert(sizeof(KeyData) == 16, "a key event record is 16 bytes");

struct MouseState {
  int32_t x = 0, y = 0, z = 0;
  uint8_t buttons[4] = {};  // bit 7: pressed
};
static_assert(sizeof(MouseState) == 16, "the mouse state is 16 bytes");

struct JoystickState {
  int32_t x = 0, y = 0, z = 0, rx = 0, ry = 0, rz = 0;
  int32_t slider[2] = {};
  uint32_t pov[4] = {};
  uint8_t buttons[32] = {};
};
static_assert(sizeof(JoystickState) == 80, "the joystick state is 80 bytes");

enum class DataFormat { Keyboard, Mouse, Joystick };

class KeyBuffer;

class InputDevice {
public:
  virtual ~InputDevice() = default;  // releases the device
  virtual bool SetCooperativeLevel(int flags) = 0;
  virtual bool GetCapabilities(InputCaps& caps) = 0;
  virtual bool SetDataFormat(DataFormat format) = 0;
  virtual bool SetBufferSize(int events) = 0;
  virtual bool SetAxisModeAbsolute() = 0;
  virtual int32_t Acquire() = 0;
  virtual void Unacquire() = 0;
  // Up to `count` buffered events, oldest first; `count` becomes the number
  // delivered. InputBufferOverflow: events were lost before these.
  virtual int32_t GetDeviceData(KeyData* events, int& count) = 0;
  virtual int32_t GetMouseState(MouseState& state) = 0;
  virtual int32_t GetJoystickState(JoystickState& state) = 0;
};

// One keyboard or one mouse of a backend whose keys arrive in a KeyBuffer and
// whose mouse is one shared state: the calls every such backend answers alike.
class KeyboardMouseDevice : public InputDevice {
public:
  KeyboardMouseDevice(bool keyboard, int mouseButtons) : keyboard_(keyboard), mouseButtons_(mouseButtons) {}
  bool SetCooperativeLevel(int) override { return true; }
  bool GetCapabilities(InputCaps& caps) override;
  bool SetDataFormat(DataFormat format) override;
  bool SetBufferSize(int events) override;
  bool SetAxisModeAbsolute() override { return true; }
  int32_t Acquire() override { return InputOk; }
  void Unacquire() override {}
  int32_t GetDeviceData(KeyData* events, int& count) override;
  int32_t GetMouseState(MouseState& state) override;
  int32_t GetJoystickState(JoystickState& state) override;

protected:
  virtual KeyBuffer& Keys() = 0;
  virtual void ReadMouse(MouseState& state) = 0;
  virtual void Refresh() {}                        // brings the state up to date before a read
  virtual bool TakeReadError() { return false; }  // a read error to report once

private:
  bool keyboard_;
  int mouseButtons_;
};

// The input system: what is attached, and the devices made for it.
class Input {
public:
  virtual ~Input() = default;
  virtual std::vector<InputDeviceInstance> EnumDevices() = 0;  // attached devices only
  // Null when the device cannot be created.
  virtual std::unique_ptr<InputDevice> CreateDevice(const InputDeviceInstance& instance) = 0;
};

// The running backend's input system; null when there is none.
Input* GetInput();
void SetInput(Input* input);

// A keyboard's event buffer shared between the thread that sees the keys and
// the one that reads them: fixed depth, and on overflow the newest events are
// lost and the next read says so.
class KeyBuffer {
public:
  explicit KeyBuffer(int depth = 16) : depth_(depth) {}
  void Push(uint32_t scan, bool pressed, uint32_t timeMs);
  int32_t Take(KeyData* events, int& count);
  void SetDepth(int depth);
  void Clear();
  // Events that can still be pushed without an overflow.
  int Room();

private:
  std::mutex lock_;
  std::vector<KeyData> events_;
  int depth_;
  bool overflow_ = false;
  uint32_t sequence_ = 0;
};

}  // namespace platform
