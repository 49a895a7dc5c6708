// The tools as a user runs them: exit status, stdout, stderr.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "framework/bitmap.h"
#include "tests/support/temp_folder.h"
#include "tools/common/png_io.h"

namespace {

struct ToolRun {
  int status;
  std::string out, err;
};

class Cli : public TempFolder {
protected:
  ToolRun Tool(const std::string& tool, const std::string& args, const std::string& cwd = "") {
    std::string cmd = (cwd.empty() ? "" : "cd '" + cwd + "' && ") + "'" + tool + "' " + args + " >'" + Path(".out") +
                      "' 2>'" + Path(".err") + "'";
    int raw = std::system(cmd.c_str());
    ToolRun r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    auto text = [&](const std::string& p) {
      std::vector<uint8_t> b = Read(p);
      return std::string(b.begin(), b.end());
    };
    r.out = text(Path(".out"));
    r.err = text(Path(".err"));
    return r;
  }
  ToolRun Scl(const std::string& args) { return Tool(SCL_TOOL, args); }
  ToolRun Pack(const std::string& args, const std::string& cwd = "") { return Tool(PACK_TOOL, args, cwd); }
  bool HaveConvert() { return std::system("command -v convert >/dev/null 2>&1") == 0; }
};

TEST_F(Cli, HelpAndUsageErrors) {
  for (const char* tool : {SCL_TOOL, PACK_TOOL}) {
    ToolRun r = Tool(tool, "--help");
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(0u, r.out.find("usage: ")) << r.out;
    EXPECT_EQ("", r.err);
    r = Tool(tool, "");
    EXPECT_EQ(2, r.status);
    EXPECT_NE(std::string::npos, r.err.find("no command"));
    r = Tool(tool, "frobnicate x");
    EXPECT_EQ(2, r.status);
    EXPECT_NE(std::string::npos, r.err.find("unknown command \"frobnicate\""));
  }
  EXPECT_EQ(2, Scl("to-scl a.png b.scl --kind 4444").status);
  EXPECT_EQ(2, Scl("to-scl a.png b.scl --levels=16").status);
  EXPECT_EQ(2, Scl("to-scl a.png").status);
}

TEST_F(Cli, SclRoundTripsInfoAndErrors) {
  // Three kinds, each through PNG and back: byte for byte the same image file.
  for (const auto& [kind, k] : {std::pair{"index8", KindIndex8}, {"0565", Kind0565}, {"0888", Kind0888}}) {
    SCOPED_TRACE(kind);
    sBitmap b, loaded;
    b.Create(23, 11, k, 1);
    for (int y = 0; y < 11; ++y)
      for (int x = 0; x < 23; ++x) b.SetPixel(static_cast<uint32_t>((x * 7919 + y * 104729) * 2654435761u), x, y, 0);
    if (k == KindIndex8)
      for (int i = 0; i < 256; ++i) b.Palette[i] = {uint8_t(i * 3), uint8_t(255 - i), uint8_t(i * 7), 255};
    std::string error;
    ASSERT_TRUE(WritePng(Path("start.png"), b, &error)) << error;
    for (const std::string& args : {"to-scl start.png a.scl --kind " + std::string(kind), std::string("to-png a.scl a.png"),
                                    "to-scl a.png b.scl --kind " + std::string(kind)}) {
      ToolRun r = Tool(SCL_TOOL, args, dir_);
      ASSERT_EQ(0, r.status) << args << ": " << r.err;
    }
    EXPECT_EQ(Read(Path("a.scl")), Read(Path("b.scl")));
    loaded.Load(Path("b.scl").c_str());
    EXPECT_EQ(k, loaded.Kind);
    for (int y = 0; y < 11; ++y)
      for (int x = 0; x < 23; ++x) {
        sColor want{}, got{};
        b.IndexToColor(b.GetPixel(x, y, 0), &want);
        loaded.IndexToColor(loaded.GetPixel(x, y, 0), &got);
        ASSERT_EQ(0, std::memcmp(&want, &got, 3)) << x << "," << y;
      }
  }

  sBitmap b;
  b.Create(12, 8, KindIndex8, 1);
  std::string error;
  ASSERT_TRUE(WritePng(Path("p.png"), b, &error));
  ASSERT_EQ(0, Scl("to-scl '" + Path("p.png") + "' '" + Path("p.scl") + "' --levels 3").status);
  ToolRun r = Scl("info '" + Path("p.scl") + "'");
  EXPECT_EQ(0, r.status) << r.err;
  for (const char* line : {": Index 8, 12 x 8, 3 levels\n", "flags 0x07, 12 x 8, row bytes 12", "level 2: 3 x 2, pitch 16"})
    EXPECT_NE(std::string::npos, r.out.find(line)) << line;

  Write("bad.scl", {'B', 'M', 'A', 'P', 3, 0, 'b', 'm', 'a', 'p'});
  r = Scl("info '" + Path("bad.scl") + "'");
  EXPECT_EQ(1, r.status);
  EXPECT_EQ("scl: " + Path("bad.scl") + ": Assertion in line 728, file bitmap\n", r.err);
  Write("huge.scl", {'B', 'M', 'A', 'P', 8, 2, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'b', 'm', 'a', 'p'});
  r = Scl("to-png '" + Path("huge.scl") + "' '" + Path("huge.png") + "'");
  EXPECT_EQ(1, r.status);
  EXPECT_NE(std::string::npos, r.err.find("sBitmap::Load() image data beyond the end of the file"));
  EXPECT_FALSE(std::filesystem::exists(Path("huge.png")));
  r = Scl("to-scl '" + Path("bad.scl") + "' '" + Path("o.scl") + "'");
  EXPECT_EQ(1, r.status);
  EXPECT_EQ("scl: " + Path("bad.scl") + " is not a PNG file\n", r.err);
}

TEST_F(Cli, SclReadsPngsFromAnotherEncoder) {
  if (!HaveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  // Grey 16-bit, palette with transparency, interlaced RGB.
  ASSERT_EQ(0, std::system(("cd '" + dir_ + "' && convert -size 16x4 gradient:black-white -depth 16 grey.png && " +
                            "convert -size 8x8 xc:red -fill blue -draw 'point 1,1' -fill '#00000000' " +
                            "-draw 'color 2,2 point' -alpha on PNG8:pal.png && " +
                            "convert -size 9x9 gradient:red-green -interlace PNG rgb.png")
                               .c_str()));
  ToolRun r = Scl("to-scl '" + Path("grey.png") + "' '" + Path("grey.scl") + "'");
  ASSERT_EQ(0, r.status) << r.err;
  sBitmap g;
  g.Load(Path("grey.scl").c_str());
  EXPECT_EQ(0u, g.GetPixel(0, 0, 0));
  EXPECT_EQ(255u, g.GetPixel(0, 3, 0)) << "grey maps to the equal grey index";

  r = Scl("to-scl '" + Path("pal.png") + "' '" + Path("pal.scl") + "'");
  ASSERT_EQ(0, r.status) << r.err;
  sBitmap p;
  p.Load(Path("pal.scl").c_str());
  sColor c{};
  p.IndexToColor(p.GetPixel(2, 2, 0), &c);
  EXPECT_EQ(0, c.a) << "the transparent pixel keeps its palette alpha";
  p.IndexToColor(p.GetPixel(1, 1, 0), &c);
  EXPECT_EQ(255, c.b);
  EXPECT_EQ(255, c.a);

  r = Scl("to-scl '" + Path("rgb.png") + "' '" + Path("rgb.scl") + "' --kind 0888");
  ASSERT_EQ(0, r.status) << r.err;
  sBitmap rgb;
  rgb.Load(Path("rgb.scl").c_str());
  const uint32_t top = rgb.GetPixel(4, 0, 0), bottom = rgb.GetPixel(4, 8, 0);
  EXPECT_GT(top >> 16, 0xF0u) << "top row is red";
  EXPECT_LT((top >> 8) & 0xFF, 0x10u);
  EXPECT_LT(bottom >> 16, 0x10u) << "bottom row is green (#008000)";
  EXPECT_GT((bottom >> 8) & 0xFF, 0x70u);
}

TEST_F(Cli, PackBuildListExtract) {
  Write("content/vo/v01_back.scl", {'b', 'a', 'c', 'k'});
  Write("content/vo/sub/Deep.RAW", {1, 2, 3});
  Write("content/loose.txt", {'l'});
  const std::string content = Path("content");
  ToolRun r = Pack("build '" + Path("v01.dat") + "' vo loose.txt", content);
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_NE(std::string::npos, r.out.find("3 entries"));

  r = Pack("list '" + Path("v01.dat") + "'");
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_NE(std::string::npos, r.out.find("  vo/sub/deep.raw\n"));
  EXPECT_NE(std::string::npos, r.out.find("  vo/v01_back.scl\n"));
  EXPECT_LT(r.out.find("vo/sub/deep.raw"), r.out.find("vo/v01_back.scl")) << "folder contents in name order";
  EXPECT_NE(std::string::npos, r.out.find("  loose.txt\n3 entries\n"));

  r = Pack("extract '" + Path("v01.dat") + "' '" + Path("out") + "'");
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_EQ(Read(Path("content/vo/v01_back.scl")), Read(Path("out/vo/v01_back.scl")));
  EXPECT_EQ(Read(Path("content/vo/sub/Deep.RAW")), Read(Path("out/vo/sub/deep.raw")));

  // -C: the same names from elsewhere.
  r = Pack("build '" + Path("v02.dat") + "' -C '" + content + "' vo loose.txt");
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_EQ(Read(Path("v01.dat")), Read(Path("v02.dat")));
}

TEST_F(Cli, PackRefusals) {
  Write("c/" + std::string(60, 'a') + "/x.raw", {1});
  ToolRun r = Pack("build '" + Path("p.dat") + "' c", dir_);
  EXPECT_EQ(1, r.status);
  EXPECT_NE(std::string::npos, r.err.find("must be 1 to 63 bytes long (it has 68)")) << r.err;
  EXPECT_FALSE(std::filesystem::exists(Path("p.dat")));

  Write("d/A.raw", {1});
  Write("d/a.raw", {2});
  r = Pack("build '" + Path("p.dat") + "' d", dir_);
  EXPECT_EQ(1, r.status);
  EXPECT_NE(std::string::npos, r.err.find("are the same name in a pack (\"d/a.raw\")")) << r.err;

  r = Pack("build '" + Path("p.dat") + "' nothing", dir_);
  EXPECT_EQ(1, r.status);
  r = Pack("build '" + Path("p.dat") + "' -C '" + Path("d") + "' ../c", dir_);
  EXPECT_EQ(1, r.status);
  EXPECT_NE(std::string::npos, r.err.find("lies outside")) << r.err;

  // Names from a hostile pack never leave the target folder.
  std::vector<uint8_t> evil = {'P', 'A', 'C', 'K', 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 35, 0, 0, 0};
  for (char ch : std::string("../evil.raw")) evil.push_back(static_cast<uint8_t>(ch));
  evil.push_back(0);
  for (char ch : std::string("packX")) evil.push_back(static_cast<uint8_t>(ch));
  Write("evil.dat", evil);
  std::filesystem::create_directories(Path("x"));
  r = Pack("extract '" + Path("evil.dat") + "' '" + Path("x") + "'");
  EXPECT_EQ(1, r.status);
  EXPECT_NE(std::string::npos, r.err.find("would be written outside")) << r.err;
  EXPECT_FALSE(std::filesystem::exists(Path("evil.raw")));

  // An entry beyond the end of the pack.
  std::vector<uint8_t> late = {'P', 'A', 'C', 'K', 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 100, 0, 0, 0, 30, 0, 0, 0, 'a', 0,
                               'p', 'a', 'c', 'k', 'd'};
  Write("late.dat", late);
  r = Pack("extract '" + Path("late.dat") + "' '" + Path("x") + "'");
  EXPECT_EQ(1, r.status);
  EXPECT_EQ("pack: " + Path("late.dat") + ": LoadFile() entry extends beyond the pack file\n", r.err);
}

}  // namespace
