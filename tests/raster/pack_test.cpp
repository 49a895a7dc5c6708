#include "framework/pack.h"
#include <cstring>
#include <utility>
#include "framework/file.h"
#include "framework/system/fatal.h"
#include "platform/debug.h"
#include "tests/raster/bytes.h"
namespace {
// A pack with the data of every entry after the directory, in order.
Bytes MakePack(const std::vector<std::pair<std::string, std::string>>& entries) {
  uint32_t dirBytes = 16 + 4;
  for (auto& e : entries) dirBytes += 8 + static_cast<uint32_t>(e.first.size()) + 1;
  Bytes pack;
  pack.str("PACK").u32(0).u32(0).u32(static_cast<uint32_t>(entries.size()));
  uint32_t offset = dirBytes;
  for (auto& e : entries) {
    pack.u32(static_cast<uint32_t>(e.second.size())).u32(offset).cstr(e.first);
    offset += static_cast<uint32_t>(e.second.size());
  }
  pack.str("pack");
  for (auto& e : entries) pack.str(e.second);
  return pack;
}
std::string ReadAll(sFile& f, int n) {
  std::string s(static_cast<size_t>(n), '\0');
  f.Read(&s[0], n);
  return s;
}
class Pack : public TempFolder {};
TEST_F(Pack, NamesFoldAndMatchIgnoringCase) {
  std::string name70(70, 'Z');
  OpenPackFile(Write("v01.dat", MakePack({{"VO\\V01_MASK.SCL", "mask"}, {name70, "seventy"}, {"vo/dup.raw", "first"},
                                         {"VO/DUP.RAW", "second"}, {"\xC4" "Ber.raw", "high"}})).c_str());
  ASSERT_TRUE(PackIsOpen());
  sFile f;
  for (const char* n : {"vo/v01_mask.scl", "VO/V01_Mask.Scl", "vO/v01_MASK.scl"}) {
    f.Open(n, sFile::ModeRead);
    EXPECT_EQ(4, f.GetSize()) << n;
    EXPECT_EQ("mask", ReadAll(f, 4)) << n;
  }
  f.Open(std::string(63, 'z').c_str(), sFile::ModeRead);
  EXPECT_EQ("seventy", ReadAll(f, 7));
  f.Open("vo/dup.raw", sFile::ModeRead);
  EXPECT_EQ("first", ReadAll(f, 5)) << "the first of two equal names";
  EXPECT_EQ((std::vector<const sPackEntry*>{nullptr, nullptr}), (std::vector<const sPackEntry*>{PackEntryAt(-1), PackEntryAt(5)}));
  EXPECT_EQ((std::vector<std::string>{"vo/v01_mask.scl", std::string(63, 'z')}),
            (std::vector<std::string>{PackEntryAt(0)->name, PackEntryAt(1)->name})) << "stored folded and cut";
  f.Open("\xC4" "ber.raw", sFile::ModeRead);
  EXPECT_EQ("high", ReadAll(f, 4)) << "bytes from 0x80 are kept as they are";
  platform::DebugCapture capture;
  platform::SetDebugSink(&capture);
  EXPECT_FATAL(f.Open("vo\\v01_mask.scl", sFile::ModeRead), "sFile::Open() could not open file");
  EXPECT_EQ("sFile::Open() filename vo\\v01_mask.sclFatal:sFile::Open() could not open file\n", capture.Text());
  EXPECT_FATAL(f.Open(name70.c_str(), sFile::ModeRead), "sFile::Open() could not open file");
  EXPECT_FATAL(f.Open("\xE4" "ber.raw", sFile::ModeRead), "sFile::Open() could not open file");
  platform::SetDebugSink(nullptr);
  EXPECT_FATAL(f.Open("vo/dup.raw", sFile::ModeWrite), "sFile::Open() packfile can only be read");
  EXPECT_FATAL(f.Open("vo/dup.raw", 7), "sFile::Open() packfile can only be read");
  // The disk is not consulted once a pack is open.
  EXPECT_FATAL(f.Open(Write("loose.txt", Bytes().str("on disk")).c_str(), sFile::ModeRead), "sFile::Open() could not open file");
}
TEST_F(Pack, EntriesShareOneFilePointer) {
  OpenPackFile(Write("v01.dat", MakePack({{"a.raw", "AAAAAAAA"}, {"b.raw", "BBBB"}, {"c.raw", "CC"}})).c_str());
  sFile a, b;
  a.Open("a.raw", sFile::ModeRead);
  EXPECT_EQ("AAAA", ReadAll(a, 4));
  b.Open("b.raw", sFile::ModeRead);
  EXPECT_EQ("BB", ReadAll(a, 2)) << "A reads where B's open left the shared pointer";
  EXPECT_EQ(6, a.Position);
  a.Seek(6);
  EXPECT_EQ("AA", ReadAll(a, 2));
  b.Seek(2);
  EXPECT_EQ("BBCC", ReadAll(b, 4)) << "reading past an entry runs on into what follows it";
  EXPECT_EQ((std::vector<int>{6, 4}), (std::vector<int>{b.Position, b.GetSize()}));
  // Closing entries never closes the pack's handle.
  a.Close();
  b.Close();
  EXPECT_EQ(platform::NoFile, a.Handle);
  sFile c;
  c.Open("c.raw", sFile::ModeRead);
  EXPECT_EQ("CC", ReadAll(c, 2));
  // LoadFile takes the entry, not the rest of the pack.
  int size = 0;
  void* data = LoadFile("B.RAW", &size);
  ASSERT_EQ(4, size);
  EXPECT_EQ(0, std::memcmp(data, "BBBB", 4));
  ::operator delete(data);
}
TEST_F(Pack, CountZeroStaysOnDisk) {
  OpenPackFile(Write("v01.dat", Bytes().str("PACK").u32(1).u32(2).u32(0).str("junk, no directory")).c_str());
  EXPECT_FALSE(PackIsOpen());
  int size = 0;
  ::operator delete(LoadFile(Write("disk.raw", Bytes().str("disk")).c_str(), &size));
  EXPECT_EQ(4, size);
}
TEST_F(Pack, BadHeadersAndDirectories) {
  auto head = [](uint32_t count) { return Bytes().str("PACK").u32(0).u32(0).u32(count); };
  const std::string illegal = "Illegal Packfile", fast = "Illegal Fastfile";
  const std::pair<Bytes, std::string> cases[] = {
      {Bytes().str("PACX").u32(0).u32(0).u32(1), illegal},
      {Bytes().str("PA"), illegal},
      // Counts the file cannot hold: refused before any allocation.
      {head(0xFFFFFFFFu).u32(1).u32(40).cstr("a").str("pack"), illegal},
      {head(0x80000000u).u32(1).u32(40).cstr("a").str("pack"), illegal},
      {head(0x7FFFFFFFu).u32(1).u32(40).cstr("a").str("pack"), illegal},
      {head(3).u32(1).u32(40).cstr("a").str("pack"), illegal},
      {head(2).u32(1).u32(40).cstr("a").str("pack").fill(7, 0), illegal},  // two entries need 16 + 2 * 9 + 4 bytes
      {head(1).u32(1).u32(30).cstr("a").str("PAC!x"), fast},
      {head(1).u32(1).u32(30).cstr("a").str("pacKx"), fast},
      // A directory cut off inside a name: the end of the file ends the name, and
      // the missing closing magic is reported instead of reading for ever.
      {head(2).u32(1).u32(30).str("abcdefghijklmnopqrstuvwxyz"), fast},
  };
  for (const auto& [bytes, message] : cases) {
    SCOPED_TRACE(::testing::Message() << bytes.size() << " bytes");
    EXPECT_FATAL(OpenPackFile(Write("bad.dat", bytes).c_str()), message);
    EXPECT_FALSE(PackIsOpen());
    ResetKeepingFatalThrow();
  }
  EXPECT_FATAL(OpenPackFile(Path("none.dat").c_str()), "sFile::Open() could not open file");
}
TEST_F(Pack, EntriesBeyondTheEnd) {
  Bytes pack;
  pack.str("PACK").u32(0).u32(0).u32(7);
  pack.u32(4).u32(200).cstr("late.raw");        // starts beyond the end
  pack.u32(1000).u32(100).cstr("long.raw");      // runs beyond the end
  pack.u32(0x80000000u).u32(100).cstr("neg.raw");  // negative size
  pack.u32(2).u32(0xFFFFFFF0u).cstr("negoff.raw");
  pack.u32(500).u32(0).cstr("zero.raw");  // from the pack's first byte
  pack.u32(61).u32(100).cstr("edge.raw");  // one byte beyond the end
  pack.u32(60).u32(100).cstr("fits.raw");  // to the last byte
  pack.str("pack");
  pack.fill(160 - static_cast<int>(pack.size()), 'd');
  OpenPackFile(Write("v01.dat", pack).c_str());
  int size = -1;
  for (const char* name : {"late.raw", "long.raw", "neg.raw", "zero.raw", "edge.raw"})
    EXPECT_FATAL(LoadFile(name, &size), "LoadFile() entry extends beyond the pack file");
  EXPECT_EQ(-1, size) << "nothing is reported through the size on failure";
  EXPECT_FATAL(LoadFile("negoff.raw", &size), "sFile::Seek() failed");
  ::operator delete(LoadFile("fits.raw", &size));
  EXPECT_EQ(60, size);
  // Plain reads of such an entry give zeros past the end of the pack.
  sFile f;
  f.Open("long.raw", sFile::ModeRead);
  f.Seek(55);
  char buf[8];
  f.Read(buf, 8);
  EXPECT_EQ(0, std::memcmp(buf, "ddddd\0\0\0", 8));
}
}  // namespace
