#include "framework/system/input.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>

#include "framework/system/keys.h"
#include "platform/clock.h"
#include "platform/debug.h"
#include "platform/headless/input.h"
#include "tests/support/fatal_capture.h"
#include "tests/support/paths.h"

namespace {

// An input system whose keyboard returns prepared batches and whose calls can fail.
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
    caps.devType = s_.devType;
    caps.buttons = 5;
    caps.axes = 3;
    return s_.failStep != "caps";
  }
  bool SetDataFormat(platform::DataFormat) override { return s_.failStep != "format"; }
  bool SetBufferSize(int events) override { return events == 16 && s_.failStep != "buffer"; }
  bool SetAxisModeAbsolute() override { return s_.failStep != "axis"; }
  int32_t Acquire() override { return platform::InputOk; }
  void Unacquire() override { ++s_.unacquired; }
  int32_t GetDeviceData(platform::KeyData* events, int& count) override {
    EXPECT_EQ(16, count);
    if (s_.batches.empty()) {
      count = 0;
      return platform::InputOk;
    }
    auto batch = s_.batches.front();
    s_.batches.pop_front();
    count = static_cast<int>(batch.second.size());
    for (int i = 0; i < count; ++i) events[i] = batch.second[i];
    return batch.first;
  }
  int32_t GetMouseState(platform::MouseState& state) override {
    state = s_.mouse;
    return platform::InputOk;
  }
  int32_t GetJoystickState(platform::JoystickState& state) override {
    state = s_.joystick;
    return platform::InputOk;
  }

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
    if (state.failStep == "create") return nullptr;
    return std::make_unique<FakeDevice>(state);
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

TEST_F(InputTest, EscapePressAndRelease) {
  sKeyboard& k = Keyboard();
  Batch({Down(0x01), Up(0x01)});
  EXPECT_EQ((std::vector<uint32_t>{0x1Bu, 0x8000001Bu, 0u}), Keys(k, 3));
  delete &k;
  EXPECT_EQ(1, input_.state.unacquired);
}

TEST_F(InputTest, ShiftedLetterCarriesModifier) {
  sKeyboard& k = Keyboard();
  Batch({Down(0x2A), Down(0x32), Up(0x32), Up(0x2A)});
  EXPECT_EQ(0x50012u, k.ReadKey()) << "the shift press includes its own bit";
  EXPECT_EQ(0x4004Du, k.ReadKey());
  EXPECT_EQ(0u, k.GetModifiers()) << "the whole batch was translated at the first read";
  EXPECT_EQ(0x8004004Du, k.ReadKey());
  EXPECT_EQ(0x80010012u, k.ReadKey()) << "the release clears the bit first";
  // Caps lock shifts only while held.
  Batch({Down(0x3A), Down(0x1E), Up(0x3A), Down(0x1E)});
  EXPECT_EQ((std::vector<uint32_t>{KeyCaps | ModCaps, 'A' | ModCaps, KeyCaps | KeyReleased, static_cast<uint32_t>('a')}),
            Keys(k, 4));
  delete &k;
}

TEST_F(InputTest, AltGrAndKeypad) {
  sKeyboard& k = Keyboard();
  Batch({Down(0xB8), Down(0x10), Up(0xB8), Down(0x47), Down(0x9C), Down(0x1D), Down(0x9D)});
  EXPECT_EQ((std::vector<uint32_t>{KeyAltGr | ModAltGr, 0x40u | ModAltGr, KeyAltGr | KeyReleased, 0x10000037u,
                                   0x1000000Au, KeyCtrlL | ModCtrlL, KeyCtrlR | ModCtrlL | ModCtrlR}),
            Keys(k, 7));
  delete &k;
}

TEST_F(InputTest, AutoRepeatTiming) {
  sKeyboard& k = Keyboard();
  Batch({Down(0x1E)});
  EXPECT_EQ(0x61u, k.ReadKey());
  AdvanceMs(300);
  EXPECT_EQ(0u, k.ReadKey()) << "not before 300 ms have passed";
  AdvanceMs(1);
  EXPECT_EQ(0x20000061u, k.ReadKey());
  EXPECT_EQ(0u, k.ReadKey()) << "next repeat at 340 ms";
  AdvanceMs(100);  // now 401: the repeat clock lags, one repeat per call
  EXPECT_EQ((std::vector<uint32_t>{0x20000061u, 0x20000061u}), Keys(k, 2));
  EXPECT_EQ(0u, k.ReadKey()) << "420 is not before 401";
  // Modifier presses repeat as well.
  Batch({Up(0x1E), Down(0x2A)});
  EXPECT_EQ((std::vector<uint32_t>{0x80000061u, 0x50012u}), Keys(k, 2));
  AdvanceMs(301);
  EXPECT_EQ(0x20050012u, k.ReadKey());
  delete &k;
}

TEST_F(InputTest, AnyReleaseEndsRepeat) {
  sKeyboard& k = Keyboard();
  Batch({Down(0x1E), Down(0x30), Up(0x1E)});
  EXPECT_EQ((std::vector<uint32_t>{0x61u, 0x62u, 0x80000061u}), Keys(k, 3));
  AdvanceMs(1000);
  EXPECT_EQ(0u, k.ReadKey()) << "b is still held but nothing repeats";
  delete &k;
}

TEST_F(InputTest, BatchEndsAtEmptyEntryOrLargeScanCode) {
  sKeyboard& k = Keyboard();
  Batch({Down(0x1E), Down(0x30), Down(0x45), Down(0x2E)});
  Batch({Down(0x2E), {0x100, 0x80, 0, 0}, Down(0x1E)});
  EXPECT_EQ((std::vector<uint32_t>{0x61u, 0x62u}), Keys(k, 2));
  EXPECT_EQ(0x63u, k.ReadKey()) << "Num Lock dropped the rest of its batch; this is the next batch";
  EXPECT_EQ(0u, k.ReadKey());
  delete &k;
}

TEST_F(InputTest, OverflowResetsModifiersAndKeepsEvents) {
  sKeyboard& k = Keyboard();
  Batch({Down(0x2A)});
  EXPECT_EQ(0x50012u, k.ReadKey());
  Batch({Down(0x32)}, platform::InputBufferOverflow);
  EXPECT_EQ(0x6Du, k.ReadKey()) << "modifiers were reset before translating";
  delete &k;
}

TEST_F(InputTest, ReadErrorIsAnAssertion) {
  sKeyboard& k = Keyboard();
  Batch({}, platform::InputLost);
  EXPECT_FATAL(k.ReadKey(), "Assertion in line 3152, file system");
  EXPECT_NE(std::string::npos, debug_.Text().find("keyboard error 30 (8007001E)Fatal:Assertion in line 3152, file system\n")) << debug_.Text();
  delete &k;
}

TEST_F(InputTest, SetupFailuresNameTheirLines) {
  InitInput();  // nothing attached: the input system alone
  const std::pair<const char*, const char*> keyboard[] = {
      {"create", "Assertion in line 3103, file system"}, {"level", "Assertion in line 3106, file system"},
      {"caps", "Assertion in line 3110, file system"},   {"format", "Assertion in line 3115, file system"},
      {"buffer", "Assertion in line 3124, file system"}};
  for (auto& [step, message] : keyboard) {
    input_.state.failStep = step;
    EXPECT_FATAL(sKeyboard k({1, 0x0403, "k", "k"}), message);
  }
  const std::pair<const char*, const char*> mouse[] = {
      {"create", "Assertion in line 3240, file system"}, {"level", "Assertion in line 3243, file system"},
      {"caps", "Assertion in line 3247, file system"},   {"format", "Assertion in line 3257, file system"},
      {"axis", "Assertion in line 3276, file system"}};
  for (auto& [step, message] : mouse) {
    input_.state.failStep = step;
    EXPECT_FATAL(sPointer p({2, 0x0202, "m", "m"}), message);
  }
  input_.state.failStep = "format";
  EXPECT_FATAL(sPointer p({3, 0x0104, "j", "j"}), "Assertion in line 3265, file system");
  input_.state.failStep = "";
  EXPECT_FATAL(sPointer p({4, 0x0403, "k", "k"}), "Assertion in line 3260, file system");
  EXPECT_EQ(nullptr, GetDevice(DeviceKeyboard, -1));
  EXPECT_EQ(nullptr, GetDevice(DevicePointer, -1));
}

TEST_F(InputTest, NoInputSystemIsFatal) {
  platform::SetInput(nullptr);
  EXPECT_FATAL(InitInput(), "No Direct Input");
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

  input_.state.mouse.x = -4;
  input_.state.mouse.y = 9;
  input_.state.mouse.z = 120;
  input_.state.mouse.buttons[0] = 0x80;
  input_.state.mouse.buttons[1] = 0x80;
  input_.state.mouse.buttons[3] = 0x7F;  // bit 7 clear: not pressed
  sPointerState s{};
  s.Rx = 77;
  mouse->ReadState(&s);
  EXPECT_EQ(-4, s.X);
  EXPECT_EQ(9, s.Y);
  EXPECT_EQ(120, s.Z);
  EXPECT_EQ(77, s.Rx) << "a mouse leaves Rx alone";
  EXPECT_EQ(3, s.Buttons);
  EXPECT_EQ(1, s.DeviceType);
  EXPECT_EQ(5, s.ButtonCount);
  EXPECT_EQ(3, s.AxisCount);
  DestroyDevices();
  ShutdownInput();
}

TEST_F(InputTest, JoystickState) {
  InitInput();
  sPointer p({3, 0x0104, "j", "j"});
  input_.state.joystick.x = 1;
  input_.state.joystick.rx = 4;
  input_.state.joystick.buttons[0] = 0x80;
  input_.state.joystick.buttons[4] = 0x80;
  input_.state.joystick.buttons[5] = 0x80;  // beyond the 5 buttons the device has
  sPointerState s{};
  p.ReadState(&s);
  EXPECT_EQ(2, s.DeviceType);
  EXPECT_EQ(0, p.Priority);
  EXPECT_EQ(1, s.X);
  EXPECT_EQ(4, s.Rx);
  EXPECT_EQ(0x11, s.Buttons);
  ClearDevices();
}

// The headless backend's devices, driven by a script on the virtual clock.
TEST_F(InputTest, HeadlessScriptDeliversAtItsTimes) {
  std::vector<platform::InputScriptEvent> script;
  std::string error;
  ASSERT_TRUE(platform::ParseInputScript("# quit after a second\n"
                                         "500 press ShiftL\n"
                                         "500 key m\n"
                                         "520 release shiftl\n"
                                         "700 buttons 3\n"
                                         "700 move 10 -20\n"
                                         "1000 key Escape\n",
                                         script, error))
      << error;
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
  EXPECT_EQ(3, s.Buttons);
  EXPECT_EQ(10, s.X);
  EXPECT_EQ(-20, s.Y);
  AdvanceMs(300);
  EXPECT_EQ((std::vector<uint32_t>{0x1Bu, 0x8000001Bu}), Keys(*k, 2));
  DestroyDevices();
  ShutdownInput();
}

// More events at one time than the 16-deep buffer holds arrive over the
// following reads, in order: the Escape after them is not lost.
TEST_F(InputTest, HeadlessEventsBeyondTheBufferFollowInOrderThenReadError) {
  std::string text;
  for (int i = 0; i < 10; ++i) text += "100 key a\n";  // 20 events, 16 fit at once
  text += "100 key Escape\n200 key b\n300 error\n";
  std::vector<platform::InputScriptEvent> script;
  std::string error;
  ASSERT_TRUE(platform::ParseInputScript(text, script, error)) << error;
  platform::HeadlessInput headless(script);
  platform::SetInput(&headless);
  InitInput();
  auto* k = static_cast<sKeyboard*>(GetDevice(DeviceKeyboard, -1));
  ASSERT_NE(nullptr, k);
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

TEST(InputScript, ParsesNamesAndRejectsMistakes) {
  EXPECT_EQ(0x15, platform::ScanCodeOfKeyName("z"));
  EXPECT_EQ(0x2C, platform::ScanCodeOfKeyName("Y"));
  EXPECT_EQ(0x0B, platform::ScanCodeOfKeyName("0"));
  EXPECT_EQ(0x39, platform::ScanCodeOfKeyName("Space"));
  EXPECT_EQ(0x9C, platform::ScanCodeOfKeyName("KpEnter"));
  EXPECT_EQ(0xB8, platform::ScanCodeOfKeyName("AltGr"));
  EXPECT_EQ(0x45, platform::ScanCodeOfKeyName("0x45"));
  EXPECT_EQ(-1, platform::ScanCodeOfKeyName("0x100"));
  EXPECT_EQ(-1, platform::ScanCodeOfKeyName("Hyper"));

  std::vector<platform::InputScriptEvent> events;
  std::string error;
  ASSERT_TRUE(platform::ParseInputScript("300 key r\n100 press Escape # early\n\n", events, error));
  ASSERT_EQ(3u, events.size());
  EXPECT_EQ(100u, events[0].timeMs) << "sorted by time";
  EXPECT_EQ(0x01, events[0].a);
  EXPECT_EQ(platform::InputScriptEvent::Kind::Press, events[1].kind);
  EXPECT_EQ(platform::InputScriptEvent::Kind::Release, events[2].kind);

  EXPECT_FALSE(platform::ParseInputScript("100 key a\nsoon key b\n", events, error));
  EXPECT_EQ("line 2: 'soon' is not a time in ms", error);
  EXPECT_TRUE(events.empty());
  EXPECT_FALSE(platform::ParseInputScript("100 press Hyper\n", events, error));
  EXPECT_EQ("line 1: unknown key 'Hyper'", error);
  EXPECT_FALSE(platform::ParseInputScript("100 jump\n", events, error));
  EXPECT_EQ("line 1: unknown event 'jump'", error);
  EXPECT_FALSE(platform::ParseInputScript("100 buttons 16\n", events, error));
  EXPECT_FALSE(platform::ParseInputScript("100 key a b\n", events, error));
  EXPECT_EQ("line 1: unexpected 'b'", error);
  EXPECT_FALSE(platform::ParseInputScript("100\n", events, error));
  EXPECT_FALSE(platform::LoadInputScript("/nonexistent/keys.txt", events, error));
  EXPECT_EQ("No such file or directory", error);

  // Times are decimal: a leading zero is not octal, and no other base or sign is a time.
  ASSERT_TRUE(platform::ParseInputScript("0500 key a\n", events, error)) << error;
  EXPECT_EQ(500u, events[0].timeMs);
  for (const char* bad : {"0x10", "-5", "+5", "1e3", "99999999999"}) {
    EXPECT_FALSE(platform::ParseInputScript(std::string(bad) + " key a\n", events, error)) << bad;
    EXPECT_EQ(std::string("line 1: '") + bad + "' is not a time in ms", error);
  }
  // Nothing to do is a script too.
  EXPECT_TRUE(platform::ParseInputScript("", events, error));
  EXPECT_TRUE(platform::ParseInputScript("# only a comment\n\n   \n", events, error));
  EXPECT_TRUE(events.empty());
}

// What a key script file may be: nothing larger than a script, nothing that is not a file.
TEST(InputScript, FilesAreReadWithinBounds) {
  std::string text, error;
  EXPECT_FALSE(platform::ReadInputScript("/dev/zero", text, error));
  EXPECT_EQ("larger than 1 MB: not a key script", error);
  EXPECT_TRUE(text.empty());
  EXPECT_FALSE(platform::ReadInputScript("/", text, error));
  EXPECT_EQ("Is a directory", error);
  // An empty file (not /dev/null: on some machines that is a regular file with content).
  std::string dir = testpaths::TempDir("keys");
  std::ofstream(dir + "/empty.txt").close();
  EXPECT_TRUE(platform::ReadInputScript((dir + "/empty.txt").c_str(), text, error)) << error;
  EXPECT_EQ("", text);
  std::filesystem::remove_all(dir);
}

}  // namespace
