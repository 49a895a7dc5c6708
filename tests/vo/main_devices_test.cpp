#include "framework/system/devices.h"
#include "tests/vo/display_fixture.h"
#include "vo/main.h"

namespace {

// The show needs its input devices: without them it stops with a clear
// message instead of calling through a null device.
TEST_F(ScreenTest, DemoMainWithoutInputDevicesStops) {
  EXPECT_FATAL(DemoMain(), "No pointer device");
  sDevice pointer;  // the look-up is all that is reached
  RegisterDevice(DevicePointer, &pointer);
  EXPECT_FATAL(DemoMain(), "No keyboard device");
}

}  // namespace
