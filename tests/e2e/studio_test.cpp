// The studio through the headless backend and a key script: every paused
// frame it saves is the exported frame of that number, byte for byte.
#include <gtest/gtest.h>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include "tests/support/paths.h"
#include "tests/support/run.h"

namespace {

namespace fs = std::filesystem;
using testpaths::ReadText;

TEST(Studio, KeysMoveThroughTheShowAndPausedFramesAreTheExportedOnes) {
  const std::string dir = testpaths::TempDir("studio");
  // Times are of the virtual clock, which a shown or re-shown frame moves on.
  testpaths::WriteFile(dir + "/keys",
                 "100 key Space\n"                                        // pause
                 "200 key Right\n300 key s\n"                             // one frame on
                 "400 press ShiftL\n410 key Right\n420 release ShiftL\n"  // one second on
                 "500 key s\n"
                 "600 key Left\n700 key s\n"                          // back: the show runs again from 0
                 "800 key PageDown\n900 key s\n"                      // channel 1 opens
                 "1000 key PageDown\n1010 key PageDown\n1020 key PageDown\n1100 key s\n"  // the effect's scene
                 "1200 press ShiftL\n1210 key Right\n1220 release ShiftL\n1300 key s\n"   // its blobs moving
                 "1400 key PageUp\n1500 key s\n"
                 "1600 key Home\n1700 key s\n"
                 "1800 key Space\n2300 key Space\n2400 key s\n"  // played on, paused again
                 "2500 key Escape\n");
  const std::string run = "cd '" + dir + "' && timeout 120 '" + testpaths::Build() +
                          "/app/tessaline' --studio --headless --keys keys >out 2>&1";
  ASSERT_EQ(std::system(run.c_str()), 0) << ReadText(dir + "/out");
  const std::string said = ReadText(dir + "/out");
  std::string exported;
  ASSERT_EQ(testpaths::RunProgram("--record '" + dir + "/export' --seconds 19", &exported), 0) << exported;
  std::istringstream lines(said);
  const std::regex saved("tessaline: saved (.*/studio-frame([0-9]+)(?:-[0-9]+)?\\.png) \\(Tessaline studio  ([0-9.]+) s  frame ([0-9]+)"
                         "  channels ([0-9 a-z]+)  paused\\)");
  std::vector<int> frames;
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (!std::regex_match(line, m, saved)) continue;
    const int frame = std::stoi(m[2]);
    frames.push_back(frame);
    EXPECT_EQ(std::stoi(m[4]), frame);
    EXPECT_NEAR(std::stod(m[3]), frame / 60.0, 0.001);
    char name[32];
    std::snprintf(name, sizeof name, "/frame%05d.png", frame);
    EXPECT_TRUE(ReadText(m[1]) == ReadText(dir + "/export" + name)) << "frame " << frame << " differs";
  }
  ASSERT_EQ(frames.size(), 9u) << said;
  // Right, Shift+Right, Left; then the channel windows opening at 2, 17.3 and 15.8 s; Home; half a second played.
  const int f = frames[0];
  EXPECT_EQ(frames, (std::vector<int>{f, f + 60, f + 59, 120, 1038, 1098, 1038, 0, frames[8]}));
  EXPECT_GT(frames[8], 10);
  EXPECT_NE(said.find("frame 1098  channels 2 4  paused"), std::string::npos) << said;
  fs::remove_all(dir);
}

// A change of the show file on disk while the studio is paused: it reloads
// at the same frame, and the frame is the new show's.
TEST(Studio, ReloadsAChangedShowAtTheSameFrame) {
  const std::string dir = testpaths::TempDir("studio-reload");
  const std::string show = "pack = \"v01.dat\"\n[[layer]]\nkind = \"backdrop\"\npicture = \"vo/good.scl\"\n"
                           "[[layer]]\nkind = \"palette-ramp\"\nfrom = 0\nto = 47\n"
                           "[[layer]]\nkind = \"sprite\"\npicture = \"vo/v01_logo.scl\"\nx = 400\ny = ";
  testpaths::WriteFile(dir + "/a.show", show + "300\n");
  testpaths::WriteFile(dir + "/b.show", show + "200\n");
  testpaths::WriteFile(dir + "/now.show", show + "300\n");
  testpaths::WriteFile(dir + "/keys", "100 key Space\n300 key s\n3000 key s\n3100 key Escape\n");
  const std::string exe = "'" + testpaths::Build() + "/app/tessaline'", data = " --data '" + testpaths::Build() + "/app'";
  FILE* studio = popen(("cd '" + dir + "' && timeout 120 " + exe + " --studio --headless --show now.show --keys keys" +
                        data + " 2>err").c_str(),
                       "r");
  ASSERT_NE(studio, nullptr);
  std::vector<std::string> saved;
  char line[512];
  while (std::fgets(line, sizeof line, studio)) {
    const std::string text = line;
    if (text.rfind("tessaline: saved ", 0) != 0) continue;
    saved.push_back(text.substr(17, text.find(" (") - 17));
    // The first frame is saved: change the show under the paused studio.
    if (saved.size() == 1) testpaths::WriteFile(dir + "/now.show", show + "200\n");
  }
  ASSERT_EQ(pclose(studio), 0) << ReadText(dir + "/err");
  ASSERT_EQ(saved.size(), 2u);
  const std::string frame = saved[0].substr(saved[0].size() - 9, 5);
  EXPECT_EQ(saved[1], dir + "/studio-frame" + frame + "-2.png");
  EXPECT_NE(ReadText(dir + "/err").find("reloaded the show at frame " + std::to_string(std::stoi(frame))),
            std::string::npos);
  std::string said;
  for (const char* name : {"a", "b"})
    ASSERT_EQ(testpaths::RunProgram("--show '" + dir + "/" + name + ".show' --record '" + dir + "/" + name +
                                    "' --seconds 1 --quiet" + data, &said), 0) << said;
  EXPECT_TRUE(ReadText(saved[0]) == ReadText(dir + "/a/frame" + frame + ".png"));
  EXPECT_TRUE(ReadText(saved[1]) == ReadText(dir + "/b/frame" + frame + ".png"));
  EXPECT_FALSE(ReadText(saved[0]) == ReadText(saved[1]));
  fs::remove_all(dir);
}

}  // namespace
