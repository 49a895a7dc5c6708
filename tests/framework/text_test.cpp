#include "framework/text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

template <typename... Args>
std::string Format(const char* format, Args... args) {
  char buffer[256];
  FormatText(buffer, sizeof buffer, format, args...);
  return buffer;
}

TEST(FormatText, WidthsZerosAndOverflowFill) {
  EXPECT_EQ("0640 x 0480", Format("%04d x %04d", 640, 480));
  EXPECT_EQ("08", Format("%02d", 8));
  EXPECT_EQ("%%", Format("%02d", 100)) << "a number wider than its field becomes '%' fill";
  EXPECT_EQ("%%%%%", Format("%5d", 123456));
  EXPECT_EQ("-  42", Format("%5d", -42)) << "the sign stands before the fill";
  EXPECT_EQ("-0042", Format("%05d", -42));
  EXPECT_EQ("-2147483648", Format("%d", -2147483647 - 1));
}

TEST(FormatText, SignsHexBinary) {
  EXPECT_EQ("+7", Format("%+d", 7));
  EXPECT_EQ("-7", Format("%d", -7));
  EXPECT_EQ("+0", Format("%+d", 0));
  EXPECT_EQ("0000001F", Format("%08x", 0x1Fu));
  EXPECT_EQ("FFFFFFFF", Format("%x", -1));
  EXPECT_EQ("ABC", Format("%p", 0xABCu));
  EXPECT_EQ("101", Format("%b", 5u));
  EXPECT_EQ("0", Format("%b", 0u));
}

TEST(FormatText, DecimalPointAndFixedPoint) {
  EXPECT_EQ("123.45", Format("%.2d", 12345));
  EXPECT_EQ("0.05", Format("%.2d", 5));
  EXPECT_EQ("-0.05", Format("%.2d", -5));
  EXPECT_EQ("1.50000", Format("%f", 0x18000));
  EXPECT_EQ("1.50", Format("%.2f", 0x18000));
  EXPECT_EQ("0.00001", Format("%f", 1)) << "fraction digits by repeated multiplication by 10";
  EXPECT_EQ("  1.5", Format("%5.1f", 0x18000));
  // Any precision: at least p + 1 digits, and p fraction digits.
  EXPECT_EQ("0." + std::string(49, '0') + "5", Format("%.50d", 5));
  EXPECT_EQ("-0." + std::string(119, '0') + "7", Format("%.120d", -7));
  EXPECT_EQ("1.5" + std::string(119, '0'), Format("%.120f", 0x18000));
  EXPECT_EQ(std::string(255, '%'), Format("%.4000000000d", 1)) << "wider than the buffer: '%' fill";
}

TEST(FormatText, StringsCharsAndUnknownConversions) {
  EXPECT_EQ("ab   ", Format("%5s", "ab"));
  EXPECT_EQ("ab000", Format("%05s", "ab"));
  EXPECT_EQ("ab", Format("%2s", "abcde"));
  EXPECT_EQ("(NULL)", Format("%s", static_cast<const char*>(nullptr)));
  EXPECT_EQ("x", Format("%c", 'x'));
  EXPECT_EQ("q", Format("%q"));
  EXPECT_EQ("100%", Format("100%%"));
  EXPECT_EQ("", Format(""));
}

TEST(FormatText, BoundedByTheBuffer) {
  char buffer[8];
  std::memset(buffer, 'Z', sizeof buffer);
  char* end = FormatText(buffer, 8, "abcdefghij");
  EXPECT_STREQ("abcdefg", buffer);
  EXPECT_EQ(buffer + 7, end);

  // Numbers are cut to the room left: three characters of room cannot hold 12345.
  char small[4];
  FormatText(small, sizeof small, "%d", 12345);
  EXPECT_STREQ("%%%", small);

  // A null string needs more than 6 characters of room.
  char seven[7];
  FormatText(seven, sizeof seven, "%s", static_cast<const char*>(nullptr));
  EXPECT_STREQ("", seven);

  // Fields never run past the end.
  char tiny[5];
  FormatText(tiny, sizeof tiny, "%10s|", "abc");
  EXPECT_STREQ("abc ", tiny);
}

TEST(FormatText, SizeZeroOrLessWritesNothing) {
  char buffer[4] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(buffer, FormatText(buffer, 0, "hello"));
  EXPECT_EQ(buffer, FormatText(buffer, -5, "%d", 1));
  EXPECT_EQ(0, std::memcmp(buffer, "abcd", 4));
  EXPECT_EQ(buffer, FormatText(buffer, 1, "hello"));
  EXPECT_EQ(0, buffer[0]) << "size 1 holds only the NUL";
}

TEST(Strings, CopyCompareLength) {
  EXPECT_EQ(0, StrCompareNoCase("Vo/V01_Back.SCL", "vO/v01_bACK.scl"));
  EXPECT_EQ(-1, StrCompareNoCase("a", "b"));
  EXPECT_EQ(1, StrCompareNoCase("b", "A"));
  EXPECT_EQ(1, StrCompareNoCase("ab", "a"));
  EXPECT_EQ(-1, StrCompareNoCase("\x80", "a")) << "bytes compare as signed";
  EXPECT_EQ(1, StrCompareNoCase("[", "a")) << "'a' folds to 'A', which is below '['";
  EXPECT_EQ(-1, StrCompareNoCase("[", "{")) << "other bytes stay as they are";

  char dst[8];
  std::memset(dst, 'Z', sizeof dst);
  StrCopyN(dst, "abcdef", 3);
  EXPECT_EQ(0, std::memcmp(dst, "abc\0ZZZZ", 8)) << "n bytes, then a NUL at dst[n]";
  StrCopyN(dst, "xy", 5);
  EXPECT_STREQ("xy", dst);
  StrCopyN(dst, "qq", 0);
  EXPECT_EQ(0, dst[0]);
  dst[0] = 'K';
  StrCopyN(dst, "qq", -1);
  EXPECT_EQ('K', dst[0]) << "a negative count does nothing";
  EXPECT_EQ(6, StrLen("abcdef"));
  EXPECT_EQ(0, StrLen(""));
}

TEST(Memory, CopyAndFillAtEveryAlignment) {
  unsigned char src[64], dst[80];
  for (int i = 0; i < 64; ++i) src[i] = static_cast<unsigned char>(i * 7 + 1);
  for (int offset = 0; offset < 8; ++offset) {
    for (int n : {0, 1, 3, 7, 8, 9, 31, 50}) {
      std::memset(dst, 0xEE, sizeof dst);
      MemCopy(dst + offset, src + (offset ^ 3), n);
      EXPECT_EQ(0, std::memcmp(dst + offset, src + (offset ^ 3), static_cast<size_t>(n)));
      EXPECT_EQ(0xEE, dst[offset + n]) << "no byte past n";
      if (offset) {
        EXPECT_EQ(0xEE, dst[offset - 1]);
      }
    }
  }
  MemCopy(dst, src, -4);
  std::memset(dst, 0, sizeof dst);
  MemFill(dst + 1, 0x1AB, 11);
  for (int i = 1; i < 12; ++i) EXPECT_EQ(0xAB, dst[i]);
  EXPECT_EQ(0, dst[0]);
  EXPECT_EQ(0, dst[12]);
  MemFill(dst, 0xFF, 0);
  EXPECT_EQ(0, dst[0]);
}

}  // namespace
