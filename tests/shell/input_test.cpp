#include "framework/system/input.h"
#include <gtest/gtest.h>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <utility>
#include "framework/system/keys.h"
#include "platform/clock.h"
#include "platform/debug.h"
#include "platform/headless/input.h"
#include "platform/web/input.h"
#include "platform/web/keymap.h"
#include "tests/support/fatal_capture.h"
#include "tests/support/paths.h"

namespace {

using Ints = std::vector<int>;

// An input system whose keyboard returns prepared batches and whose set-up steps can fail.
struct FakeState {
  std::deque<std::pair<int32_t, std::vector<platform::KeyData>>> batches;
  platform::MouseState mouse;
  platform::JoystickState joystick;
  uint32_t devType = 0x0403;
  std::string failStep;  // "create", "level", "caps", "format", "buffer", "axis"
  int unacquired = 0;
};

class FakeDevice final : public platform::InputDevice {
public:
  explicit FakeDevice(FakeState& s) : s_(s) {}
  bool SetCooperativeLevel(int flags) override { return flags == 6 && s_.failStep != "level"; }
  bool GetCapabilities(platform::InputCaps& caps) override {
    caps.devType = s_.devType, caps.buttons = 5, caps.axes = 3;
    return s_.failStep != "caps";
  }
  bool SetDataFormat(platform::DataFormat) override { return s_.failStep != "format"; }
  bool SetBufferSize(int events) override { return events == 16 && s_.failStep != "buffer"; }
  bool SetAxisModeAbsolute() override { return s_.failStep != "axis"; }
  int32_t Acquire() override { return platform::InputOk; }
  void Unacquire() override { ++s_.unacquired; }
  int32_t GetDeviceData(platform::KeyData* events, int& count) override {
    EXPECT_EQ(16, count);
    count = 0;
    if (s_.batches.empty()) return platform::InputOk;
    auto batch = s_.batches.front();
    s_.batches.pop_front();
    for (const platform::KeyData& e : batch.second) events[count++] = e;
    return batch.first;
  }
  int32_t GetMouseState(platform::MouseState& state) override { return state = s_.mouse, platform::InputOk; }
  int32_t GetJoystickState(platform::JoystickState& state) override { return state = s_.joystick, platform::InputOk; }

private:
  FakeState& s_;
};

class FakeInput final : public platform::Input {
public:
  FakeState state;
  std::vector<platform::InputDeviceInstance> devices;
  std::vector<platform::InputDeviceInstance> EnumDevices() override { return devices; }
  std::unique_ptr<platform::InputDevice> CreateDevice(const platform::InputDeviceInstance& instance) override {
    state.devType = instance.devType;
    return state.failStep == "create" ? nullptr : std::make_unique<FakeDevice>(state);
  }
};

platform::KeyData Down(uint32_t scan) { return {scan, 0x80, 0, 0}; }
platform::KeyData Up(uint32_t scan) { return {scan, 0x00, 0, 0}; }

class InputTest : public ::testing::Test {
protected:
  void SetUp() override {
    platform::SetClock(&clock_);
    platform::SetDebugSink(&debug_);
    platform::SetInput(&input_);
  }
  void TearDown() override {
    platform::SetInput(nullptr);
    platform::SetDebugSink(nullptr);
    platform::SetClock(nullptr);
  }
  sKeyboard& Keyboard() {
    input_.devices = {{1, 0x0403, "Keyboard", "Test Keyboard"}};
    InitInput();
    auto* k = static_cast<sKeyboard*>(GetDevice(DeviceKeyboard, -1));
    EXPECT_NE(nullptr, k);
    return *k;
  }
  void Batch(std::vector<platform::KeyData> events, int32_t result = platform::InputOk) {
    input_.state.batches.push_back({result, std::move(events)});
  }
  void AdvanceMs(uint64_t ms) { clock_.Advance(ms * 1000); }
  // The next n key codes, in order.
  static std::vector<uint32_t> Keys(sKeyboard& k, int n) {
    std::vector<uint32_t> v;
    for (int i = 0; i < n; ++i) v.push_back(k.ReadKey());
    return v;
  }
  platform::VirtualClock clock_;
  platform::DebugCapture debug_;
  FakeInput input_;
};

// Batches the keyboard returns, the clock between reads and the key codes read.
struct Step {
  uint64_t advanceMs;
  std::vector<platform::KeyData> batch;  // queued before the reads (none when empty)
  std::vector<uint32_t> keys;            // read in order; 0 is "no key"
  int32_t result = platform::InputOk;
};

TEST_F(InputTest, KeyCodesModifiersAndRepeat) {
  const uint32_t R = KeyReleased, A = 0x61, Rep = 0x20000000;
  const struct { const char* name; std::vector<Step> steps; } cases[] = {
      {"Escape", {{0, {Down(0x01), Up(0x01)}, {0x1B, 0x1B | R, 0}}}},
      // The shift press includes its own bit; the release clears the bit first.
      {"shifted letter", {{0, {Down(0x2A), Down(0x32), Up(0x32), Up(0x2A)}, {0x50012, 0x4004D, 0x4004D | R, 0x10012 | R}}}},
      {"caps lock shifts only while held",
       {{0, {Down(0x3A), Down(0x1E), Up(0x3A), Down(0x1E)}, {KeyCaps | ModCaps, 'A' | ModCaps, KeyCaps | R, A}}}},
      {"Alt Gr, keypad and the Ctrl keys",
       {{0, {Down(0xB8), Down(0x10), Up(0xB8), Down(0x47), Down(0x9C), Down(0x1D), Down(0x9D)},
         {KeyAltGr | ModAltGr, 0x40u | ModAltGr, KeyAltGr | R, 0x10000037u, 0x1000000Au, KeyCtrlL | ModCtrlL,
          KeyCtrlR | ModCtrlL | ModCtrlR}}}},
      // Not before 300 ms, then every 40 ms; the repeat clock lags, one repeat per call.
      // Modifier presses repeat as well.
      {"auto-repeat",
       {{0, {Down(0x1E)}, {A}}, {300, {}, {0}}, {1, {}, {A | Rep, 0}}, {100, {}, {A | Rep, A | Rep, 0}},
        {0, {Up(0x1E), Down(0x2A)}, {A | R, 0x50012}}, {301, {}, {0x50012 | Rep}}}},
      {"any release ends the repeat", {{0, {Down(0x1E), Down(0x30), Up(0x1E)}, {A, 0x62, A | R}}, {1000, {}, {0}}}},
      // Num Lock drops the rest of its batch; a scan code above 0xFF too.
      {"batches end at an empty entry or a large scan code",
       {{0, {Down(0x1E), Down(0x30), Down(0x45), Down(0x2E)}, {}},
        {0, {Down(0x2E), {0x100, 0x80, 0, 0}, Down(0x1E)}, {A, 0x62, 0x63, 0}}}},
      {"an overflow resets the modifiers and keeps the events",
       {{0, {Down(0x2A)}, {0x50012}}, {0, {Down(0x32)}, {0x6D}, platform::InputBufferOverflow}}},
  };
  for (const auto& c : cases) {
    sKeyboard& k = Keyboard();
    for (const Step& s : c.steps) {
      AdvanceMs(s.advanceMs);
      if (!s.batch.empty()) Batch(s.batch, s.result);
      EXPECT_EQ(s.keys, Keys(k, static_cast<int>(s.keys.size()))) << c.name;
    }
    const int unacquired = input_.state.unacquired;
    delete &k;
    ClearDevices();
    EXPECT_EQ(unacquired + 1, input_.state.unacquired) << c.name;
  }
  // The whole batch is translated at the first read.
  sKeyboard& k = Keyboard();
  Batch({Down(0x2A), Down(0x32), Up(0x32), Up(0x2A)});
  k.ReadKey();
  EXPECT_EQ(0u, k.GetModifiers());
  delete &k;
}

TEST_F(InputTest, FailuresNameTheirLines) {
  platform::SetInput(nullptr);
  EXPECT_FATAL(InitInput(), "No Direct Input");
  platform::SetInput(&input_);
  sKeyboard& k = Keyboard();
  Batch({}, platform::InputLost);
  EXPECT_FATAL(k.ReadKey(), "Assertion in line 3152, file system");
  EXPECT_NE(std::string::npos,
            debug_.Text().find("keyboard error 30 (8007001E)Fatal:Assertion in line 3152, file system\n"))
      << debug_.Text();
  delete &k;
  ClearDevices();
  const struct { const char* step; int keyboardLine, mouseLine; } steps[] = {
      {"create", 3103, 3240}, {"level", 3106, 3243}, {"caps", 3110, 3247}, {"format", 3115, 3257}, {"buffer", 3124, 0},
      {"axis", 0, 3276}};
  auto line = [](int n) { return "Assertion in line " + std::to_string(n) + ", file system"; };
  for (const auto& s : steps) {
    input_.state.failStep = s.step;
    if (s.keyboardLine) EXPECT_FATAL(sKeyboard keyboard({1, 0x0403, "k", "k"}), line(s.keyboardLine));
    if (s.mouseLine) EXPECT_FATAL(sPointer mouse({2, 0x0202, "m", "m"}), line(s.mouseLine));
  }
  input_.state.failStep = "format";
  EXPECT_FATAL(sPointer p({3, 0x0104, "j", "j"}), line(3265));
  input_.state.failStep = "";
  EXPECT_FATAL(sPointer p({4, 0x0403, "k", "k"}), line(3260));
  EXPECT_EQ(nullptr, GetDevice(DeviceKeyboard, -1));
  EXPECT_EQ(nullptr, GetDevice(DevicePointer, -1));
}

TEST_F(InputTest, InitRegistersKeyboardsAndMiceOnly) {
  input_.devices = {{1, 0x0403, "Keyboard", "Test Keyboard"},
                    {2, 0x0202, "Mouse", "Test Mouse"},
                    {3, 0x0104, "Stick", "Test Joystick"}};
  InitInput();
  EXPECT_NE(nullptr, GetDevice(DeviceKeyboard, 0));
  EXPECT_EQ(nullptr, GetDevice(DeviceKeyboard, 1));
  auto* mouse = static_cast<sPointer*>(GetDevice(DevicePointer, -1));
  ASSERT_NE(nullptr, mouse);
  EXPECT_EQ(nullptr, GetDevice(DevicePointer, 1)) << "joysticks are not created";
  EXPECT_EQ(10, mouse->Priority);
  EXPECT_EQ(0, GetDevice(DeviceKeyboard, 0)->Priority);
  EXPECT_EQ(
      "Input Device <Keyboard> <Test Keyboard>\n"
      "  caps: 00000403, buttons 5, axes 3\n"
      "Input Device <Mouse> <Test Mouse>\n"
      "  caps: type 1 = 00000202, buttons 5, axes 3\n"
      "Input Device <Stick> <Test Joystick>\n",
      debug_.Text());
  platform::MouseState& state = input_.state.mouse;
  state.x = -4, state.y = 9, state.z = 120;
  state.buttons[0] = state.buttons[1] = 0x80;
  state.buttons[3] = 0x7F;  // bit 7 clear: not pressed
  sPointerState s{};
  s.Rx = 77;  // a mouse leaves Rx alone
  mouse->ReadState(&s);
  EXPECT_EQ((Ints{-4, 9, 120, 77, 3, 1, 5, 3}),
            (Ints{s.X, s.Y, s.Z, s.Rx, s.Buttons, s.DeviceType, s.ButtonCount, s.AxisCount}));
  // A joystick reads its rotation and as many buttons as it has.
  auto* stick = new sPointer({3, 0x0104, "j", "j"});  // registered: DestroyDevices deletes it
  input_.state.joystick.x = 1, input_.state.joystick.rx = 4;
  input_.state.joystick.buttons[0] = input_.state.joystick.buttons[4] = 0x80;
  input_.state.joystick.buttons[5] = 0x80;  // beyond the 5 buttons the device has
  stick->ReadState(&s);
  EXPECT_EQ(0, stick->Priority);
  EXPECT_EQ((Ints{2, 1, 4, 0x11}), (Ints{s.DeviceType, s.X, s.Rx, s.Buttons}));
  DestroyDevices();
  ShutdownInput();
}

// The headless backend's devices, driven by a script on the virtual clock.
TEST_F(InputTest, HeadlessScriptDeliversAtItsTimes) {
  std::vector<platform::InputScriptEvent> script;
  std::string error;
  std::string text = "# quit after a second\n500 press ShiftL\n500 key m\n520 release shiftl\n"
                     "700 buttons 3\n700 move 10 -20\n1000 key Escape\n";
  for (int i = 0; i < 10; ++i) text += "1100 key a\n";  // 22 events at once; 16 fit the buffer
  text += "1100 key Escape\n1200 key b\n1300 error\n";
  ASSERT_TRUE(platform::ParseInputScript(text, script, error)) << error;
  platform::HeadlessInput headless(script);
  platform::SetInput(&headless);
  InitInput();
  auto* k = static_cast<sKeyboard*>(GetDevice(DeviceKeyboard, -1));
  auto* m = static_cast<sPointer*>(GetDevice(DevicePointer, -1));
  ASSERT_NE(nullptr, k);
  ASSERT_NE(nullptr, m);
  EXPECT_EQ(0u, k->ReadKey());
  AdvanceMs(499);
  EXPECT_EQ(0u, k->ReadKey());
  AdvanceMs(1);
  EXPECT_EQ((std::vector<uint32_t>{0x50012u, 0x4004Du, 0x8004004Du}), Keys(*k, 3));
  AdvanceMs(20);
  EXPECT_EQ(0x80010012u, k->ReadKey());
  sPointerState s{};
  m->ReadState(&s);
  EXPECT_EQ(0, s.Buttons);
  AdvanceMs(180);
  m->ReadState(&s);
  EXPECT_EQ((Ints{3, 10, -20}), (Ints{s.Buttons, s.X, s.Y}));
  AdvanceMs(300);
  EXPECT_EQ((std::vector<uint32_t>{0x1Bu, 0x8000001Bu}), Keys(*k, 2));
  // Events beyond the buffer follow in order; then the script's read error.
  AdvanceMs(100);
  for (int i = 0; i < 10; ++i) EXPECT_EQ((std::vector<uint32_t>{0x61u, 0x80000061u}), Keys(*k, 2)) << i;
  EXPECT_EQ((std::vector<uint32_t>{0x1Bu, 0x8000001Bu}), Keys(*k, 2));
  EXPECT_EQ(0u, k->ReadKey());
  AdvanceMs(100);
  EXPECT_EQ((std::vector<uint32_t>{0x62u, 0x80000062u}), Keys(*k, 2));
  AdvanceMs(100);
  EXPECT_FATAL(k->ReadKey(), "Assertion in line 3152, file system");
  DestroyDevices();
  ShutdownInput();
}

TEST(InputScript, ParsesNamesRejectsMistakesAndReadsFilesWithinBounds) {
  for (auto [name, scan] : {std::pair{"z", 0x15}, {"Y", 0x2C}, {"0", 0x0B}, {"Space", 0x39}, {"KpEnter", 0x9C},
                            {"AltGr", 0xB8}, {"0x45", 0x45}, {"0x100", -1}, {"Hyper", -1}})
    EXPECT_EQ(scan, platform::ScanCodeOfKeyName(name)) << name;
  std::vector<platform::InputScriptEvent> events;
  std::string error;
  ASSERT_TRUE(platform::ParseInputScript("300 key r\n100 press Escape # early\n\n", events, error));
  ASSERT_EQ(3u, events.size());
  EXPECT_EQ((Ints{100, 0x01}), (Ints{int(events[0].timeMs), events[0].a})) << "sorted by time";
  using Kind = platform::InputScriptEvent::Kind;
  EXPECT_TRUE(events[1].kind == Kind::Press && events[2].kind == Kind::Release);
  // Times are decimal: a leading zero is not octal, and no other base or sign is a time.
  ASSERT_TRUE(platform::ParseInputScript("0500 key a\n", events, error)) << error;
  EXPECT_EQ(500u, events[0].timeMs);
  const std::pair<std::string, std::string> mistakes[] = {
      {"100 key a\nsoon key b\n", "line 2: 'soon' is not a time in ms"},
      {"100 press Hyper\n", "line 1: unknown key 'Hyper'"},
      {"100 jump\n", "line 1: unknown event 'jump'"},
      {"100 buttons 16\n", "line 1: "},
      {"100 key a b\n", "line 1: unexpected 'b'"},
      {"100\n", "line 1: "},
      {"0x10 key a\n", "line 1: '0x10' is not a time in ms"},
      {"-5 key a\n", "line 1: '-5' is not a time in ms"},
      {"+5 key a\n", "line 1: '+5' is not a time in ms"},
      {"1e3 key a\n", "line 1: '1e3' is not a time in ms"},
      {"99999999999 key a\n", "line 1: '99999999999' is not a time in ms"},
  };
  for (const auto& [text, message] : mistakes) {
    EXPECT_FALSE(platform::ParseInputScript(text, events, error)) << text;
    EXPECT_EQ(0u, error.rfind(message, 0)) << error;
    if (message.size() > 8) {
      EXPECT_EQ(message, error);
    }
    EXPECT_TRUE(events.empty());
  }
  EXPECT_FALSE(platform::LoadInputScript("/nonexistent/keys.txt", events, error));
  EXPECT_EQ("No such file or directory", error);
  // Nothing to do is a script too. (/dev/zero and folders as key files: Hostile.Tessaline.)
  EXPECT_TRUE(platform::ParseInputScript("", events, error));
  EXPECT_TRUE(events.empty());
  std::string text, dir = testpaths::TempDir("keys");
  ASSERT_TRUE(testpaths::WriteFile(dir + "/empty.txt", ""));
  EXPECT_TRUE(platform::ReadInputScript((dir + "/empty.txt").c_str(), text, error)) << error;
  EXPECT_EQ("", text);
  std::filesystem::remove_all(dir);
}

TEST(KeyLayout, GermanPositionsPlanesKeypadEmptyEntriesAndNames) {
  const struct { int plane, scan; uint32_t want; } keys[] = {
      {0, 0x15, 0x7A /* z where US keyboards have y */}, {3, 0x08, 0x2F /* Shift + Alt Gr 7: slash */}, {0, 0x2C, 0x79},
      {0, 0x0C, 0xDF}, {1, 0x0C, 0x3F}, {2, 0x0C, 0x5C}, {3, 0x0C, 0x5C}, {0, 0x32, 0x6D}, {1, 0x32, 0x4D}, {2, 0x32, 0xB5},
      {3, 0x32, 0xB5}, {2, 0x10, 0x40}, {3, 0x10, 0x40}, {2, 0x08, 0x7B}, {2, 0x33, 0x3C}, {3, 0x33, 0x3B}, {2, 0x56, 0x7C},
      {1, 0x03, 0x22}, {3, 0x03, 0xB2}, {1, 0x29, 0xB0}, {3, 0x2B, 0x27}, {0, 0x100, 0}};
  for (const auto& k : keys) EXPECT_EQ(k.want, KeyLayoutEntry(k.plane, k.scan)) << k.plane << "/" << k.scan;
  for (int plane = 0; plane < 4; ++plane) {
    // Keypad keys ignore Shift.
    for (auto [scan, want] : {std::pair{0x53, 0x1000002Cu}, {0x47, 0x10000037u}, {0x9C, 0x1000000Au}, {0x1C, 0x0Au},
                              {0xB8, uint32_t(KeyAltGr)}})
      EXPECT_EQ(want, KeyLayoutEntry(plane, scan)) << plane << "/" << scan;
    for (int scan : {0x00, 0x45, 0x46, 0x54, 0x55, 0x59, 0x60, 0x7F})
      EXPECT_EQ(0u, KeyLayoutEntry(plane, scan)) << plane << "/" << scan;
  }
  EXPECT_EQ((std::vector<uint32_t>{0x1000002Fu, KeyCtrlR, KeyDelete, KeyF11, KeyF12}),
            (std::vector<uint32_t>{sKeyLayout[512 + 0x35], sKeyLayout[512 + 0x1D], sKeyLayout[512 + 0x53],
                                   sKeyLayout[0x57], sKeyLayout[3 * 128 + 0x58]}));
  int extended = 0, normal = 0;
  for (int i = 0; i < 128; ++i) extended += sKeyLayout[512 + i] != 0, normal += sKeyLayout[i] != 0;
  EXPECT_EQ(14, extended);
  EXPECT_EQ(0x58 - 2 - 2, normal) << "scan codes 1..0x58 minus Num Lock, Scroll Lock, 0x54 and 0x55";
  const std::pair<uint32_t, const char*> names[] = {{KeyF1, "F1"}, {KeyF12, "F12"}, {KeyCaps, "CAPS"},
      {KeyAltGr, "ALTGR"}, {KeyPageDown, "PAGEDOWN"}, {KeyRight, "RIGHT"}, {0x10030, "MOUSE-MOVE"},
      {0x10033, "RIGHT-MOUSE-BUTTON"}, {0x10040, "LEFT"}, {0x10047, "A4-"}};
  for (const auto& [code, name] : names) EXPECT_STREQ(name, KeyName(code)) << code;
  for (uint32_t code : {0x10000u, 0x1000Du, 0x1002Au, 0x10034u, 0x10048u, uint32_t('a')})
    EXPECT_EQ(nullptr, KeyName(code)) << code;
  int named = 0;
  for (const char* n : KeyNames) named += n != nullptr;
  EXPECT_EQ(12 + 7 + 10 + 4 + 8, named);
}

// The web backend's keys and mouse, fed as the page's events would feed them.
TEST(WebKeys, Set1ScanCodesRepeatsStrayReleasesAndBlur) {
  const struct { const char* code; int scan; } cases[] = {
      {"KeyA", 0x1E}, {"KeyM", 0x32}, {"KeyR", 0x13}, {"KeyY", 0x15} /* the German z key */, {"KeyZ", 0x2C},
      {"Digit1", 0x02}, {"Digit0", 0x0B}, {"Enter", 0x1C}, {"Escape", 0x01}, {"Space", 0x39}, {"Minus", 0x0C},
      {"F1", 0x3B}, {"F10", 0x44}, {"F11", 0x57}, {"F12", 0x58}, {"NumLock", 0x45}, {"NumpadEnter", 0x9C},
      {"Numpad7", 0x47}, {"NumpadDecimal", 0x53}, {"IntlBackslash", 0x56}, {"ControlLeft", 0x1D}, {"ShiftLeft", 0x2A},
      {"ControlRight", 0x9D}, {"AltRight", 0xB8}, {"ArrowUp", 0xC8}, {"Delete", 0xD3}, {"MetaLeft", 0xDB},
      // Keys the PC keyboard lacks, and names that are no keys.
      {"AudioVolumeMute", 0}, {"F13", 0}, {"F0", 0}, {"F1x", 0}, {"F", 0}, {"Key", 0}, {"KeyAA", 0}, {"Keya", 0},
      {"Digit", 0}, {"Digit12", 0}, {"", 0}};
  for (const auto& c : cases) EXPECT_EQ(c.scan, platform::web::Set1FromKeyCode(c.code)) << c.code;
  EXPECT_EQ(0, platform::web::Set1FromKeyCode(nullptr));
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
  mouse->GetMouseState(state);  // the right button is bit 1; one notch up
  EXPECT_EQ((Ints{0x80, 0x80, 0, 3, -4, 120}),
            (Ints{state.buttons[0], state.buttons[1], state.buttons[2], state.x, state.y, state.z}));
  input.OnBlur(7);  // what was held is released
  mouse->GetMouseState(state);
  EXPECT_EQ(0, state.buttons[0] | state.buttons[1]);
  platform::KeyData events[16];
  int count = 16;
  EXPECT_EQ(platform::InputOk, keyboard->GetDeviceData(events, count));
  std::vector<uint32_t> got;
  for (int i = 0; i < count; ++i) got.push_back(events[i].offset | (events[i].data & 0x80) << 8);
  EXPECT_EQ((std::vector<uint32_t>{0x8013, 0x802A, 0x13, 0x2A}), got);
  // Before a new run: unread keys are dropped, and a key held then needs a new press.
  input.OnKey(0x32, true, false, 8);
  input.Forget();
  input.OnKey(0x32, false, false, 9);
  count = 16;
  EXPECT_EQ(platform::InputOk, keyboard->GetDeviceData(events, count));
  EXPECT_EQ(0, count);
}

}  // namespace
