// Outputs whole or absent: the temporary file beside the name, links followed,
// the mode of the file replaced kept.
#include "platform/output/output_file.h"

#include <sys/stat.h>

#include <filesystem>

#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

class OutputFileTest : public TempFolder {
protected:
  std::string Text(const std::string& name) {
    std::vector<uint8_t> bytes = Read(Path(name));
    return std::string(bytes.begin(), bytes.end());
  }
  size_t Entries() { return static_cast<size_t>(std::distance(fs::directory_iterator(dir_), {})); }
};

TEST_F(OutputFileTest, TakesTheNameOnlyWhenCommitted) {
  Write("f.txt", {'o', 'l', 'd'});
  ::chmod(Path("f.txt").c_str(), 0640);
  std::string error;
  {
    platform::OutputFile out;
    ASSERT_TRUE(out.Open(Path("f.txt"), &error)) << error;
    std::fputs("new", out.Stream());
    EXPECT_EQ("old", Text("f.txt"));
    EXPECT_EQ(2u, Entries());  // the temporary file beside it
  }  // abandoned
  EXPECT_EQ("old", Text("f.txt"));
  EXPECT_EQ(1u, Entries());
  platform::OutputFile out;
  ASSERT_TRUE(out.Open(Path("f.txt"), &error)) << error;
  std::fputs("new", out.Stream());
  ASSERT_TRUE(out.Commit(&error)) << error;
  EXPECT_EQ("new", Text("f.txt"));
  EXPECT_EQ(1u, Entries());
  struct stat st;
  ASSERT_EQ(0, ::stat(Path("f.txt").c_str(), &st));
  EXPECT_EQ(0640u, st.st_mode & 0777u);
}

TEST_F(OutputFileTest, LinksAreFollowedAndLoopsRefused) {
  fs::create_directory(Path("real"));
  Write("real/f.txt", {'o'});
  fs::create_symlink("real/f.txt", Path("one"));
  fs::create_symlink("one", Path("two"));
  std::string error;
  platform::OutputFile out;
  ASSERT_TRUE(out.Open(Path("two"), &error)) << error;
  std::fputs("through", out.Stream());
  ASSERT_TRUE(out.Commit(&error)) << error;
  EXPECT_TRUE(fs::is_symlink(Path("two")));
  EXPECT_EQ("through", Text("real/f.txt"));

  fs::create_symlink("loop", Path("loop"));
  EXPECT_FALSE(out.Open(Path("loop"), &error));
  EXPECT_EQ("cannot write " + Path("loop") + ": Too many levels of symbolic links", error);
  EXPECT_FALSE(out.Open(dir_, &error));
  EXPECT_EQ("cannot write " + dir_ + ": Is a directory", error);
}

TEST_F(OutputFileTest, DeviceIsWrittenThroughAndItsErrorReported) {
  std::string error;
  platform::OutputFile out;
  ASSERT_TRUE(out.Open("/dev/full", &error)) << error;
  std::fputs("x", out.Stream());
  EXPECT_FALSE(out.Commit(&error));
  EXPECT_EQ("cannot write /dev/full: No space left on device", error);
  struct stat st;
  ASSERT_EQ(0, ::stat("/dev/full", &st));
  EXPECT_TRUE(S_ISCHR(st.st_mode));
}

}  // namespace
