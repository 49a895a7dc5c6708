// The program's export, run as a user runs it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/record.h"
#include "tests/support/paths.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class Export : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = testpaths::TempDir("export"); }
  void TearDown() override { fs::remove_all(dir_); }
  // Runs the built program; its exit status.
  int Record(const std::string& sub, const std::string& args, const std::string& out = "") {
    std::string said = dir_ + "/" + (out.empty() ? sub : out) + ".out";
    std::string cmd = "'" + testpaths::Build() + "/app/tessaline' --record '" + dir_ + "/" + sub + "' " + args +
                      " >'" + said + "' 2>&1";
    int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string dir_;
};

TEST_F(Export, WritesTheFramesAndTheSoundAndSaysWhere) {
  ASSERT_EQ(Record("a", "--seconds 2 --fps 30"), 0) << ReadAll(dir_ + "/a.out");
  for (int i = 0; i < 60; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "frame%05d.png", i);
    EXPECT_TRUE(fs::exists(fs::path(dir_) / "a" / name)) << name;
  }
  EXPECT_FALSE(fs::exists(fs::path(dir_) / "a" / "frame00060.png"));
  EXPECT_EQ(fs::file_size(fs::path(dir_) / "a" / "sound.wav"), 44u + 2u * 44100u * 4u);
  std::string said = ReadAll(dir_ + "/a.out");
  EXPECT_NE(said.find("exported 60 frames at 30 per second and the sound to " + dir_ + "/a"), std::string::npos) << said;
  EXPECT_NE(said.find("ffmpeg -framerate 30 -i '" + dir_ + "/a/frame%05d.png'"), std::string::npos) << said;
}

TEST_F(Export, TwoExportsAreByteIdentical) {
  ASSERT_EQ(Record("a", "--seconds 1.5 --fps 20"), 0) << ReadAll(dir_ + "/a.out");
  ASSERT_EQ(Record("b", "--seconds 1.5 --fps 20"), 0) << ReadAll(dir_ + "/b.out");
  int files = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(dir_) / "a")) {
    fs::path other = fs::path(dir_) / "b" / entry.path().filename();
    ASSERT_TRUE(fs::exists(other)) << other;
    EXPECT_TRUE(ReadAll(entry.path()) == ReadAll(other)) << entry.path().filename() << " differs";
    ++files;
  }
  EXPECT_EQ(files, 31);  // 30 frames and the sound
}

TEST_F(Export, UnwritableFolderIsRefused) {
  std::ofstream(dir_ + "/file") << "x";
  EXPECT_EQ(Record("file/sub", "--seconds 1", "refused"), 2);
  EXPECT_NE(ReadAll(dir_ + "/refused.out").find("cannot make the folder"), std::string::npos);
}

}  // namespace
