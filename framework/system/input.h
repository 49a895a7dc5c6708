// Keyboards and pointers found at start-up, registered as devices; the key
// event queue with modifiers and auto-repeat.
#pragma once
#include <cstdint>
#include <memory>

#include "framework/system/devices.h"
#include "platform/input.h"

struct sPointerState {
  int32_t X, Y, Z, Rx;
  int32_t Buttons;  // bit i set while button i is pressed
  int32_t AxisCount, ButtonCount;
  int32_t DeviceType;  // 1 mouse, 2 joystick
};

class sKeyboard : public sDevice {
public:
  explicit sKeyboard(const platform::InputDeviceInstance& instance);
  ~sKeyboard() override;
  // The next key event code, or 0.
  virtual uint32_t ReadKey();
  virtual uint32_t GetModifiers();

private:
  void Fetch();

  std::unique_ptr<platform::InputDevice> Device;
  platform::KeyData Raw[16];
  uint32_t Queue[64];
  int QueueCount = 0;
  uint32_t Modifiers = 0;
  uint32_t Held = 0;
  uint64_t NextRepeat = 0;
};

class sPointer : public sDevice {
public:
  explicit sPointer(const platform::InputDeviceInstance& instance);
  ~sPointer() override;
  virtual void ReadState(sPointerState* state);

  int32_t DeviceType = 0;
  int32_t ButtonCount = 0;
  int32_t AxisCount = 0;

private:
  std::unique_ptr<platform::InputDevice> Device;
};

// Creates a keyboard or pointer for every attached device; no input system is
// the fatal error "No Direct Input".
void InitInput();
// Called for each enumerated device; always asks to go on.
bool AddInputDevice(const platform::InputDeviceInstance& instance);
void ShutdownInput();
