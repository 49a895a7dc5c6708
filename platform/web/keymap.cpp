#include "platform/web/keymap.h"

#include <cstring>

namespace platform::web {

namespace {
struct Entry {
  const char* code;
  int scan;
};

// The named keys; letters, digits and F1..F12 are worked out below.
const Entry named[] = {
    {"Escape", 0x01},         {"Minus", 0x0C},         {"Equal", 0x0D},          {"Backspace", 0x0E},
    {"Tab", 0x0F},            {"BracketLeft", 0x1A},   {"BracketRight", 0x1B},   {"Enter", 0x1C},
    {"ControlLeft", 0x1D},    {"Semicolon", 0x27},     {"Quote", 0x28},          {"Backquote", 0x29},
    {"ShiftLeft", 0x2A},      {"Backslash", 0x2B},     {"Comma", 0x33},          {"Period", 0x34},
    {"Slash", 0x35},          {"ShiftRight", 0x36},    {"NumpadMultiply", 0x37}, {"AltLeft", 0x38},
    {"Space", 0x39},          {"CapsLock", 0x3A},      {"NumLock", 0x45},        {"ScrollLock", 0x46},
    {"Numpad7", 0x47},        {"Numpad8", 0x48},       {"Numpad9", 0x49},        {"NumpadSubtract", 0x4A},
    {"Numpad4", 0x4B},        {"Numpad5", 0x4C},       {"Numpad6", 0x4D},        {"NumpadAdd", 0x4E},
    {"Numpad1", 0x4F},        {"Numpad2", 0x50},       {"Numpad3", 0x51},        {"Numpad0", 0x52},
    {"NumpadDecimal", 0x53},  {"IntlBackslash", 0x56}, {"F11", 0x57},            {"F12", 0x58},
    {"NumpadEnter", 0x9C},    {"ControlRight", 0x9D},  {"NumpadDivide", 0xB5},   {"PrintScreen", 0xB7},
    {"AltRight", 0xB8},       {"Pause", 0xC5},         {"Home", 0xC7},           {"ArrowUp", 0xC8},
    {"PageUp", 0xC9},         {"ArrowLeft", 0xCB},     {"ArrowRight", 0xCD},     {"End", 0xCF},
    {"ArrowDown", 0xD0},      {"PageDown", 0xD1},      {"Insert", 0xD2},         {"Delete", 0xD3},
    {"MetaLeft", 0xDB},       {"MetaRight", 0xDC},     {"ContextMenu", 0xDD},    {"OSLeft", 0xDB},
    {"OSRight", 0xDC},
};

// Set-1 codes of the letters A..Z by their place on the keyboard.
const unsigned char letters[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32,
                                   0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
}  // namespace

int Set1FromKeyCode(const char* code) {
  if (!code) return 0;
  const size_t n = std::strlen(code);
  if (n == 4 && std::strncmp(code, "Key", 3) == 0 && code[3] >= 'A' && code[3] <= 'Z') return letters[code[3] - 'A'];
  if (n == 6 && std::strncmp(code, "Digit", 5) == 0 && code[5] >= '0' && code[5] <= '9')
    return code[5] == '0' ? 0x0B : 0x02 + (code[5] - '1');
  if ((n == 2 || n == 3) && code[0] == 'F' && code[1] >= '1' && code[1] <= '9') {
    const int f = n == 2 ? code[1] - '0' : (code[1] - '0') * 10 + (code[2] - '0');
    if (n == 3 && (code[2] < '0' || code[2] > '9')) return 0;
    if (f >= 1 && f <= 10) return 0x3B + (f - 1);
  }
  for (const Entry& e : named)
    if (std::strcmp(e.code, code) == 0) return e.scan;
  return 0;
}

}  // namespace platform::web
