// Show files through the program: the built-in show as a file, and what a show
// maker is told when a show or its data is wrong.
#include <gtest/gtest.h>
#include <filesystem>
#include <string>
#include "tests/support/run.h"
#include "tests/support/paths.h"
#include "tests/support/run.h"

namespace {

namespace fs = std::filesystem;
using testpaths::ReadText;
using testpaths::RunProgram;
using testpaths::WriteFile;
using testpaths::Quote;

// Same names and the same bytes in both folders.
void ExpectSameFolders(const fs::path& a, const fs::path& b, int files) {
  int seen = 0;
  for (const auto& entry : fs::directory_iterator(a)) {
    const fs::path other = b / entry.path().filename();
    ASSERT_TRUE(fs::exists(other)) << other;
    EXPECT_TRUE(ReadText(entry.path().string()) == ReadText(other.string())) << entry.path().filename() << " differs";
    ++seen;
  }
  EXPECT_EQ(seen, files);
}

TEST(ShowFileRun, DefaultShowFileExportsTheBuiltInShowByteForByte) {
  const std::string dir = testpaths::TempDir("default-show");
  std::string said;
  const std::string show = Quote(testpaths::Source() + "/shows/default.show");
  ASSERT_EQ(RunProgram("--show " + show + " --record " + Quote(dir + "/a"), &said), 0) << said;
  ASSERT_EQ(RunProgram("--record " + Quote(dir + "/b"), &said), 0) << said;
  ExpectSameFolders(dir + "/a", dir + "/b", 36 * 60 + 1);  // every frame and the sound
  fs::remove_all(dir);
}

class ShowMistakes : public ::testing::Test {
protected:
  void SetUp() override { dir_ = testpaths::TempDir("show-mistakes"); }
  void TearDown() override { fs::remove_all(dir_); }
  // The built pack with one entry replaced by another file.
  std::string PackWith(const std::string& entry, const std::string& file) {
    const std::string pack = testpaths::Build() + "/tools/pack/pack";
    const std::string files = dir_ + "/files", out = dir_ + "/v01.dat";
    std::system((pack + " extract " + Quote(testpaths::Build() + "/app/v01.dat") + " " + Quote(files)).c_str());
    fs::copy_file(file, files + "/" + entry, fs::copy_options::overwrite_existing);
    std::system((pack + " build " + Quote(out) + " -C " + Quote(files) + " vo >/dev/null").c_str());
    return out;
  }
  std::string dir_;
};

// One line on stderr, and the exit status for bad data or bad usage.
TEST_F(ShowMistakes, EndWithOneLineNamingTheThing) {
  WriteFile(dir_ + "/syntax.show", "pack = \"v01.dat\"\n[[layer]]\nkind = sprite\n");
  WriteFile(dir_ + "/missing.show", "[[layer]]\nkind = \"sprite\"\npicture = \"pics/a.scl\"\n");
  // A 16-bit picture where the first backdrop belongs.
  const std::string deep = dir_ + "/deep.scl";
  WriteFile(deep, std::string("BMAP\x10\x02\x02\x00\x02\x00\x04\x00", 12) + std::string(8, '\x01') + "bmap");
  const std::string pack = PackWith("vo/v01_back.scl", deep);
  struct Case { std::string args; int status; std::string message; } cases[] = {
      {"--show " + Quote(dir_ + "/none.show"), 1, dir_ + "/none.show: no such file"},
      {"--show " + Quote(dir_), 1, dir_ + ": not a file"},
      {"--show " + Quote(dir_ + "/syntax.show"), 1, dir_ + "/syntax.show:3:8: "},
      {"--show " + Quote(dir_ + "/missing.show"), 1,
       "pics/a.scl: not in the folder " + dir_ + " (layer 0 (sprite) at " + dir_ + "/missing.show:3:11 needs it)"},
      {"--data " + Quote(pack), 1,
       "vo/v01_back.scl in the pack " + pack + " is a 0565-16 picture; it must be an Index 8 picture (layer 0 "
       "(backdrop) needs Index 8 picture, at most 640 x 480)"},
      {"--data " + Quote(dir_ + "/nothing"), 1, "--data " + dir_ + "/nothing: no such file or folder"},
      {"--data " + Quote(dir_ + "/syntax.show"), 1, dir_ + "/syntax.show: not a pack file"},
      {"--show " + Quote(testpaths::Source() + "/shows/default.show") + " --data " + Quote(dir_ + "/files"), 1,
       "vo/v01_back.scl in the folder " + dir_ + "/files is a 0565-16 picture"},
  };
  for (const Case& c : cases) {
    std::string said;
    EXPECT_EQ(RunProgram(c.args + " --headless", &said), c.status) << c.args << "\n" << said;
    EXPECT_EQ(said.find("tessaline: " + c.message), 0u) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << said;
    EXPECT_EQ(said.find("Assertion"), std::string::npos) << said;
  }
}

TEST_F(ShowMistakes, CheckListsEveryFileAndPassesOnlyWhenAllAreUsable) {
  std::string said;
  EXPECT_EQ(RunProgram("--check", &said), 0) << said;
  EXPECT_SAYS(said, "vo/v01_raw2.raw      raw, at least 338 rows of 352 bytes        123904 bytes         ok");
  EXPECT_SAYS(said, "all 22 files are there and usable");
  EXPECT_EQ(RunProgram("--check --show '" + testpaths::Source() + "/shows/ribbons.show'", &said), 0) << said;
  EXPECT_SAYS(said, "all 7 files are there and usable");
  const std::string deep = dir_ + "/short.raw";
  WriteFile(deep, std::string(100, 'x'));
  const std::string pack = PackWith("vo/v01_raw1.raw", deep);
  fs::remove(dir_ + "/files/vo/v01_logo.scl");
  for (const std::string& data : {pack, dir_ + "/files"}) {
    EXPECT_EQ(RunProgram("--check --data " + Quote(data), &said), 1) << said;
    EXPECT_NE(said.find("vo/v01_raw1.raw      raw, at least 4096 bytes                   100 bytes            holds "
                        "100 bytes; it must hold at least 4096 bytes\n    for layer 33 (masked-effect)"),
              std::string::npos)
        << said;
  }
  EXPECT_SAYS(said, "vo/v01_logo.scl      Index 8 picture                            -                    missing");
  EXPECT_SAYS(said, "2 of 22 files are missing or unusable");
}

}  // namespace
