#include "framework/system/keys.h"

#include <array>

namespace {

// One scan code's entries in the four planes.
struct Row {
  uint8_t scan;
  uint32_t normal, shift, altGr, both;
};

constexpr uint32_t P = KeyPad;

constexpr Row Rows[] = {
    {0x01, 0x1B, 0x1B, 0x1B, 0x1B},
    {0x02, '1', '!', '1', '!'},
    {0x03, '2', '"', 0xB2, 0xB2},
    {0x04, '3', 0xA7, 0xB3, 0xB3},
    {0x05, '4', '$', '4', '$'},
    {0x06, '5', '%', '5', '%'},
    {0x07, '6', '&', '6', '&'},
    {0x08, '7', '/', '{', '/'},
    {0x09, '8', '(', '[', '('},
    {0x0A, '9', ')', ']', ')'},
    {0x0B, '0', '=', '}', '='},
    {0x0C, 0xDF, '?', '\\', '\\'},
    {0x0D, 0xB4, '`', 0xB4, '`'},
    {0x0E, 0x08, 0x08, 0x08, 0x08},
    {0x0F, 0x09, 0x09, 0x09, 0x09},
    {0x10, 'q', 'Q', '@', '@'},
    {0x11, 'w', 'W', 'w', 'W'},
    {0x12, 'e', 'E', 'e', 'E'},
    {0x13, 'r', 'R', 'r', 'R'},
    {0x14, 't', 'T', 't', 'T'},
    {0x15, 'z', 'Z', 'z', 'Z'},
    {0x16, 'u', 'U', 'u', 'U'},
    {0x17, 'i', 'I', 'i', 'I'},
    {0x18, 'o', 'O', 'o', 'O'},
    {0x19, 'p', 'P', 'p', 'P'},
    {0x1A, 0xFC, 0xDC, 0xFC, 0xDC},
    {0x1B, '+', '*', '~', '~'},
    {0x1C, 0x0A, 0x0A, 0x0A, 0x0A},
    {0x1D, KeyCtrlL, KeyCtrlL, KeyCtrlL, KeyCtrlL},
    {0x1E, 'a', 'A', 'a', 'A'},
    {0x1F, 's', 'S', 's', 'S'},
    {0x20, 'd', 'D', 'd', 'D'},
    {0x21, 'f', 'F', 'f', 'F'},
    {0x22, 'g', 'G', 'g', 'G'},
    {0x23, 'h', 'H', 'h', 'H'},
    {0x24, 'j', 'J', 'j', 'J'},
    {0x25, 'k', 'K', 'k', 'K'},
    {0x26, 'l', 'L', 'l', 'L'},
    {0x27, 0xF6, 0xD6, 0xF6, 0xD6},
    {0x28, 0xE4, 0xC4, 0xE4, 0xC4},
    {0x29, '^', 0xB0, '^', 0xB0},
    {0x2A, KeyShiftL, KeyShiftL, KeyShiftL, KeyShiftL},
    {0x2B, '#', '\'', '#', '\''},
    {0x2C, 'y', 'Y', 'y', 'Y'},
    {0x2D, 'x', 'X', 'x', 'X'},
    {0x2E, 'c', 'C', 'c', 'C'},
    {0x2F, 'v', 'V', 'v', 'V'},
    {0x30, 'b', 'B', 'b', 'B'},
    {0x31, 'n', 'N', 'n', 'N'},
    {0x32, 'm', 'M', 0xB5, 0xB5},
    {0x33, ',', ';', '<', ';'},
    {0x34, '.', ':', '>', ':'},
    {0x35, '-', '_', '-', '_'},
    {0x36, KeyShiftR, KeyShiftR, KeyShiftR, KeyShiftR},
    {0x37, P | '*', P | '*', P | '*', P | '*'},
    {0x38, KeyAlt, KeyAlt, KeyAlt, KeyAlt},
    {0x39, ' ', ' ', ' ', ' '},
    {0x3A, KeyCaps, KeyCaps, KeyCaps, KeyCaps},
    {0x3B, KeyF1, KeyF1, KeyF1, KeyF1},
    {0x3C, KeyF2, KeyF2, KeyF2, KeyF2},
    {0x3D, KeyF3, KeyF3, KeyF3, KeyF3},
    {0x3E, KeyF4, KeyF4, KeyF4, KeyF4},
    {0x3F, KeyF5, KeyF5, KeyF5, KeyF5},
    {0x40, KeyF6, KeyF6, KeyF6, KeyF6},
    {0x41, KeyF7, KeyF7, KeyF7, KeyF7},
    {0x42, KeyF8, KeyF8, KeyF8, KeyF8},
    {0x43, KeyF9, KeyF9, KeyF9, KeyF9},
    {0x44, KeyF10, KeyF10, KeyF10, KeyF10},
    {0x47, P | '7', P | '7', P | '7', P | '7'},
    {0x48, P | '8', P | '8', P | '8', P | '8'},
    {0x49, P | '9', P | '9', P | '9', P | '9'},
    {0x4A, P | '-', P | '-', P | '-', P | '-'},
    {0x4B, P | '4', P | '4', P | '4', P | '4'},
    {0x4C, P | '5', P | '5', P | '5', P | '5'},
    {0x4D, P | '6', P | '6', P | '6', P | '6'},
    {0x4E, P | '+', P | '+', P | '+', P | '+'},
    {0x4F, P | '1', P | '1', P | '1', P | '1'},
    {0x50, P | '2', P | '2', P | '2', P | '2'},
    {0x51, P | '3', P | '3', P | '3', P | '3'},
    {0x52, P | '0', P | '0', P | '0', P | '0'},
    {0x53, P | ',', P | ',', P | ',', P | ','},
    {0x56, '<', '>', '|', '|'},
    {0x57, KeyF11, KeyF11, KeyF11, KeyF11},
    {0x58, KeyF12, KeyF12, KeyF12, KeyF12},
};

// Extended scan codes: the same whatever the modifiers.
struct Extended {
  uint8_t scan;
  uint32_t code;
};

constexpr Extended ExtendedRows[] = {
    {0x9C, P | 0x0A}, {0x9D, KeyCtrlR}, {0xB5, P | '/'},   {0xB8, KeyAltGr},
    {0xC7, KeyHome},  {0xC8, KeyUp},    {0xC9, KeyPageUp}, {0xCB, KeyLeft},
    {0xCD, KeyRight}, {0xCF, KeyEnd},   {0xD0, KeyDown},   {0xD1, KeyPageDown},
    {0xD2, KeyInsert}, {0xD3, KeyDelete},
};

constexpr std::array<uint32_t, 640> BuildLayout() {
  std::array<uint32_t, 640> t{};
  for (const Row& r : Rows) {
    t[r.scan] = r.normal;
    t[128 + r.scan] = r.shift;
    t[256 + r.scan] = r.altGr;
    t[384 + r.scan] = r.both;
  }
  for (const Extended& e : ExtendedRows) t[512 + (e.scan - 0x80)] = e.code;
  return t;
}

constexpr std::array<uint32_t, 640> Layout = BuildLayout();

}  // namespace

const uint32_t sKeyLayout[640] = {
#define L8(i) Layout[i], Layout[i + 1], Layout[i + 2], Layout[i + 3], Layout[i + 4], Layout[i + 5], Layout[i + 6], Layout[i + 7]
#define L64(i) L8(i), L8(i + 8), L8(i + 16), L8(i + 24), L8(i + 32), L8(i + 40), L8(i + 48), L8(i + 56)
    L64(0),   L64(64),  L64(128), L64(192), L64(256),
    L64(320), L64(384), L64(448), L64(512), L64(576),
#undef L64
#undef L8
};

const char* const KeyNames[KeyNameCount] = {
    nullptr,  "F1",     "F2",       "F3",  "F4",     "F5",     "F6",     "F7",
    "F8",     "F9",     "F10",      "F11", "F12",    nullptr,  nullptr,  nullptr,
    nullptr,  "CAPS",   "SHIFTL",   "SHIFTR", "CTRLL", "CTRLR", "ALT",    "ALTGR",
    nullptr,  nullptr,  nullptr,    nullptr, nullptr, nullptr,  nullptr,  nullptr,
    "INSERT", "DELETE", "HOME",     "END", "PAGEUP", "PAGEDOWN", "UP",    "DOWN",
    "LEFT",   "RIGHT",  nullptr,    nullptr, nullptr, nullptr,  nullptr,  nullptr,
    "MOUSE-MOVE", "LEFT-MOUSE-BUTTON", "MIDDLE-MOUSE-BUTTON", "RIGHT-MOUSE-BUTTON",
    nullptr,  nullptr,  nullptr,    nullptr, nullptr, nullptr,  nullptr,  nullptr,
    nullptr,  nullptr,  nullptr,    nullptr,
    "LEFT",   "RIGHT",  "UP",       "DOWN", "A3+",   "A3-",    "A4+",    "A4-",
};

uint32_t KeyLayoutEntry(int plane, unsigned scan) {
  if (scan >= 0x100) return 0;
  if (scan >= 0x80) return sKeyLayout[512 + (scan - 0x80)];
  return sKeyLayout[(plane & 3) * 128 + scan];
}

const char* KeyName(uint32_t code) {
  if (code < KeySpecial || code >= KeySpecial + KeyNameCount) return nullptr;
  return KeyNames[code - KeySpecial];
}
