#include "framework/system/input.h"

#include "framework/system/clocks.h"
#include "framework/system/fatal.h"
#include "framework/system/keys.h"
#include "framework/system/reset.h"

namespace {

// Non-exclusive, foreground only.
constexpr int CooperativeLevel = 6;

platform::Input* TheInput = nullptr;
const ResetHook resetInput([] { TheInput = nullptr; });

std::unique_ptr<platform::InputDevice> CreateDevice(const platform::InputDeviceInstance& instance,
                                                    int line) {
  std::unique_ptr<platform::InputDevice> device;
  if (TheInput) device = TheInput->CreateDevice(instance);
  if (!device) Assertion(line, "system");
  return device;
}

constexpr uint32_t ShiftMods = ModCaps | ModShiftL | ModShiftR;

}  // namespace

sKeyboard::sKeyboard(const platform::InputDeviceInstance& instance) {
  Device = CreateDevice(instance, 3103);
  if (!Device->SetCooperativeLevel(CooperativeLevel)) Assertion(3106, "system");
  platform::InputCaps caps;
  if (!Device->GetCapabilities(caps)) Assertion(3110, "system");
  DebugPrintf("  caps: %08x, buttons %d, axes %d\n", caps.devType, caps.buttons, caps.axes);
  if (!Device->SetDataFormat(platform::DataFormat::Keyboard)) Assertion(3115, "system");
  if (!Device->SetBufferSize(16)) Assertion(3124, "system");
  Device->Acquire();
  RegisterDevice(DeviceKeyboard, this);
}

sKeyboard::~sKeyboard() {
  if (Device) Device->Unacquire();
}

uint32_t sKeyboard::GetModifiers() { return Modifiers; }

void sKeyboard::Fetch() {
  int count = 16;
  int32_t result = Device->GetDeviceData(Raw, count);
  if (result == platform::InputBufferOverflow) {
    Modifiers = 0;  // releases may have been lost
  } else if (result != platform::InputOk) {
    DebugPrintf("keyboard error %d (%x)", result & 0xFFFF, result);
    Assertion(3152, "system");
  }
  for (int i = 0; i < count; ++i) {
    uint32_t scan = Raw[i].offset;
    bool pressed = (Raw[i].data & 0x80) != 0;
    uint32_t code;
    if (scan < 0x80) {
      int plane = ((Modifiers & ShiftMods) ? 1 : 0) + ((Modifiers & ModAltGr) ? 2 : 0);
      code = sKeyLayout[plane * 128 + scan];
    } else if (scan <= 0xFF) {
      code = sKeyLayout[512 + (scan - 0x80)];
    } else {
      break;
    }
    if (code == 0) break;  // the rest of the batch goes too
    if (code >= KeyCaps && code <= KeyAltGr) {
      uint32_t bit = 0x10000u << (code & 15);
      if (pressed)
        Modifiers |= bit;
      else
        Modifiers &= ~bit;
    }
    if (!pressed) code |= KeyReleased;
    if (QueueCount < 64) Queue[QueueCount++] = code | Modifiers;
  }
}

uint32_t sKeyboard::ReadKey() {
  if (QueueCount == 0) Fetch();
  uint32_t result = 0;
  if (QueueCount > 0) {
    result = Queue[0];
    for (int i = 1; i < QueueCount; ++i) Queue[i - 1] = Queue[i];
    --QueueCount;
  }
  if (!result) {
    if (Held && NextRepeat < GetMilliseconds()) {
      NextRepeat += 40;
      return Held | KeyRepeated;
    }
    return 0;
  }
  if (result & KeyReleased) {
    Held = 0;  // any release ends the repeat
    return result;
  }
  Held = result;
  NextRepeat = GetMilliseconds() + 300;
  return result;
}

sPointer::sPointer(const platform::InputDeviceInstance& instance) {
  Device = CreateDevice(instance, 3240);
  if (!Device->SetCooperativeLevel(CooperativeLevel)) Assertion(3243, "system");
  platform::InputCaps caps;
  if (!Device->GetCapabilities(caps)) Assertion(3247, "system");
  ButtonCount = caps.buttons;
  AxisCount = caps.axes;
  switch (caps.devType & 0xFF) {
    case platform::InputTypeMouse:
      DeviceType = 1;
      if (!Device->SetDataFormat(platform::DataFormat::Mouse)) Assertion(3257, "system");
      Priority = 10;
      break;
    case platform::InputTypeKeyboard:
      Assertion(3260, "system");
    default:
      DeviceType = 2;
      if (!Device->SetDataFormat(platform::DataFormat::Joystick)) Assertion(3265, "system");
      break;
  }
  if (!Device->SetAxisModeAbsolute()) Assertion(3276, "system");
  DebugPrintf("  caps: type %d = %08x, buttons %d, axes %d\n", DeviceType, caps.devType, ButtonCount,
              AxisCount);
  Device->Acquire();
  RegisterDevice(DevicePointer, this);
}

sPointer::~sPointer() {
  if (Device) Device->Unacquire();
}

void sPointer::ReadState(sPointerState* state) {
  state->DeviceType = DeviceType;
  state->AxisCount = AxisCount;
  state->ButtonCount = ButtonCount;
  if (DeviceType == 1) {
    platform::MouseState mouse;
    Device->GetMouseState(mouse);
    state->X = mouse.x;
    state->Y = mouse.y;
    state->Z = mouse.z;
    state->Buttons = 0;
    for (int i = 0; i < 4; ++i)
      if (mouse.buttons[i] & 0x80) state->Buttons |= 1 << i;
    return;
  }
  platform::JoystickState joy;
  Device->GetJoystickState(joy);
  state->X = joy.x;
  state->Y = joy.y;
  state->Z = joy.z;
  state->Rx = joy.rx;
  state->Buttons = 0;
  int buttons = ButtonCount < 32 ? ButtonCount : 32;
  for (int i = 0; i < buttons; ++i)
    if (joy.buttons[i] & 0x80) state->Buttons |= static_cast<int32_t>(1u << i);
}

void InitInput() {
  TheInput = platform::GetInput();
  if (!TheInput) Fatal("No Direct Input");
  for (const platform::InputDeviceInstance& instance : TheInput->EnumDevices())
    if (!AddInputDevice(instance)) break;
}

bool AddInputDevice(const platform::InputDeviceInstance& instance) {
  DebugPrintf("Input Device <%s> <%s>\n", instance.instanceName.c_str(), instance.productName.c_str());
  switch (instance.devType & 0xFF) {
    case platform::InputTypeKeyboard: new sKeyboard(instance); break;
    case platform::InputTypeMouse: new sPointer(instance); break;
    default: break;  // joysticks are not created
  }
  return true;
}

void ShutdownInput() { TheInput = nullptr; }
