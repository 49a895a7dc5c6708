#include "platform/headless/input.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sstream>

#include "platform/clock.h"

namespace platform {

namespace {

struct Name {
  const char* name;
  int scan;
};

const Name Names[] = {
    {"escape", 0x01},    {"esc", 0x01},        {"backspace", 0x0E}, {"tab", 0x0F},
    {"enter", 0x1C},     {"ctrll", 0x1D},      {"ctrl", 0x1D},      {"shiftl", 0x2A},
    {"shift", 0x2A},     {"shiftr", 0x36},     {"alt", 0x38},       {"space", 0x39},
    {"caps", 0x3A},      {"f1", 0x3B},         {"f2", 0x3C},        {"f3", 0x3D},
    {"f4", 0x3E},        {"f5", 0x3F},         {"f6", 0x40},        {"f7", 0x41},
    {"f8", 0x42},        {"f9", 0x43},         {"f10", 0x44},       {"numlock", 0x45},
    {"scrolllock", 0x46}, {"f11", 0x57},       {"f12", 0x58},       {"kp7", 0x47},
    {"kp8", 0x48},       {"kp9", 0x49},        {"kpminus", 0x4A},   {"kp4", 0x4B},
    {"kp5", 0x4C},       {"kp6", 0x4D},        {"kpplus", 0x4E},    {"kp1", 0x4F},
    {"kp2", 0x50},       {"kp3", 0x51},        {"kp0", 0x52},       {"kpcomma", 0x53},
    {"kpmultiply", 0x37}, {"kpenter", 0x9C},   {"ctrlr", 0x9D},     {"kpdivide", 0xB5},
    {"altgr", 0xB8},     {"home", 0xC7},       {"up", 0xC8},        {"pageup", 0xC9},
    {"left", 0xCB},      {"right", 0xCD},      {"end", 0xCF},       {"down", 0xD0},
    {"pagedown", 0xD1},  {"insert", 0xD2},     {"delete", 0xD3},
};

// The German rows: the letter or digit at each scan code.
const char* const Rows[] = {"1234567890", "qwertzuiop", "asdfghjkl", "yxcvbnm"};
const int RowStart[] = {0x02, 0x10, 0x1E, 0x2C};

// Decimal, with an optional sign; base 16 only where a key code says "0x".
bool ParseInt(const std::string& s, long& value, int base = 10) {
  if (s.empty() || std::isspace(static_cast<unsigned char>(s[0]))) return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtol(s.c_str(), &end, base);
  return end && *end == 0 && errno == 0;
}

}  // namespace

int ScanCodeOfKeyName(const std::string& name) {
  std::string lower;
  for (char c : name) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower.size() == 1) {
    for (int r = 0; r < 4; ++r) {
      const char* at = std::strchr(Rows[r], lower[0]);
      if (at) return RowStart[r] + static_cast<int>(at - Rows[r]);
    }
    return -1;
  }
  for (const Name& n : Names)
    if (lower == n.name) return n.scan;
  long v;
  if (lower.compare(0, 2, "0x") == 0 && ParseInt(lower.substr(2), v, 16) && v > 0 && v <= 0xFF)
    return static_cast<int>(v);
  return -1;
}

bool ParseInputScript(const std::string& text, std::vector<InputScriptEvent>& events, std::string& error) {
  events.clear();
  std::istringstream in(text);
  std::string line;
  int number = 0;
  auto fail = [&](const std::string& why) {
    error = "line " + std::to_string(number) + ": " + why;
    events.clear();
    return false;
  };
  while (std::getline(in, line)) {
    ++number;
    line = line.substr(0, line.find('#'));
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string s; words >> s;) w.push_back(s);
    if (w.empty()) continue;
    long time;
    if (!std::isdigit(static_cast<unsigned char>(w[0][0])) || !ParseInt(w[0], time) || time > 0xFFFFFFFFL)
      return fail("'" + w[0] + "' is not a time in ms");
    if (w.size() < 2) return fail("an event is missing after the time");
    InputScriptEvent e;
    e.timeMs = static_cast<uint32_t>(time);
    const std::string& what = w[1];
    size_t want = 3;
    if (what == "press" || what == "release" || what == "key") {
      if (w.size() < 3) return fail("'" + what + "' needs a key");
      int scan = ScanCodeOfKeyName(w[2]);
      if (scan < 0) return fail("unknown key '" + w[2] + "'");
      e.a = scan;
      e.kind = what == "release" ? InputScriptEvent::Kind::Release : InputScriptEvent::Kind::Press;
      events.push_back(e);
      if (what == "key") {
        e.kind = InputScriptEvent::Kind::Release;
        events.push_back(e);
      }
    } else if (what == "buttons") {
      long bits;
      if (w.size() < 3 || !ParseInt(w[2], bits) || bits < 0 || bits > 15)
        return fail("'buttons' needs bits 0..15");
      e.kind = InputScriptEvent::Kind::Buttons;
      e.a = static_cast<int>(bits);
      events.push_back(e);
    } else if (what == "move") {
      long x, y;
      if (w.size() < 4 || !ParseInt(w[2], x) || !ParseInt(w[3], y) || std::labs(x) > 1000000 || std::labs(y) > 1000000)
        return fail("'move' needs x and y");
      e.kind = InputScriptEvent::Kind::Move;
      e.a = static_cast<int>(x);
      e.b = static_cast<int>(y);
      events.push_back(e);
      want = 4;
    } else if (what == "error") {
      e.kind = InputScriptEvent::Kind::Error;
      events.push_back(e);
      want = 2;
    } else {
      return fail("unknown event '" + what + "'");
    }
    if (w.size() > want) return fail("unexpected '" + w[want] + "'");
  }
  std::stable_sort(events.begin(), events.end(),
                   [](const InputScriptEvent& x, const InputScriptEvent& y) { return x.timeMs < y.timeMs; });
  return true;
}

bool ReadInputScript(const char* path, std::string& text, std::string& error) {
  text.clear();
  std::FILE* file = std::fopen(path, "rb");
  if (!file) {
    error = std::strerror(errno);
    return false;
  }
  struct stat st;
  if (::fstat(fileno(file), &st) == 0 && S_ISDIR(st.st_mode)) {
    std::fclose(file);
    error = std::strerror(EISDIR);
    return false;
  }
  errno = 0;
  char chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0 && text.size() <= MaxInputScriptBytes)
    text.append(chunk, got);
  const bool failed = std::ferror(file) != 0;
  const int code = errno;
  std::fclose(file);
  if (failed) {
    error = std::strerror(code ? code : EIO);
    return false;
  }
  if (text.size() > MaxInputScriptBytes) {
    error = "larger than 1 MB: not a key script";
    text.clear();
    return false;
  }
  return true;
}

bool LoadInputScript(const char* path, std::vector<InputScriptEvent>& events, std::string& error) {
  std::string text;
  return ReadInputScript(path, text, error) && ParseInputScript(text, events, error);
}

// What both devices see: the script, the keyboard's buffer and the mouse.
struct HeadlessInput::State {
  std::mutex lock;
  std::vector<InputScriptEvent> script;
  size_t next = 0;
  uint64_t origin = 0;  // clock reading in microseconds when the input started
  KeyBuffer keys;
  MouseState mouse;
  bool readError = false;

  static uint64_t NowMicros() {
    Clock& clock = GetClock();
    uint64_t count = 0, hz = 0;
    if (clock.QueryCounter(count) && clock.QueryFrequency(hz) && hz)
      return static_cast<uint64_t>(static_cast<long double>(count) * 1000000.0L / hz);
    return static_cast<uint64_t>(clock.TimeGetTime()) * 1000u;
  }

  // Moves every event that is due into the devices.
  void Pump() {
    std::lock_guard<std::mutex> hold(lock);
    uint64_t now = (NowMicros() - origin) / 1000u;
    for (; next < script.size() && script[next].timeMs <= now; ++next) {
      const InputScriptEvent& e = script[next];
      // A full buffer keeps the rest, in order, for the reads that follow.
      const bool key = e.kind == InputScriptEvent::Kind::Press || e.kind == InputScriptEvent::Kind::Release;
      if (key && keys.Room() == 0) break;
      switch (e.kind) {
        case InputScriptEvent::Kind::Press: keys.Push(e.a, true, e.timeMs); break;
        case InputScriptEvent::Kind::Release: keys.Push(e.a, false, e.timeMs); break;
        case InputScriptEvent::Kind::Buttons:
          for (int i = 0; i < 4; ++i) mouse.buttons[i] = (e.a >> i) & 1 ? 0x80 : 0;
          break;
        case InputScriptEvent::Kind::Move:
          mouse.x = e.a;
          mouse.y = e.b;
          break;
        case InputScriptEvent::Kind::Error: readError = true; break;
      }
    }
  }
};

namespace {

constexpr int KeyboardId = 1;
constexpr int MouseId = 2;

class ScriptDevice final : public KeyboardMouseDevice {
public:
  ScriptDevice(std::shared_ptr<HeadlessInput::State> state, bool keyboard)
      : KeyboardMouseDevice(keyboard, 3), state_(std::move(state)) {}

private:
  KeyBuffer& Keys() override { return state_->keys; }
  void Refresh() override { state_->Pump(); }
  bool TakeReadError() override {
    std::lock_guard<std::mutex> hold(state_->lock);
    bool error = state_->readError;
    state_->readError = false;
    return error;
  }
  void ReadMouse(MouseState& out) override {
    std::lock_guard<std::mutex> hold(state_->lock);
    out = state_->mouse;
  }

  std::shared_ptr<HeadlessInput::State> state_;
};

}  // namespace

HeadlessInput::HeadlessInput(std::vector<InputScriptEvent> script) : state_(std::make_shared<State>()) {
  state_->script = std::move(script);
  state_->origin = State::NowMicros();
}

HeadlessInput::~HeadlessInput() = default;

std::vector<InputDeviceInstance> HeadlessInput::EnumDevices() {
  return {{KeyboardId, 0x0403, "Keyboard", "Headless Keyboard"},
          {MouseId, 0x0202, "Mouse", "Headless Mouse"}};
}

std::unique_ptr<InputDevice> HeadlessInput::CreateDevice(const InputDeviceInstance& instance) {
  if (instance.id != KeyboardId && instance.id != MouseId) return nullptr;
  return std::make_unique<ScriptDevice>(state_, instance.id == KeyboardId);
}

}  // namespace platform
