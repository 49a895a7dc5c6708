#include "app/options.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/paths.h"

namespace {

bool Parse(std::vector<const char*> args, Options& o, std::string& error) {
  args.insert(args.begin(), "tessaline");
  return ParseOptions(static_cast<int>(args.size()), args.data(), o, error);
}

TEST(Options, NoneMeansTheOriginal) {
  Options o;
  std::string error;
  ASSERT_TRUE(Parse({}, o, error));
  EXPECT_FALSE(o.window);
  EXPECT_FALSE(o.headless);
  EXPECT_FALSE(o.help);
  EXPECT_TRUE(o.keys.empty());
  EXPECT_TRUE(o.data.empty());
}

TEST(Options, EveryOption) {
  Options o;
  std::string error;
  ASSERT_TRUE(Parse({"--window", "--data", "/tmp/show", "--help"}, o, error)) << error;
  EXPECT_TRUE(o.window);
  EXPECT_TRUE(o.help);
  EXPECT_EQ("/tmp/show", o.data);
  EXPECT_FALSE(o.headless);
  ASSERT_TRUE(Parse({"--keys=quit.keys", "--data=d"}, o, error)) << error;
  EXPECT_EQ("quit.keys", o.keys);
  EXPECT_EQ("d", o.data);
  EXPECT_TRUE(o.headless) << "scripted keys need the headless keyboard";
  ASSERT_TRUE(Parse({"--headless"}, o, error));
  EXPECT_TRUE(o.headless);
  ASSERT_TRUE(Parse({"--window=800x600", "--scale", "integer", "--no-vsync"}, o, error)) << error;
  EXPECT_TRUE(o.window);
  EXPECT_EQ(800, o.windowWidth);
  EXPECT_EQ(600, o.windowHeight);
  EXPECT_EQ("integer", o.scale);
  EXPECT_TRUE(o.noVsync);
  ASSERT_TRUE(Parse({"--version", "--bogus"}, o, error)) << "the walk stops at --version";
  EXPECT_TRUE(o.version);
  ASSERT_TRUE(Parse({"--fps=30", "--seconds", "2.5", "--", "--window"}, o, error) == false);
  EXPECT_EQ("unexpected argument '--window'", error) << "after -- nothing is an option";
}

TEST(Options, MistakesAreReported) {
  Options o;
  std::string error;
  EXPECT_FALSE(Parse({"--fullscreen"}, o, error));
  EXPECT_EQ("unknown option '--fullscreen'", error);
  EXPECT_FALSE(Parse({"show.dat"}, o, error));
  EXPECT_EQ("unexpected argument 'show.dat'", error);
  EXPECT_FALSE(Parse({"--fps=0"}, o, error));
  EXPECT_EQ("--fps wants a whole number from 1 to 240", error);
  EXPECT_FALSE(Parse({"--seconds", "nan"}, o, error));
  EXPECT_EQ("--seconds wants a length from 0 to 3600 seconds", error);
  EXPECT_FALSE(Parse({"--help=x"}, o, error));
  EXPECT_EQ("--help takes no value", error);
  EXPECT_FALSE(Parse({"--keys"}, o, error));
  EXPECT_EQ("--keys needs a value", error);
  EXPECT_FALSE(Parse({"--data="}, o, error));
  EXPECT_EQ("--data needs a value", error);
  for (const char* size : {"yes", "800", "800x", "x600", "100x600", "800x99999", "-800x600", "800x600x2"}) {
    EXPECT_FALSE(Parse({(std::string("--window=") + size).c_str()}, o, error));
    EXPECT_EQ(std::string("--window=WxH wants a size from 320x240 to 16384x16384, not '") + size + "'", error);
  }
  EXPECT_FALSE(Parse({"--scale=bilinear"}, o, error));
  EXPECT_EQ("--scale wants nearest, integer or linear, not 'bilinear'", error);
  EXPECT_FALSE(Parse({"--no-vsync=1"}, o, error));
  EXPECT_EQ("--no-vsync takes no value", error);
  EXPECT_NE(std::string::npos, Usage().find("--keys SCRIPT"));
}

TEST(Options, DataSearchPath) {
  EXPECT_EQ((std::vector<std::string>{"/w", "/opt/t/bin", "/opt/t/share/tessaline"}), DataSearchPath("/w", "/opt/t/bin"));
  EXPECT_EQ((std::vector<std::string>{"/w"}), DataSearchPath("/w", "")) << "no executable folder known";
  EXPECT_FALSE(ExecutableDirectory(nullptr).empty());
}

}  // namespace
