#include <gtest/gtest.h>
#include <cstring>
#include <filesystem>
#include "framework/file.h"
#include "framework/pack.h"
#include "tests/support/fatal_capture.h"
#include "tests/support/temp_folder.h"
#include "tools/common/pack_writer.h"

namespace {

using PackBuild = TempFolder;

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

std::string Entry(const char* name) {
  int size = 0;
  void* data = LoadFile(name, &size);
  std::string s(static_cast<char*>(data), static_cast<size_t>(size));
  ::operator delete(data);
  return s;
}

TEST_F(PackBuild, TheReaderReadsWhatIsWritten) {
  PackWriter w;
  std::string error;
  std::string name63(63, 'z');
  std::string binary("\0\1\2\xFF", 4);
  ASSERT_TRUE(w.Add("vo/v01_back.scl", Bytes("back"), &error)) << error;
  ASSERT_TRUE(w.Add("Vo\\V01_Mask.scl", Bytes("mask"), &error)) << error;
  ASSERT_TRUE(w.Add("empty.raw", {}, &error)) << error;
  ASSERT_TRUE(w.Add(name63, Bytes(binary), &error)) << error;
  ASSERT_TRUE(w.AddFile("vo/v01_raw1.raw", Write("raw1", Bytes("from a file")), &error)) << error;
  ASSERT_TRUE(w.Write(Path("v01.dat"), &error)) << error;
  EXPECT_EQ(static_cast<int64_t>(std::filesystem::file_size(Path("v01.dat"))), w.PackBytes());
  EXPECT_FALSE(std::filesystem::exists(Path("v01.dat.part")));
  OpenPackFile(Path("v01.dat").c_str());
  ASSERT_EQ(5, PackEntryCount());
  EXPECT_STREQ("vo/v01_mask.scl", PackEntryAt(1)->name) << "the reader folds the stored name";
  EXPECT_EQ("back", Entry("vo/v01_back.scl"));
  EXPECT_EQ("mask", Entry("VO/V01_MASK.SCL"));
  EXPECT_EQ("", Entry("empty.raw"));
  EXPECT_EQ(binary, Entry(name63.c_str()));
  EXPECT_EQ("from a file", Entry("vo/v01_raw1.raw"));
}

TEST_F(PackBuild, RefusalsAndTwoGibibytesBeforeWriting) {
  PackWriter w;
  std::string error;
  EXPECT_FALSE(w.Add(std::string(64, 'n'), {}, &error));
  EXPECT_EQ("name \"" + std::string(64, 'n') + "\" must be 1 to 63 bytes long (it has 64)", error);
  EXPECT_FALSE(w.Add("", {}, &error));
  EXPECT_FALSE(w.Add(std::string("a\0b", 3), {}, &error));
  ASSERT_TRUE(w.Add("Data/One.raw", {}, &error));
  EXPECT_FALSE(w.Add("data\\one.RAW", {}, &error));
  EXPECT_EQ("names \"Data/One.raw\" and \"data\\one.RAW\" are the same name in a pack (\"data/one.raw\")", error);
  EXPECT_FALSE(w.AddFile("x", Path("missing"), &error));
  EXPECT_EQ(1, w.Count());
  PackWriter none;
  EXPECT_FALSE(none.Write(Path("none.dat"), &error));
  EXPECT_FALSE(std::filesystem::exists(Path("none.dat")));
  // Sparse files: their sizes count, nothing is read.
  auto sparse = [&](const std::string& name, uintmax_t size) {
    std::string p = Write(name, {});
    std::filesystem::resize_file(p, size);
    return p;
  };
  PackWriter big;
  const int64_t limit = int64_t{1} << 31;
  ASSERT_TRUE(big.AddFile("big.raw", sparse("big", static_cast<uintmax_t>(limit - 1000)), &error));
  ASSERT_TRUE(big.AddFile("tail.raw", sparse("tail", 1000 - 20 - (8 + 8) - (8 + 9) - 1), &error));
  EXPECT_EQ(limit - 1, big.PackBytes()) << "one byte below the limit";
  ASSERT_TRUE(big.Add("x", {}, &error));
  EXPECT_EQ(limit - 1 + 10, big.PackBytes());
  EXPECT_FALSE(big.Write(Path("huge.dat"), &error));
  EXPECT_EQ("pack of 2147483657 bytes: packs must stay below 2 GiB", error);
  EXPECT_FALSE(std::filesystem::exists(Path("huge.dat")));
}

}  // namespace
