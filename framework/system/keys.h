// Key codes, the German keyboard layout and the names of the special keys.
#pragma once
#include <cstdint>

// Low 17 bits of a key event: a Latin-1 character, or KeySpecial + n.
enum : uint32_t {
  KeySpecial = 0x10000,
  KeyF1 = 0x10001,
  KeyF2, KeyF3, KeyF4, KeyF5, KeyF6, KeyF7, KeyF8, KeyF9, KeyF10, KeyF11,
  KeyF12 = 0x1000C,
  KeyCaps = 0x10011,
  KeyShiftL = 0x10012,
  KeyShiftR = 0x10013,
  KeyCtrlL = 0x10014,
  KeyCtrlR = 0x10015,
  KeyAlt = 0x10016,
  KeyAltGr = 0x10017,
  KeyInsert = 0x10020,
  KeyDelete = 0x10021,
  KeyHome = 0x10022,
  KeyEnd = 0x10023,
  KeyPageUp = 0x10024,
  KeyPageDown = 0x10025,
  KeyUp = 0x10026,
  KeyDown = 0x10027,
  KeyLeft = 0x10028,
  KeyRight = 0x10029,
};

// Modifier bits (17 to 23) and flags of a key event.
enum : uint32_t {
  ModCaps = 0x20000,
  ModShiftL = 0x40000,
  ModShiftR = 0x80000,
  ModCtrlL = 0x100000,
  ModCtrlR = 0x200000,
  ModAlt = 0x400000,
  ModAltGr = 0x800000,
  KeyCodeMask = 0x1FFFF,
  KeyPad = 0x10000000,
  KeyRepeated = 0x20000000,
  KeyReleased = 0x80000000,
};

// Four planes of 128 scan codes (none, Shift, Alt Gr, both), then the
// extended scan codes 0x80..0xFF. 0: the key produces nothing.
extern const uint32_t sKeyLayout[640];

// Names of the special codes, indexed by code - KeySpecial; null where unnamed.
constexpr int KeyNameCount = 0x48;
extern const char* const KeyNames[KeyNameCount];

// The layout entry for a scan code 0x00..0xFF in a plane 0..3.
uint32_t KeyLayoutEntry(int plane, unsigned scan);
// The name of a special code, or null.
const char* KeyName(uint32_t code);
