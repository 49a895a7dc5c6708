#include "framework/text.h"
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>
namespace {
using Strs = std::vector<std::string>;
template <typename... Args>
std::string Format(const char* format, Args... args) {
  char buffer[256];
  FormatText(buffer, sizeof buffer, format, args...);
  return buffer;
}
TEST(FormatText, Conversions) {
  // A number wider than its field becomes '%' fill; the sign stands before the fill.
  EXPECT_EQ((Strs{"0640 x 0480", "08", "%%", "%%%%%", "-  42", "-0042", "-2147483648"}),
            (Strs{Format("%04d x %04d", 640, 480), Format("%02d", 8), Format("%02d", 100), Format("%5d", 123456),
                  Format("%5d", -42), Format("%05d", -42), Format("%d", -2147483647 - 1)}));
  EXPECT_EQ((Strs{"+7", "-7", "+0", "0000001F", "FFFFFFFF", "ABC", "101", "0"}),
            (Strs{Format("%+d", 7), Format("%d", -7), Format("%+d", 0), Format("%08x", 0x1Fu), Format("%x", -1),
                  Format("%p", 0xABCu), Format("%b", 5u), Format("%b", 0u)}));
  // Fraction digits by repeated multiplication by 10.
  EXPECT_EQ((Strs{"123.45", "0.05", "-0.05", "1.50000", "1.50", "0.00001", "  1.5"}),
            (Strs{Format("%.2d", 12345), Format("%.2d", 5), Format("%.2d", -5), Format("%f", 0x18000),
                  Format("%.2f", 0x18000), Format("%f", 1), Format("%5.1f", 0x18000)}));
  // Any precision: at least p + 1 digits, and p fraction digits; wider than the buffer: '%' fill.
  EXPECT_EQ((Strs{"0." + std::string(49, '0') + "5", "-0." + std::string(119, '0') + "7", "1.5" + std::string(119, '0'),
                  std::string(255, '%')}),
            (Strs{Format("%.50d", 5), Format("%.120d", -7), Format("%.120f", 0x18000), Format("%.4000000000d", 1)}));
  EXPECT_EQ((Strs{"ab   ", "ab000", "ab", "(NULL)", "x", "q", "100%", ""}),
            (Strs{Format("%5s", "ab"), Format("%05s", "ab"), Format("%2s", "abcde"),
                  Format("%s", static_cast<const char*>(nullptr)), Format("%c", 'x'), Format("%q"), Format("100%%"),
                  Format("")}));
}
TEST(FormatText, BoundedByTheBuffer) {
  char buffer[8];
  std::memset(buffer, 'Z', sizeof buffer);
  EXPECT_EQ(buffer + 7, FormatText(buffer, 8, "abcdefghij"));
  EXPECT_STREQ("abcdefg", buffer);
  char small[4], seven[7], tiny[5];
  FormatText(small, sizeof small, "%d", 12345);  // three characters of room cannot hold 12345
  EXPECT_STREQ("%%%", small);
  FormatText(seven, sizeof seven, "%s", static_cast<const char*>(nullptr));  // "(NULL)" needs 7
  EXPECT_STREQ("", seven);
  FormatText(tiny, sizeof tiny, "%10s|", "abc");  // fields never run past the end
  EXPECT_STREQ("abc ", tiny);
  char four[4] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(four, FormatText(four, 0, "hello"));
  EXPECT_EQ(four, FormatText(four, -5, "%d", 1));
  EXPECT_EQ(0, std::memcmp(four, "abcd", 4)) << "size 0 or less writes nothing";
  EXPECT_EQ(four, FormatText(four, 1, "hello"));
  EXPECT_EQ(0, four[0]) << "size 1 holds only the NUL";
}
TEST(Strings, CopyCompareLength) {
  // Bytes compare as signed; 'a' folds to 'A', below '['; other bytes stay as they are.
  EXPECT_EQ((std::vector<int>{0, -1, 1, 1, -1, 1, -1}),
            (std::vector<int>{StrCompareNoCase("Vo/V01_Back.SCL", "vO/v01_bACK.scl"), StrCompareNoCase("a", "b"),
                              StrCompareNoCase("b", "A"), StrCompareNoCase("ab", "a"), StrCompareNoCase("\x80", "a"),
                              StrCompareNoCase("[", "a"), StrCompareNoCase("[", "{")}));
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
