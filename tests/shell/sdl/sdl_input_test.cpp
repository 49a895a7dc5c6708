// The SDL keyboard and mouse, fed as the window thread would feed them.
// SDL scancodes are USB usage ids; the numbers below are those ids.
#include "platform/sdl/input.h"
#include <gtest/gtest.h>
#include <vector>

namespace {

enum : int { UsbA = 4, UsbKpEnter = 88, UsbMute = 127 };

TEST(SdlKeys, Set1ScanCodes) {
  const struct {
    int usb, set1;
  } keys[] = {{UsbA, 0x1E}, {16 /* M */, 0x32}, {28 /* Y: by position, the German z key */, 0x15}, {29 /* Z */, 0x2C},
              {30 /* 1 */, 0x02}, {39 /* 0 */, 0x0B}, {40 /* Enter */, 0x1C}, {41 /* Escape */, 0x01},
              {44 /* Space */, 0x39}, {45 /* the sharp s key */, 0x0C}, {58 /* F1 */, 0x3B}, {67 /* F10 */, 0x44},
              {68 /* F11 */, 0x57}, {69 /* F12 */, 0x58}, {83 /* Num Lock */, 0x45},
              {UsbKpEnter, 0x9C /* extended: 0x1C + 0x80 */}, {95 /* keypad 7 */, 0x47}, {99 /* keypad . */, 0x53},
              {100 /* ISO key */, 0x56}, {224 /* left Ctrl */, 0x1D}, {225 /* left Shift */, 0x2A},
              {228 /* right Ctrl */, 0x9D}, {230 /* Alt Gr */, 0xB8}, {82 /* Up */, 0xC8}, {76 /* Delete */, 0xD3},
              {UsbMute, 0}, {0, 0}};
  for (const auto& k : keys) EXPECT_EQ(k.set1, platform::Set1FromSdlScancode(k.usb)) << k.usb;
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
  EXPECT_EQ((std::vector<uint32_t>{0x9C, 0x80, 5, 0}),
            (std::vector<uint32_t>{events[0].offset, events[0].data & 0x80, events[0].timeStamp, events[1].data & 0x80}));
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
  EXPECT_EQ((std::vector<int>{7, -2, -120, 0x80, 0x80, 0, 0, 1, 2}),
            (std::vector<int>{state.x, state.y, state.z, state.buttons[0], state.buttons[1], state.buttons[2],
                              state.buttons[3], platform::MouseButtonIndex(3), platform::MouseButtonIndex(2)}));
}

}  // namespace
