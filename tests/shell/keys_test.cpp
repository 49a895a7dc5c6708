#include "framework/system/keys.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

namespace {

TEST(KeyLayout, GermanPositionsAndPlanes) {
  EXPECT_EQ(0x7Au, KeyLayoutEntry(0, 0x15)) << "z sits where US keyboards have y";
  EXPECT_EQ(0x2Fu, KeyLayoutEntry(3, 0x08)) << "Shift + Alt Gr on 7 is the slash, not the brace";
  const struct {
    int plane, scan;
    uint32_t want;
  } keys[] = {{0, 0x2C, 0x79}, {0, 0x0C, 0xDF}, {1, 0x0C, 0x3F}, {2, 0x0C, 0x5C}, {3, 0x0C, 0x5C}, {0, 0x32, 0x6D},
              {1, 0x32, 0x4D}, {2, 0x32, 0xB5}, {3, 0x32, 0xB5}, {2, 0x10, 0x40}, {3, 0x10, 0x40}, {2, 0x08, 0x7B},
              {2, 0x33, 0x3C}, {3, 0x33, 0x3B}, {2, 0x56, 0x7C}, {1, 0x03, 0x22}, {3, 0x03, 0xB2}, {1, 0x29, 0xB0},
              {3, 0x2B, 0x27}};
  for (const auto& k : keys) EXPECT_EQ(k.want, KeyLayoutEntry(k.plane, k.scan)) << k.plane << "/" << k.scan;
}

TEST(KeyLayout, KeypadAndExtendedKeys) {
  for (int plane = 0; plane < 4; ++plane) {
    EXPECT_EQ(0x1000002Cu, KeyLayoutEntry(plane, 0x53));
    EXPECT_EQ(0x10000037u, KeyLayoutEntry(plane, 0x47));
    EXPECT_EQ(0x1000000Au, KeyLayoutEntry(plane, 0x9C)) << "keypad Enter ignores Shift";
    EXPECT_EQ(0x0Au, KeyLayoutEntry(plane, 0x1C));
    EXPECT_EQ(static_cast<uint32_t>(KeyAltGr), KeyLayoutEntry(plane, 0xB8));
  }
  EXPECT_EQ(0x1000002Fu, sKeyLayout[512 + 0x35]);
  EXPECT_EQ(static_cast<uint32_t>(KeyCtrlR), sKeyLayout[512 + 0x1D]);
  EXPECT_EQ(static_cast<uint32_t>(KeyDelete), sKeyLayout[512 + 0x53]);
  EXPECT_EQ(static_cast<uint32_t>(KeyF11), sKeyLayout[0x57]);
  EXPECT_EQ(static_cast<uint32_t>(KeyF12), sKeyLayout[3 * 128 + 0x58]);
}

TEST(KeyLayout, EmptyEntries) {
  const int empty[] = {0x00, 0x45, 0x46, 0x54, 0x55, 0x59, 0x60, 0x7F};
  for (int plane = 0; plane < 4; ++plane)
    for (int scan : empty) EXPECT_EQ(0u, KeyLayoutEntry(plane, scan)) << "plane " << plane << " scan " << scan;
  int extended = 0;
  for (int i = 512; i < 640; ++i) extended += sKeyLayout[i] != 0;
  EXPECT_EQ(14, extended);
  int normal = 0;
  for (int i = 0; i < 128; ++i) normal += sKeyLayout[i] != 0;
  EXPECT_EQ(0x58 - 2 - 2, normal) << "scan codes 1..0x58 minus Num Lock, Scroll Lock, 0x54 and 0x55";
  EXPECT_EQ(0u, KeyLayoutEntry(0, 0x100));
}

TEST(KeyNames, SpecialCodes) {
  const std::pair<uint32_t, const char*> names[] = {
      {KeyF1, "F1"},           {KeyF12, "F12"},     {KeyCaps, "CAPS"},          {KeyAltGr, "ALTGR"},
      {KeyPageDown, "PAGEDOWN"}, {KeyRight, "RIGHT"}, {0x10030, "MOUSE-MOVE"}, {0x10033, "RIGHT-MOUSE-BUTTON"},
      {0x10040, "LEFT"},       {0x10047, "A4-"}};
  for (const auto& [code, name] : names) EXPECT_STREQ(name, KeyName(code)) << code;
  for (uint32_t code : {0x10000u, 0x1000Du, 0x1002Au, 0x10034u, 0x10048u, uint32_t('a')})
    EXPECT_EQ(nullptr, KeyName(code)) << code;
  int named = 0;
  for (const char* n : KeyNames) named += n != nullptr;
  EXPECT_EQ(12 + 7 + 10 + 4 + 8, named);
}

}  // namespace
