// Outputs whole or absent: the temporary file beside the name, the mode of
// the file replaced kept, names that cannot be written refused. (Devices,
// FIFOs and links: tests/tools/hostile_test.cpp, tests/record/export_test.cpp.)
#include "platform/output/output_file.h"
#include <sys/stat.h>
#include <filesystem>
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

class OutputFileTest : public TempFolder {
protected:
  std::string Text(const std::string& name) { return testpaths::ReadText(Path(name)); }
  size_t Entries() { return static_cast<size_t>(std::distance(fs::directory_iterator(dir_), {})); }
};

TEST_F(OutputFileTest, TakesTheNameOnlyWhenCommitted) {
  Write("f.txt", {'o', 'l', 'd'});
  ::chmod(Path("f.txt").c_str(), 0640);
  std::string error;
  for (bool commit : {false, true}) {
    platform::OutputFile out;
    ASSERT_TRUE(out.Open(Path("f.txt"), &error)) << error;
    std::fputs("new", out.Stream());
    EXPECT_EQ("old", Text("f.txt"));
    EXPECT_EQ(2u, Entries());  // the temporary file beside it
    if (commit) {
      ASSERT_TRUE(out.Commit(&error)) << error;
    }
  }
  EXPECT_EQ("new", Text("f.txt"));
  EXPECT_EQ(1u, Entries());
  struct stat st;
  ASSERT_EQ(0, ::stat(Path("f.txt").c_str(), &st));
  EXPECT_EQ(0640u, st.st_mode & 0777u);
  platform::OutputFile out;
  fs::create_symlink("loop", Path("loop"));
  EXPECT_FALSE(out.Open(Path("loop"), &error));
  EXPECT_EQ("cannot write " + Path("loop") + ": Too many levels of symbolic links", error);
  EXPECT_FALSE(out.Open(dir_, &error));
  EXPECT_EQ("cannot write " + dir_ + ": Is a directory", error);
}

}  // namespace
