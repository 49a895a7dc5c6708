// Placeholder until the show itself arrives: it finds the devices, opens the
// 640 x 480 palette screen and presents frames until Escape or Space (or the
// first two mouse buttons). The show's main loop replaces this file.
#include "vo/main.h"

#include "framework/display.h"
#include "framework/system/devices.h"
#include "framework/system/fatal.h"
#include "framework/system/input.h"

void DemoMain() {
  auto* display = static_cast<sDisplay*>(GetDevice(DeviceDisplay, -1));
  auto* pointer = static_cast<sPointer*>(GetDevice(DevicePointer, -1));
  auto* keyboard = static_cast<sKeyboard*>(GetDevice(DeviceKeyboard, -1));
  if (!display) Fatal("No display device");
  if (!pointer) Fatal("No pointer device");
  if (!keyboard) Fatal("No keyboard device");

  sDisplayMode mode(640, 480, KindIndex8);
  if (!display->FindMode(&mode)) Assertion(67, "vo/main");
  display->SetDisplayMode(&mode);
  for (bool running = true; running;) {
    display->BeginFrame(0);
    display->Present();
    sPointerState state{};
    pointer->ReadState(&state);
    if (state.Buttons == 3) running = false;
    uint32_t key = keyboard->ReadKey();
    if (key == 27 || key == 32) break;
  }
}
