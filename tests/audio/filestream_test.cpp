#include "audio/filestream.h"

#include <gtest/gtest.h>

#include "tests/audio/memstream.h"
#include "tests/support/temp_folder.h"

namespace {

using FileStreamTest = TempFolder;

// Random access to the end; peeking leaves the position in both read modes;
// the sequential mode cannot seek.
TEST_F(FileStreamTest, Reading) {
  sFileStream f;
  ASSERT_EQ(0, f.Open(Write("a.bin", Bytes(1000)).c_str(), FileReadSeek));
  EXPECT_CALLS({StreamOpen | StreamReadable | StreamSeekable, 1000}, {f.GetFlags(), f.Control(4)});
  uint8_t buf[300];
  for (int total = 0; total < 1000; total += f.Read(buf, 300)) EXPECT_EQ(0, f.Control(2)) << total;
  EXPECT_CALLS({1, 1}, {f.Control(2), f.Control(9)});  // the last read of 300 got 100
  f.Seek(998);
  EXPECT_CALLS({998 % 256, 0, 0}, {f.ReadByte(), f.Close(), f.GetFlags()});
  std::string path = Write("p.bin", Bytes(50, 10));
  for (int mode : {FileRead, FileReadSeek}) {
    ASSERT_EQ(0, f.Open(path.c_str(), mode));
    f.Read(nullptr, 5);
    uint8_t a[6], b[6];
    EXPECT_CALLS({6, 5, 6, 15}, {f.Peek(a, 6), f.Control(0), f.Read(b, 6), b[0]});
    EXPECT_EQ(0, std::memcmp(a, b, 6)) << "mode " << mode;
    f.Read(nullptr, 100);
    EXPECT_EQ(0, f.Peek(a, 1)) << "at the end";
  }
  ASSERT_EQ(0, f.Open(Write("s.bin", Bytes(20)).c_str(), FileRead));
  EXPECT_CALLS({StreamOpen | StreamReadable, 20, 3, 3, 3},
               {f.GetFlags(), f.GetLength(), f.Read(nullptr, 3), f.Seek(10), f.ReadByte()});
}

// Appending writes after the old end and needs the file unless creating;
// creating a new file fails on an existing one (which survives); truncating
// creation empties it.
TEST_F(FileStreamTest, AppendingAndCreating) {
  std::string path = Write("app.bin", {1, 2, 3});
  sFileStream f;
  ASSERT_EQ(0, f.Open(path.c_str(), FileAppend));
  // The length of an appending stream stays 0.
  EXPECT_CALLS({StreamOpen | StreamWritable, 0, 2, 0, 2, 0},
               {f.GetFlags(), f.GetLength(), f.Write("\x09\x08", 2), f.GetLength(), f.Control(1), f.Control(3)});
  f.Close();
  EXPECT_EQ((std::vector<uint8_t>{1, 2, 3, 9, 8}), Read(path));
  for (int mode : {int(FileAppend), int(FileReadSeek)})
    EXPECT_CALLS({-1, 0}, {f.Open(Path("missing").c_str(), mode), f.GetFlags()});
  ASSERT_EQ(0, f.Open(Path("made").c_str(), FileAppend | FileCreate));
  f.Write("ab", 2);
  f.Close();
  EXPECT_EQ(2u, Read(Path("made")).size());
  std::string keep = Write("keep.bin", {7, 7, 7});
  EXPECT_CALLS({-1, 0}, {f.Open(keep.c_str(), 13), f.GetFlags()});
  EXPECT_EQ((std::vector<uint8_t>{7, 7, 7}), Read(keep));
  EXPECT_CALLS({0, 1, 0}, {f.Open(Path("new.bin").c_str(), 13), f.WriteByte(4), f.Close()});
  EXPECT_EQ((std::vector<uint8_t>{4}), Read(Path("new.bin")));
  std::string t = Write("t.bin", Bytes(40));
  EXPECT_CALLS({0, 0}, {f.Open(t.c_str(), FileUpdate | FileCreateTrunc), f.GetLength()});
  f.Close();
  EXPECT_TRUE(Read(t).empty());
}

// Update mode writes in place, buffered or not; the update switch.
TEST_F(FileStreamTest, Updating) {
  std::string path = Write("u.bin", Bytes(10));
  sFileStream f;
  ASSERT_EQ(0, f.Open(path.c_str(), FileUpdate));
  // Update access is never at the end of output.
  EXPECT_CALLS({StreamOpen | StreamReadable | StreamWritable | StreamSeekable | StreamUpdate, 10, 8, 4, 12, 12, 0},
               {f.GetFlags(), f.GetLength(), f.Seek(8), f.Write("WXYZ", 4), f.GetLength(), f.Seek(12), f.Control(3)});
  f.Seek(0);
  EXPECT_CALLS({1, 0, 0}, {f.WriteBits(0x7, 3), f.Control(0), f.Close()});
  std::vector<uint8_t> want = Bytes(8);
  want[0] = 7;
  want.insert(want.end(), {'W', 'X', 'Y', 'Z'});
  EXPECT_EQ(want, Read(path));
  path = Write("b.bin", Bytes(200));
  ASSERT_EQ(0, f.Open(path.c_str(), FileUpdate));
  std::vector<uint8_t> block(40, 0xEE);
  EXPECT_CALLS({1, 0, 40, 100, 100, 1, 0}, {f.Control(15, 0, 16), f.ReadByte(), f.Write(block.data(), 40), f.Seek(100),
                                            f.ReadByte(), f.WriteByte(0x55), f.Close()});
  want = Bytes(200);
  std::fill(want.begin() + 1, want.begin() + 41, 0xEE);
  want[101] = 0x55;
  EXPECT_EQ(want, Read(path));
  path = Write("c.bin", Bytes(4));
  ASSERT_EQ(0, f.Open(path.c_str(), FileReadSeek));
  EXPECT_CALLS({0, 0}, {f.Control(36, 0, 1), f.Control(37)});
  ASSERT_EQ(0, f.Open(path.c_str(), FileUpdate));
  // Other codes reach the base class.
  EXPECT_CALLS({0, 1, 1, 0, 4}, {f.Control(36, 0, 1), f.Control(37), f.Control(36, 0, 0), f.Control(37), f.Control(4)});
}

TEST_F(FileStreamTest, ReopenClosesFirstAndDestructorReleases) {
  sFileStream f;
  ASSERT_EQ(0, f.Open(Write("r1.bin", Bytes(3, 50)).c_str(), FileReadSeek));
  f.ReadByte();
  ASSERT_EQ(0, f.Open(Write("r2.bin", Bytes(5, 60)).c_str(), FileReadSeek));
  EXPECT_CALLS({0, 5, 60}, {f.Control(0), f.GetLength(), f.ReadByte()});
  {
    sFileStream w;
    ASSERT_EQ(0, w.Open(Path("d.bin").c_str(), FileAppend | FileCreate));
    w.SetOutputBufferSize(32);
    w.Write("buffered", 8);
  }
  EXPECT_EQ(8u, Read(Path("d.bin")).size()) << "destroying an open file stream closes it";
}

}  // namespace
