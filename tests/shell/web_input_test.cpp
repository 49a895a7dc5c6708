// The web backend's keys and mouse, fed as the page's events would feed them.
#include <gtest/gtest.h>

#include "platform/web/input.h"
#include "platform/web/keymap.h"

namespace {

TEST(WebKeys, Set1ScanCodesByPosition) {
  const struct {
    const char* code;
    int scan;
  } cases[] = {
      {"KeyA", 0x1E},        {"KeyM", 0x32},         {"KeyR", 0x13},        {"KeyY", 0x15},  // the German z key
      {"KeyZ", 0x2C},        {"Digit1", 0x02},       {"Digit0", 0x0B},      {"Enter", 0x1C},
      {"Escape", 0x01},      {"Space", 0x39},        {"Minus", 0x0C},       {"F1", 0x3B},
      {"F10", 0x44},         {"F11", 0x57},          {"F12", 0x58},         {"NumLock", 0x45},
      {"NumpadEnter", 0x9C}, {"Numpad7", 0x47},      {"NumpadDecimal", 0x53}, {"IntlBackslash", 0x56},
      {"ControlLeft", 0x1D}, {"ShiftLeft", 0x2A},    {"ControlRight", 0x9D}, {"AltRight", 0xB8},
      {"ArrowUp", 0xC8},     {"Delete", 0xD3},       {"MetaLeft", 0xDB},
      // Keys the PC keyboard lacks, and names that are no keys.
      {"AudioVolumeMute", 0}, {"F13", 0},            {"F0", 0},             {"F1x", 0},
      {"F", 0},              {"Key", 0},             {"KeyAA", 0},          {"Keya", 0},
      {"Digit", 0},          {"Digit12", 0},         {"", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(c.scan, platform::web::Set1FromKeyCode(c.code)) << c.code;
  EXPECT_EQ(0, platform::web::Set1FromKeyCode(nullptr));
}

TEST(WebKeys, RepeatsStrayReleasesAndBlur) {
  platform::web::WebInput input;
  auto devices = input.EnumDevices();
  ASSERT_EQ(2u, devices.size());
  auto keyboard = input.CreateDevice(devices[0]);
  auto mouse = input.CreateDevice(devices[1]);
  ASSERT_TRUE(keyboard && mouse);
  ASSERT_TRUE(keyboard->SetBufferSize(16));

  input.OnKey(0x13, false, false, 1);  // released, pressed before the page had the focus: dropped
  input.OnKey(0x13, true, false, 2);
  input.OnKey(0x13, true, true, 3);   // the browser's repeat: dropped
  input.OnKey(0x13, true, false, 4);  // still held: dropped
  input.OnKey(0x2A, true, false, 5);
  input.OnKey(0, true, false, 6);     // no PC key: dropped
  input.OnMouseButton(0, true);
  input.OnMouseButton(2, true);
  input.OnMouseMove(3, -4);
  input.OnWheel(-1);
  platform::MouseState state;
  mouse->GetMouseState(state);
  EXPECT_EQ(0x80, state.buttons[0]);
  EXPECT_EQ(0x80, state.buttons[1]) << "the right button is bit 1";
  EXPECT_EQ(0, state.buttons[2]);
  EXPECT_EQ(3, state.x);
  EXPECT_EQ(-4, state.y);
  EXPECT_EQ(120, state.z) << "one notch up";
  input.OnBlur(7);  // what was held is released
  mouse->GetMouseState(state);
  EXPECT_EQ(0, state.buttons[0] | state.buttons[1]);

  platform::KeyData events[16];
  int count = 16;
  EXPECT_EQ(platform::InputOk, keyboard->GetDeviceData(events, count));
  const uint32_t want[][2] = {{0x13, 0x80}, {0x2A, 0x80}, {0x13, 0}, {0x2A, 0}};
  ASSERT_EQ(4, count);
  for (int i = 0; i < count; ++i) {
    EXPECT_EQ(want[i][0], events[i].offset) << i;
    EXPECT_EQ(want[i][1], events[i].data & 0x80) << i;
  }

  // Before a new run: unread keys are dropped, and a key held then needs a new press.
  input.OnKey(0x32, true, false, 8);
  input.Forget();
  input.OnKey(0x32, false, false, 9);
  count = 16;
  EXPECT_EQ(platform::InputOk, keyboard->GetDeviceData(events, count));
  EXPECT_EQ(0, count);
}

}  // namespace
