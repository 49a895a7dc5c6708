#include "framework/system/keys.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(KeyLayout, GermanPositionsAndPlanes) {
  EXPECT_EQ(0x7Au, KeyLayoutEntry(0, 0x15)) << "z sits where US keyboards have y";
  EXPECT_EQ(0x79u, KeyLayoutEntry(0, 0x2C));
  EXPECT_EQ(0xDFu, KeyLayoutEntry(0, 0x0C));
  EXPECT_EQ(0x3Fu, KeyLayoutEntry(1, 0x0C));
  EXPECT_EQ(0x5Cu, KeyLayoutEntry(2, 0x0C));
  EXPECT_EQ(0x5Cu, KeyLayoutEntry(3, 0x0C));
  EXPECT_EQ(0x6Du, KeyLayoutEntry(0, 0x32));
  EXPECT_EQ(0x4Du, KeyLayoutEntry(1, 0x32));
  EXPECT_EQ(0xB5u, KeyLayoutEntry(2, 0x32));
  EXPECT_EQ(0xB5u, KeyLayoutEntry(3, 0x32));
  EXPECT_EQ(0x40u, KeyLayoutEntry(2, 0x10));
  EXPECT_EQ(0x40u, KeyLayoutEntry(3, 0x10));
  EXPECT_EQ(0x7Bu, KeyLayoutEntry(2, 0x08));
  EXPECT_EQ(0x2Fu, KeyLayoutEntry(3, 0x08)) << "Shift + Alt Gr on 7 is the slash, not the brace";
  EXPECT_EQ(0x3Cu, KeyLayoutEntry(2, 0x33));
  EXPECT_EQ(0x3Bu, KeyLayoutEntry(3, 0x33));
  EXPECT_EQ(0x7Cu, KeyLayoutEntry(2, 0x56));
  EXPECT_EQ(0x22u, KeyLayoutEntry(1, 0x03));
  EXPECT_EQ(0xB2u, KeyLayoutEntry(3, 0x03));
  EXPECT_EQ(0xB0u, KeyLayoutEntry(1, 0x29));
  EXPECT_EQ(0x27u, KeyLayoutEntry(3, 0x2B));
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
  EXPECT_STREQ("F1", KeyName(KeyF1));
  EXPECT_STREQ("F12", KeyName(KeyF12));
  EXPECT_STREQ("CAPS", KeyName(KeyCaps));
  EXPECT_STREQ("ALTGR", KeyName(KeyAltGr));
  EXPECT_STREQ("PAGEDOWN", KeyName(KeyPageDown));
  EXPECT_STREQ("RIGHT", KeyName(KeyRight));
  EXPECT_STREQ("MOUSE-MOVE", KeyName(0x10030));
  EXPECT_STREQ("RIGHT-MOUSE-BUTTON", KeyName(0x10033));
  EXPECT_STREQ("LEFT", KeyName(0x10040));
  EXPECT_STREQ("A4-", KeyName(0x10047));
  EXPECT_EQ(nullptr, KeyName(0x10000));
  EXPECT_EQ(nullptr, KeyName(0x1000D));
  EXPECT_EQ(nullptr, KeyName(0x1002A));
  EXPECT_EQ(nullptr, KeyName(0x10034));
  EXPECT_EQ(nullptr, KeyName(0x10048));
  EXPECT_EQ(nullptr, KeyName('a'));
  int named = 0;
  for (const char* n : KeyNames) named += n != nullptr;
  EXPECT_EQ(12 + 7 + 10 + 4 + 8, named);
}

}  // namespace
