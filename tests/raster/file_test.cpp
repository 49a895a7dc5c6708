#include "framework/file.h"
#include <cstring>
#include "framework/system/fatal.h"
#include "platform/debug.h"
#include "tests/raster/bytes.h"
namespace {
using DiskFile = TempFolder;
TEST_F(DiskFile, ReadSeekSizeAndShortReads) {
  std::string p = Write("a.bin", Bytes().str("0123456789"));
  sFile f;
  f.Open(p.c_str(), sFile::ModeRead);
  EXPECT_EQ((std::vector<int>{0, 10, 1}), (std::vector<int>{f.SizeKnown, f.GetSize(), f.SizeKnown}));
  char buf[8];
  f.Read(buf, 4);
  EXPECT_EQ(0, std::memcmp(buf, "0123", 4));
  EXPECT_EQ(4, f.Position);
  EXPECT_EQ(7, f.Seek(7));
  std::memset(buf, 'x', sizeof buf);
  f.Read(buf, 8);  // only three bytes are left
  EXPECT_EQ(0, std::memcmp(buf, "789\0\0\0\0\0", 8)) << "the unread part is zero-filled";
  EXPECT_EQ(15, f.Position) << "the position counts the requested bytes";
  f.Seek(9);
  std::memset(buf, 'x', sizeof buf);
  f.Read(buf, 2);  // one byte short
  EXPECT_EQ(0, std::memcmp(buf, "9\0x", 3));
  f.Read(buf, 2);
  EXPECT_EQ(0, buf[0]);
  f.Close();
  EXPECT_TRUE(f.Handle == platform::NoFile && f.Position == 0 && !f.SizeKnown);
  sFile w;  // a write open truncates
  w.Open(p.c_str(), sFile::ModeWrite);
  w.Close();
  f.Open(p.c_str(), sFile::ModeRead);
  EXPECT_EQ(0, f.GetSize());
}
TEST_F(DiskFile, ReadStringLimits) {
  std::string long64(64, 'q');
  std::string p = Write("s.bin", Bytes().cstr("abc").cstr(long64).cstr("next").cstr("skipped").cstr("tail").str("end"));
  sFile f;
  f.Open(p.c_str(), sFile::ModeRead);
  char buf[64];
  for (const auto& [want, position] : {std::pair{std::string("abc"), 4}, {std::string(63, 'q'), 4 + 65}, {"next", 4 + 65 + 5}}) {
    f.ReadString(buf, 64);
    EXPECT_EQ(want, buf);
    EXPECT_EQ(position, f.Position) << "the whole string is consumed";
  }
  std::memcpy(buf, "xy", 2);
  f.ReadString(buf, 1);  // stores only the NUL and skips the string
  EXPECT_EQ(0, std::memcmp(buf, "\0y", 2));
  // Cut to the room; the end of the file ends the string instead of reading for ever.
  for (const char* want : {"ta", "end", ""}) {
    f.ReadString(buf, *want == 't' ? 3 : 64);
    EXPECT_STREQ(want, buf);
  }
}
TEST_F(DiskFile, Failures) {
  platform::DebugCapture capture;
  platform::SetDebugSink(&capture);
  sFile f;
  std::string missing = Path("missing.scl");
  EXPECT_FATAL(f.Open(missing.c_str(), sFile::ModeRead), "sFile::Open() could not open file");
  EXPECT_EQ("sFile::Open() filename " + missing + "Fatal:sFile::Open() could not open file\n", capture.Text())
      << "the name first, then the fatal text";
  EXPECT_FATAL(f.Open(dir_.c_str(), sFile::ModeRead), "sFile::Open() could not open file");
  for (int mode : {3, 0}) EXPECT_FATAL(f.Open(missing.c_str(), mode), "sFile::Open() Illegal file locking");
  platform::SetDebugSink(nullptr);
  sFile closed;
  char buf[4];
  EXPECT_FATAL(closed.Read(buf, 4), "Assertion in line 168, file file");
  EXPECT_FATAL(closed.Seek(0), "Assertion in line 186, file file");
  EXPECT_FATAL(closed.GetSize(), "Assertion in line 198, file file");
  EXPECT_FATAL(closed.ReadString(buf, 4), "Assertion in line 168, file file");
  // A write handle exists but cannot be read: the OS refuses the read.
  std::string out = Path("out.bin");
  sFile w;
  w.Open(out.c_str(), sFile::ModeWrite);
  EXPECT_TRUE(platform::FileExists(out.c_str()) && w.GetSize() == 0);
  EXPECT_FATAL(w.Read(buf, 4), "sFile::Read() read error");
  EXPECT_FATAL(w.Seek(-5), "sFile::Seek() failed");
}
TEST_F(DiskFile, LoadFileWholeFile) {
  std::string p = Write("whole.raw", Bytes().str("raw data").u8(0).u8(0xFF));
  int size = -1;
  void* data = LoadFile(p.c_str(), &size);
  ASSERT_EQ(10, size);
  EXPECT_EQ(0, std::memcmp(data, "raw data\0\xFF", 10));
  ::operator delete(data);
  data = LoadFile(p.c_str(), nullptr);
  EXPECT_EQ('r', static_cast<char*>(data)[0]);
  ::operator delete(data);
  // Sizes past 31 bits (sparse files: nothing is read before the check).
  for (uintmax_t big : {uintmax_t{1} << 31, (uintmax_t{1} << 32) + 5}) {
    std::string p2 = Write("big.raw", Bytes());
    std::filesystem::resize_file(p2, big);
    sFile f;
    f.Open(p2.c_str(), sFile::ModeRead);
    EXPECT_EQ(static_cast<int32_t>(static_cast<uint32_t>(big)), f.GetSize()) << "GetSize keeps the low 32 bits";
    EXPECT_FATAL(LoadFile(p2.c_str(), &size), "LoadFile() file too large");
  }
  data = LoadFile(Write("empty.raw", Bytes()).c_str(), &size);
  EXPECT_TRUE(size == 0 && data != nullptr);
  ::operator delete(data);
}
}  // namespace
