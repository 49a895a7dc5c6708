#include "framework/system/devices.h"
#include "framework/system/input.h"
#include "platform/headless/input.h"
#include "tests/vo/display_fixture.h"
#include "vo/main.h"

namespace {

// The show needs its input devices: without them it stops with a clear
// message instead of calling through a null device.
TEST_F(ScreenTest, DemoMainWithoutInputDevicesStops) {
  EXPECT_FATAL(DemoMain(), "No pointer device");
  // A mouse but no keyboard.
  platform::HeadlessInput input{{}};
  platform::SetInput(&input);
  InitInput();
  delete GetDevice(DeviceKeyboard, 0);
  sDevice* display = GetDevice(DeviceDisplay, 0);
  sDevice* mouse = GetDevice(DevicePointer, 0);
  ClearDevices();
  RegisterDevice(DeviceDisplay, display);
  RegisterDevice(DevicePointer, mouse);
  EXPECT_FATAL(DemoMain(), "No keyboard device");
  delete mouse;
  ShutdownInput();
  platform::SetInput(nullptr);
}

}  // namespace
