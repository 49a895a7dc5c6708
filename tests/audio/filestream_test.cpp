#include "audio/filestream.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "tests/audio/memstream.h"
#include "tests/support/paths.h"

namespace {

class FileStreamTest : public ::testing::Test {
 protected:
  std::string dir = testpaths::TempDir("filestream");
  std::string File(const char* name, const std::vector<uint8_t>& bytes) {
    std::string path = dir + "/" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
  }
  std::vector<uint8_t> Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }
};

// Random access to the end; peeking leaves the position in both read modes;
// the sequential mode cannot seek.
TEST_F(FileStreamTest, Reading) {
  sFileStream f;
  ASSERT_EQ(0, f.Open(File("a.bin", Bytes(1000)).c_str(), FileReadSeek));
  EXPECT_EQ(StreamOpen | StreamReadable | StreamSeekable, f.GetFlags());
  EXPECT_EQ(1000, f.Control(4));
  uint8_t buf[300];
  for (int total = 0; total < 1000; total += f.Read(buf, 300)) EXPECT_EQ(0, f.Control(2)) << total;
  EXPECT_EQ(1, f.Control(2));
  EXPECT_EQ(1, f.Control(9)) << "the last read of 300 got 100";
  f.Seek(998);
  EXPECT_EQ(998 % 256, f.ReadByte());
  EXPECT_EQ(0, f.Close());
  EXPECT_EQ(0, f.GetFlags());
  std::string path = File("p.bin", Bytes(50, 10));
  for (int mode : {FileRead, FileReadSeek}) {
    ASSERT_EQ(0, f.Open(path.c_str(), mode));
    f.Read(nullptr, 5);
    uint8_t a[6], b[6];
    EXPECT_EQ(6, f.Peek(a, 6));
    EXPECT_EQ(5, f.Control(0));
    EXPECT_EQ(6, f.Read(b, 6));
    EXPECT_EQ(0, std::memcmp(a, b, 6)) << "mode " << mode;
    EXPECT_EQ(15, b[0]);
    f.Read(nullptr, 100);
    EXPECT_EQ(0, f.Peek(a, 1)) << "at the end";
  }
  ASSERT_EQ(0, f.Open(File("s.bin", Bytes(20)).c_str(), FileRead));
  EXPECT_EQ(StreamOpen | StreamReadable, f.GetFlags());
  EXPECT_EQ(20, f.GetLength());
  f.Read(nullptr, 3);
  EXPECT_EQ(3, f.Seek(10));
  EXPECT_EQ(3, f.ReadByte());
}

// Appending writes after the old end and needs the file unless creating;
// creating a new file fails on an existing one (which survives); truncating
// creation empties it.
TEST_F(FileStreamTest, AppendingAndCreating) {
  std::string path = File("app.bin", {1, 2, 3});
  sFileStream f;
  ASSERT_EQ(0, f.Open(path.c_str(), FileAppend));
  EXPECT_EQ(StreamOpen | StreamWritable, f.GetFlags());
  EXPECT_EQ(0, f.GetLength());
  EXPECT_EQ(2, f.Write("\x09\x08", 2));
  EXPECT_EQ(0, f.GetLength()) << "the length of an appending stream stays 0";
  EXPECT_EQ(2, f.Control(1));
  EXPECT_EQ(0, f.Control(3));
  f.Close();
  EXPECT_EQ((std::vector<uint8_t>{1, 2, 3, 9, 8}), Contents(path));
  for (int mode : {int(FileAppend), int(FileReadSeek)}) {
    EXPECT_EQ(-1, f.Open((dir + "/missing").c_str(), mode));
    EXPECT_EQ(0, f.GetFlags());
  }
  ASSERT_EQ(0, f.Open((dir + "/made").c_str(), FileAppend | FileCreate));
  f.Write("ab", 2);
  f.Close();
  EXPECT_EQ(2u, Contents(dir + "/made").size());
  std::string keep = File("keep.bin", {7, 7, 7});
  EXPECT_EQ(-1, f.Open(keep.c_str(), 13));
  EXPECT_EQ(0, f.GetFlags());
  EXPECT_EQ((std::vector<uint8_t>{7, 7, 7}), Contents(keep));
  ASSERT_EQ(0, f.Open((dir + "/new.bin").c_str(), 13));
  EXPECT_EQ(1, f.WriteByte(4));
  EXPECT_EQ(0, f.Close());
  EXPECT_EQ((std::vector<uint8_t>{4}), Contents(dir + "/new.bin"));
  std::string t = File("t.bin", Bytes(40));
  ASSERT_EQ(0, f.Open(t.c_str(), FileUpdate | FileCreateTrunc));
  EXPECT_EQ(0, f.GetLength());
  f.Close();
  EXPECT_TRUE(Contents(t).empty());
}

// Update mode writes in place, buffered or not; the update switch.
TEST_F(FileStreamTest, Updating) {
  std::string path = File("u.bin", Bytes(10));
  sFileStream f;
  ASSERT_EQ(0, f.Open(path.c_str(), FileUpdate));
  EXPECT_EQ(StreamOpen | StreamReadable | StreamWritable | StreamSeekable | StreamUpdate, f.GetFlags());
  EXPECT_EQ(10, f.GetLength());
  f.Seek(8);
  EXPECT_EQ(4, f.Write("WXYZ", 4));
  EXPECT_EQ(12, f.GetLength());
  f.Seek(12);
  EXPECT_EQ(0, f.Control(3)) << "update access is never at the end of output";
  f.Seek(0);
  EXPECT_EQ(1, f.WriteBits(0x7, 3));
  EXPECT_EQ(0, f.Control(0));
  EXPECT_EQ(0, f.Close());
  std::vector<uint8_t> want = Bytes(8);
  want[0] = 7;
  for (char c : std::string("WXYZ")) want.push_back(uint8_t(c));
  EXPECT_EQ(want, Contents(path));

  path = File("b.bin", Bytes(200));
  ASSERT_EQ(0, f.Open(path.c_str(), FileUpdate));
  ASSERT_EQ(1, f.Control(15, 0, 16));
  EXPECT_EQ(0, f.ReadByte());
  std::vector<uint8_t> block(40, 0xEE);
  EXPECT_EQ(40, f.Write(block.data(), 40));
  f.Seek(100);
  EXPECT_EQ(100, f.ReadByte());
  EXPECT_EQ(1, f.WriteByte(0x55));
  EXPECT_EQ(0, f.Close());
  want = Bytes(200);
  std::fill(want.begin() + 1, want.begin() + 41, 0xEE);
  want[101] = 0x55;
  EXPECT_EQ(want, Contents(path));

  path = File("c.bin", Bytes(4));
  ASSERT_EQ(0, f.Open(path.c_str(), FileReadSeek));
  EXPECT_EQ(0, f.Control(36, 0, 1));
  EXPECT_EQ(0, f.Control(37));
  ASSERT_EQ(0, f.Open(path.c_str(), FileUpdate));
  EXPECT_EQ(0, f.Control(36, 0, 1));
  EXPECT_EQ(1, f.Control(37));
  EXPECT_EQ(1, f.Control(36, 0, 0));
  EXPECT_EQ(0, f.Control(37));
  EXPECT_EQ(4, f.Control(4)) << "other codes reach the base class";
}

TEST_F(FileStreamTest, ReopenClosesFirstAndDestructorReleases) {
  sFileStream f;
  ASSERT_EQ(0, f.Open(File("r1.bin", Bytes(3, 50)).c_str(), FileReadSeek));
  f.ReadByte();
  ASSERT_EQ(0, f.Open(File("r2.bin", Bytes(5, 60)).c_str(), FileReadSeek));
  EXPECT_EQ(0, f.Control(0));
  EXPECT_EQ(5, f.GetLength());
  EXPECT_EQ(60, f.ReadByte());
  {
    sFileStream w;
    ASSERT_EQ(0, w.Open((dir + "/d.bin").c_str(), FileAppend | FileCreate));
    w.SetOutputBufferSize(32);
    w.Write("buffered", 8);
  }
  EXPECT_EQ(8u, Contents(dir + "/d.bin").size()) << "destroying an open file stream closes it";
}

}  // namespace
