// The SDL keyboard and mouse, fed as the window thread would feed them.
// SDL scancodes are USB usage ids; the numbers below are those ids.
#include "platform/sdl/input.h"

#include <gtest/gtest.h>

namespace {

enum : int {
  UsbA = 4, UsbM = 16, UsbY = 28, UsbZ = 29, Usb1 = 30, Usb0 = 39, UsbEnter = 40, UsbEscape = 41,
  UsbSpace = 44, UsbMinus = 45, UsbF1 = 58, UsbF10 = 67, UsbF11 = 68, UsbF12 = 69, UsbNumLock = 83,
  UsbKpEnter = 88, UsbKp7 = 95, UsbKpPeriod = 99, UsbIsoKey = 100, UsbLCtrl = 224, UsbLShift = 225,
  UsbRCtrl = 228, UsbRAlt = 230, UsbUp = 82, UsbDelete = 76, UsbMute = 127,
};

TEST(SdlKeys, Set1ScanCodes) {
  EXPECT_EQ(0x1E, platform::Set1FromSdlScancode(UsbA));
  EXPECT_EQ(0x32, platform::Set1FromSdlScancode(UsbM));
  EXPECT_EQ(0x15, platform::Set1FromSdlScancode(UsbY)) << "by position: the German z key";
  EXPECT_EQ(0x2C, platform::Set1FromSdlScancode(UsbZ));
  EXPECT_EQ(0x02, platform::Set1FromSdlScancode(Usb1));
  EXPECT_EQ(0x0B, platform::Set1FromSdlScancode(Usb0));
  EXPECT_EQ(0x1C, platform::Set1FromSdlScancode(UsbEnter));
  EXPECT_EQ(0x01, platform::Set1FromSdlScancode(UsbEscape));
  EXPECT_EQ(0x39, platform::Set1FromSdlScancode(UsbSpace));
  EXPECT_EQ(0x0C, platform::Set1FromSdlScancode(UsbMinus)) << "the sharp s key";
  EXPECT_EQ(0x3B, platform::Set1FromSdlScancode(UsbF1));
  EXPECT_EQ(0x44, platform::Set1FromSdlScancode(UsbF10));
  EXPECT_EQ(0x57, platform::Set1FromSdlScancode(UsbF11));
  EXPECT_EQ(0x58, platform::Set1FromSdlScancode(UsbF12));
  EXPECT_EQ(0x45, platform::Set1FromSdlScancode(UsbNumLock));
  EXPECT_EQ(0x9C, platform::Set1FromSdlScancode(UsbKpEnter)) << "extended: 0x1C + 0x80";
  EXPECT_EQ(0x47, platform::Set1FromSdlScancode(UsbKp7));
  EXPECT_EQ(0x53, platform::Set1FromSdlScancode(UsbKpPeriod));
  EXPECT_EQ(0x56, platform::Set1FromSdlScancode(UsbIsoKey));
  EXPECT_EQ(0x1D, platform::Set1FromSdlScancode(UsbLCtrl));
  EXPECT_EQ(0x2A, platform::Set1FromSdlScancode(UsbLShift));
  EXPECT_EQ(0x9D, platform::Set1FromSdlScancode(UsbRCtrl));
  EXPECT_EQ(0xB8, platform::Set1FromSdlScancode(UsbRAlt)) << "Alt Gr";
  EXPECT_EQ(0xC8, platform::Set1FromSdlScancode(UsbUp));
  EXPECT_EQ(0xD3, platform::Set1FromSdlScancode(UsbDelete));
  EXPECT_EQ(0, platform::Set1FromSdlScancode(UsbMute));
  EXPECT_EQ(0, platform::Set1FromSdlScancode(0));
}

TEST(SdlKeys, BufferDropsRepeatsAndOverflows) {
  platform::SdlInput input;
  auto devices = input.EnumDevices();
  ASSERT_EQ(2u, devices.size());
  auto keyboard = input.CreateDevice(devices[0]);
  ASSERT_NE(nullptr, keyboard);
  ASSERT_TRUE(keyboard->SetBufferSize(16));

  input.OnKey(UsbKpEnter, true, false, 5);
  input.OnKey(UsbKpEnter, true, true, 6);  // SDL's repeat: dropped
  input.OnKey(UsbMute, true, false, 7);    // no PC key: dropped
  input.OnKey(UsbKpEnter, false, false, 8);
  platform::KeyData events[16];
  int count = 16;
  EXPECT_EQ(platform::InputOk, keyboard->GetDeviceData(events, count));
  ASSERT_EQ(2, count);
  EXPECT_EQ(0x9Cu, events[0].offset);
  EXPECT_EQ(0x80u, events[0].data & 0x80);
  EXPECT_EQ(5u, events[0].timeStamp);
  EXPECT_EQ(0u, events[1].data & 0x80);
  EXPECT_LT(events[0].sequence, events[1].sequence);

  count = 16;
  EXPECT_EQ(platform::InputOk, keyboard->GetDeviceData(events, count)) << "nothing pending is not an error";
  EXPECT_EQ(0, count);

  for (int i = 0; i < 10; ++i) {
    input.OnKey(UsbA, true, false, 10);
    input.OnKey(UsbA, false, false, 11);
  }
  count = 16;
  EXPECT_EQ(platform::InputBufferOverflow, keyboard->GetDeviceData(events, count));
  EXPECT_EQ(16, count);
  count = 16;
  EXPECT_EQ(platform::InputOk, keyboard->GetDeviceData(events, count)) << "the overflow is reported once";
  EXPECT_EQ(0, count);
}

TEST(SdlMouse, AxesAndButtonBits) {
  platform::SdlInput input;
  auto mouse = input.CreateDevice(input.EnumDevices()[1]);
  ASSERT_NE(nullptr, mouse);
  platform::InputCaps caps;
  ASSERT_TRUE(mouse->GetCapabilities(caps));
  EXPECT_EQ(platform::InputTypeMouse, static_cast<int>(caps.devType & 0xFF));
  input.OnMouseMotion(5, -3);
  input.OnMouseMotion(2, 1);
  input.OnMouseWheel(-1);
  input.OnMouseButton(1, true);  // left
  input.OnMouseButton(3, true);  // right
  input.OnMouseButton(2, true);  // middle
  input.OnMouseButton(2, false);
  input.OnMouseButton(9, true);  // no such button
  platform::MouseState state;
  EXPECT_EQ(platform::InputOk, mouse->GetMouseState(state));
  EXPECT_EQ(7, state.x);
  EXPECT_EQ(-2, state.y);
  EXPECT_EQ(-120, state.z);
  EXPECT_EQ(0x80, state.buttons[0]);
  EXPECT_EQ(0x80, state.buttons[1]);
  EXPECT_EQ(0x00, state.buttons[2]);
  EXPECT_EQ(0x00, state.buttons[3]);
  EXPECT_EQ(1, platform::MouseButtonIndex(3));
  EXPECT_EQ(2, platform::MouseButtonIndex(2));
}

}  // namespace
