#include "app/options.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

bool Parse(std::vector<const char*> args, Options& o, std::string& error) {
  args.insert(args.begin(), "tessaline");
  return ParseOptions(static_cast<int>(args.size()), args.data(), o, error);
}

// (The options at work: tests/shell/program, tests/record/export_test.cpp, tests/e2e.)
TEST(Options, EveryOption) {
  Options o;
  std::string error;
  ASSERT_TRUE(Parse({}, o, error));  // none means the original
  EXPECT_FALSE(o.window || o.headless || o.help || !o.keys.empty() || !o.data.empty());
  ASSERT_TRUE(Parse({"--window", "--data", "/tmp/show", "--help"}, o, error)) << error;
  EXPECT_TRUE(o.window && o.help && !o.headless && o.data == "/tmp/show");
  ASSERT_TRUE(Parse({"--keys=quit.keys", "--data=d"}, o, error)) << error;
  EXPECT_TRUE(o.keys == "quit.keys" && o.data == "d" && o.headless) << "scripted keys need the headless keyboard";
  ASSERT_TRUE(Parse({"--window=800x600", "--scale", "integer", "--no-vsync"}, o, error)) << error;
  EXPECT_TRUE(o.window && o.noVsync && o.windowWidth == 800 && o.windowHeight == 600 && o.scale == "integer");
  ASSERT_TRUE(Parse({"--version", "--bogus"}, o, error)) << "the walk stops at --version";
  EXPECT_TRUE(o.version);
  ASSERT_TRUE(Parse({"--record", "out", "--fps", "30", "--seconds=12.5", "--quiet"}, o, error)) << error;
  EXPECT_TRUE(o.record == "out" && o.recordFps == 30 && o.recordSeconds == 12.5 && o.headless && o.quiet);
  EXPECT_TRUE(Parse({"--record", "export.v2"}, o, error)) << error;
  EXPECT_NE(std::string::npos, Usage().find("--keys SCRIPT"));
}

TEST(Options, MistakesAreReported) {
  const struct { std::vector<const char*> args; std::string error; } cases[] = {
      {{"--fps=30", "--seconds", "2.5", "--", "--window"}, "unexpected argument '--window'"},  // after -- no options
      {{"--fullscreen"}, "unknown option '--fullscreen'"},
      {{"show.dat"}, "unexpected argument 'show.dat'"},
      {{"--fps=0"}, "--fps wants a whole number from 1 to 240"},
      {{"--record", "out", "--fps", "29.97"}, "--fps wants a whole number from 1 to 240"},
      {{"--seconds", "nan"}, "--seconds wants a length from 0 to 3600 seconds"},
      {{"--seconds", "0"}, "--seconds wants a length from 0 to 3600 seconds"},
      {{"--help=x"}, "--help takes no value"},
      {{"--no-vsync=1"}, "--no-vsync takes no value"},
      {{"--keys"}, "--keys needs a value"},
      {{"--data="}, "--data needs a value"},
      {{"--record"}, "--record needs a value"},
      {{"--scale=bilinear"}, "--scale wants nearest, integer or linear, not 'bilinear'"},
      // A name for a format the export does not write is a mistake, not a folder to make.
      {{"--record", "show.avi"}, "--record writes a folder of PNG frames or a .mp4, .webm or .mkv video, not show.avi"},
      {{"--record", "a/Show.MOV"}, "--record writes a folder of PNG frames or a .mp4, .webm or .mkv video, not a/Show.MOV"},
      {{"--record", "frame.png"}, "--record writes a folder of PNG frames or a .mp4, .webm or .mkv video, not frame.png"},
      {{"--record", "-"}, "--record writes a folder or a named video file, not the standard output"},
  };
  Options o;
  std::string error;
  for (const auto& c : cases) {
    EXPECT_FALSE(Parse(c.args, o, error)) << c.error;
    EXPECT_EQ(c.error, error);
  }
  for (const char* size : {"yes", "800", "800x", "x600", "100x600", "800x99999", "-800x600", "800x600x2"}) {
    EXPECT_FALSE(Parse({(std::string("--window=") + size).c_str()}, o, error));
    EXPECT_EQ(std::string("--window=WxH wants a size from 320x240 to 16384x16384, not '") + size + "'", error);
  }
}

TEST(Options, DataSearchPath) {
  EXPECT_EQ((std::vector<std::string>{"/w", "/opt/t/bin", "/opt/t/share/tessaline"}), DataSearchPath("/w", "/opt/t/bin"));
  EXPECT_EQ((std::vector<std::string>{"/w"}), DataSearchPath("/w", "")) << "no executable folder known";
  EXPECT_FALSE(ExecutableDirectory(nullptr).empty());
}

}  // namespace
