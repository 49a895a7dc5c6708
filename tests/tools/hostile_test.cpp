// The programs as a user runs them, careless and hostile inputs included, one named case each, grouped
// by program: a failure ends with one line and status 1 (bad data) or 2 (bad usage), within a time and
// memory bound, and leaves every file of the user's whole.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>
#include "framework/bitmap.h"
#include "tests/support/run.h"
#include "tests/support/temp_folder.h"
#include "tools/common/png_io.h"

namespace fs = std::filesystem;

namespace {

struct Case {
  const char* name;
  std::string args;   // after the program, run in the test's folder by sh
  int status;
  std::string said;   // in the messages ("" for none expected)
  std::function<void()> check = [] {};  // may read said_
};

class Hostile : public TempFolder {
protected:
  void SetUp() override {
    TempFolder::SetUp();
    sBitmap b;
    b.Create(20, 10, KindIndex8, 1);
    std::string error;
    ASSERT_TRUE(WritePng(Path("p.png"), b, &error)) << error;
    ASSERT_EQ(0, Sh(std::string(SCL_TOOL) + " to-scl p.png p.scl"));
    Write("c/vo/a.scl", {'a'});
    Write("c/top.raw", {'t'});
    Write("old.txt", {'o', 'l', 'd'});
  }
  // Exit status of a shell line run in the folder, bounded in time and memory.
  int Sh(const std::string& line, std::string* said = nullptr) {
#ifdef TESS_SANITIZED
    const std::string bound = "";
#else
    const std::string bound = "ulimit -v 4000000 && ";
#endif
    return testpaths::Sh("cd '" + dir_ + "' && " + bound + "timeout 120 sh -c " + testpaths::Quote(line), said);
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(dir_))
      names.push_back(entry.path().lexically_relative(dir_).string());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string Text(const std::string& name) { return testpaths::ReadText(Path(name)); }
  void Run(const std::string& program, const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      const std::vector<std::string> before = Names();
      const int status = Sh(program + " " + c.args, &said_);
      EXPECT_EQ(c.status, status) << said_;
      if (c.said.empty()) {
        if (c.status != 0) {
          EXPECT_EQ(1, std::count(said_.begin(), said_.end(), '\n')) << "one line: " << said_;
        }
      } else {
        EXPECT_NE(said_.find(c.said), std::string::npos) << said_;
      }
      if (status != 0) {
        EXPECT_EQ(before, Names()) << "a failed run left or removed files";
      }
      c.check();
    }
  }
  std::string said_;
};

TEST_F(Hostile, Scl) {
  sBitmap wide;
  wide.Create(200, 150, KindIndex8, 1);
  std::string error;
  ASSERT_TRUE(WritePng(Path("wide.png"), wide, &error)) << error;
  wide.Create(12, 8, KindIndex8, 1);
  ASSERT_TRUE(WritePng(Path("q.png"), wide, &error)) << error;
  Write("bad.scl", {'B', 'M', 'A', 'P', 3, 0, 'b', 'm', 'a', 'p'});
  Write("huge.scl", {'B', 'M', 'A', 'P', 8, 2, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'b', 'm', 'a', 'p'});
  Write("old.png", {'o', 'l', 'd'});
  Run(SCL_TOOL, {
      {"--help: the usage on stdout", "--help 2>err", 0, "", [&] {
         EXPECT_EQ(0u, said_.find("usage: "));
         EXPECT_EQ("", Text("err"));
       }},
      {"no command", "", 2, "no command"},
      {"an unknown command", "frobnicate x", 2, "unknown command \"frobnicate\""},
      {"an unknown kind", "to-scl p.png b.scl --kind 4444", 2, ""},
      {"16 levels", "to-scl p.png b.scl --levels=16", 2, ""},
      {"no output named", "to-scl p.png", 2, ""},
      {"info names the levels", "to-scl q.png q.scl --levels 3 && " SCL_TOOL " info q.scl", 0,
       ": Index 8, 12 x 8, 3 levels\n", [&] {
         EXPECT_SAYS(said_, "flags 0x07, 12 x 8, row bytes 12");
         EXPECT_SAYS(said_, "level 2: 3 x 2, pitch 16");
       }},
      {"a damaged image file", "info bad.scl", 1, "scl: bad.scl: Assertion in line 728, file bitmap\n"},
      {"an image file claiming more than it holds", "to-png huge.scl huge.png", 1,
       "sBitmap::Load() image data beyond the end of the file"},
      {"an image file is no PNG", "to-scl bad.scl o.scl", 1, "scl: bad.scl is not a PNG file\n"},
      {"to-png into /dev/full writes through the device", "to-png p.scl /dev/full", 1,
       "scl: cannot write /dev/full: No space left on device",
       [] {
         struct stat st;
         ASSERT_EQ(0, ::stat("/dev/full", &st));
         EXPECT_TRUE(S_ISCHR(st.st_mode)) << "/dev/full was replaced";
       }},
      {"a failed to-png keeps the old output", "to-png bad.scl old.png", 1, "Assertion in line 728",
       [&] { EXPECT_EQ("old", Text("old.png")); }},
      {"a 1.4 KB PNG claiming 65535 x 65535 is refused before allocating",
       "to-scl '" + testpaths::Source() + "/tests/fuzz/regressions/png/huge_claim.png' h.scl", 1, "huge_claim.png: image too large"},
      {"--levels 15 on 200 x 150 would make an image the loader refuses", "to-scl wide.png w.scl --levels 15", 1,
       "scl: wide.png: image too large: 200 x 150 with 15 levels is 16384 x 16384"},
      {"a folder is not 'no such file'", "info .", 1, "scl: cannot open .: Is a directory"},
      {"a folder as PNG", "to-scl c x.scl", 1, "scl: cannot open c: Is a directory"},
      {"a missing file", "to-png missing.scl x.png", 1, "scl: cannot open missing.scl: No such file or directory"},
      {"endless zeros are not an image", "to-png /dev/zero x.png", 1, "scl: /dev/zero is not an image file"},
      {"- reads a PNG from stdin", "to-scl - in.scl < p.png", 0, "",
       [&] { EXPECT_EQ(Read(Path("p.scl")), Read(Path("in.scl"))); }},
      {"- writes a PNG to stdout", "to-png p.scl - > out.png && " SCL_TOOL " to-png p.scl file.png", 0, "",
       [&] { EXPECT_EQ(Read(Path("file.png")), Read(Path("out.png"))); }},
      {"- reads an image file from a pipe", "info - < p.scl | head -1", 0, "standard input: Index 8, 20 x 10, 1 level"},
  });
}

TEST_F(Hostile, SclRoundTripsEveryKindAndReadsOtherEncodersPngs) {
  // Three kinds, each through PNG and back: byte for byte the same image file.
  for (const auto& [kind, k] : {std::pair{"index8", KindIndex8}, {"0565", Kind0565}, {"0888", Kind0888}}) {
    SCOPED_TRACE(kind);
    sBitmap b, loaded;
    b.Create(23, 11, k, 1);
    for (int y = 0; y < 11; ++y)
      for (int x = 0; x < 23; ++x) b.SetPixel(static_cast<uint32_t>((x * 7919 + y * 104729) * 2654435761u), x, y, 0);
    if (k == KindIndex8)
      for (int i = 0; i < 256; ++i)
        b.Palette[i] = {uint8_t(i * 3), uint8_t(255 - i), uint8_t(i * 7), uint8_t(255 - i % 3)};
    std::string error, said;
    ASSERT_TRUE(WritePng(Path("start.png"), b, &error)) << error;
    const std::string scl = SCL_TOOL, as = std::string(" --kind ") + kind;
    ASSERT_EQ(0, Sh(scl + " to-scl start.png a.scl" + as + " && " + scl + " to-png a.scl a.png && " + scl +
                    " to-scl a.png b.scl" + as, &said)) << said;
    EXPECT_EQ(Read(Path("a.scl")), Read(Path("b.scl")));
    loaded.Load(Path("b.scl").c_str());
    EXPECT_EQ(k, loaded.Kind);
    for (int y = 0; y < 11; ++y)
      for (int x = 0; x < 23; ++x) {
        sColor want{}, got{};
        b.IndexToColor(b.GetPixel(x, y, 0), &want);
        loaded.IndexToColor(loaded.GetPixel(x, y, 0), &got);
        ASSERT_EQ(0, std::memcmp(&want, &got, k == KindIndex8 ? 4 : 3)) << x << "," << y << ": alpha in tRNS";
      }
  }
  if (Sh("command -v convert") != 0) GTEST_SKIP() << "ImageMagick's convert is not installed";
  // Grey 16-bit, palette with transparency, interlaced RGB.
  const std::string scl = SCL_TOOL;
  std::string said;
  ASSERT_EQ(0, Sh("convert -size 16x4 gradient:black-white -depth 16 grey.png && convert -size 8x8 xc:red -fill blue "
                  "-draw 'point 1,1' -fill '#00000000' -draw 'color 2,2 point' -alpha on PNG8:pal.png && "
                  "convert -size 9x9 gradient:red-green -interlace PNG rgb.png && " + scl +
                  " to-scl grey.png grey.scl && " + scl + " to-scl pal.png pal.scl && " + scl +
                  " to-scl rgb.png rgb.scl --kind 0888", &said))
      << said;
  sBitmap g, p, rgb;
  g.Load(Path("grey.scl").c_str());
  EXPECT_EQ(0u, g.GetPixel(0, 0, 0));
  EXPECT_EQ(255u, g.GetPixel(0, 3, 0)) << "grey maps to the equal grey index";
  p.Load(Path("pal.scl").c_str());
  sColor c{};
  p.IndexToColor(p.GetPixel(2, 2, 0), &c);
  EXPECT_EQ(0, c.a) << "the transparent pixel keeps its palette alpha";
  p.IndexToColor(p.GetPixel(1, 1, 0), &c);
  EXPECT_EQ(255, c.b);
  EXPECT_EQ(255, c.a);
  rgb.Load(Path("rgb.scl").c_str());
  const uint32_t top = rgb.GetPixel(4, 0, 0), bottom = rgb.GetPixel(4, 8, 0);
  EXPECT_GT(top >> 16, 0xF0u) << "top row is red";
  EXPECT_LT((top >> 8) & 0xFF, 0x10u);
  EXPECT_LT(bottom >> 16, 0x10u) << "bottom row is green (#008000)";
  EXPECT_GT((bottom >> 8) & 0xFF, 0x70u);
}

TEST_F(Hostile, Pack) {
  Write("ctl.dat", {'P', 'A', 'C', 'K', 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0,   0,   0,   28,  0,  0,
                    0,   'a', 0x1B, '[', '3', '1', 'm', 'b', 0, 'p', 'a', 'c', 'k', 'Z'});
  Write("name\nwith\ttabs", {'x'});
  ASSERT_EQ(0, Sh(std::string(PACK_TOOL) + " build c/in.dat c"));
  ASSERT_EQ(0, ::link(Path("c/in.dat").c_str(), Path("hard.dat").c_str()));
  fs::create_directory(Path("c2"));
  fs::create_symlink("loop", Path("c2/loop"));
  const std::vector<uint8_t> in = Read(Path("c/in.dat"));
  Write("content/vo/v01_back.scl", {'b', 'a', 'c', 'k'});
  Write("content/vo/sub/Deep.RAW", {1, 2, 3});
  Write("content/loose.txt", {'l'});
  Write("l/" + std::string(60, 'a') + "/x.raw", {1});
  Write("d/A.raw", {1});
  Write("d/a.raw", {2});
  fs::create_directory(Path("x"));
  std::vector<uint8_t> evil = {'P', 'A', 'C', 'K', 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 35, 0, 0, 0};
  for (char ch : std::string("../evil.raw")) evil.push_back(static_cast<uint8_t>(ch));
  for (char ch : std::string("\0packX", 6)) evil.push_back(static_cast<uint8_t>(ch));
  Write("evil.dat", evil);
  Write("late.dat", {'P', 'A', 'C', 'K', 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 100, 0, 0, 0, 30, 0, 0, 0, 'a', 0,
                     'p', 'a', 'c', 'k', 'd'});
  Run(PACK_TOOL, {
      {"--help: the usage on stdout", "--help 2>err", 0, "", [&] {
         EXPECT_EQ(0u, said_.find("usage: "));
         EXPECT_EQ("", Text("err"));
       }},
      {"no command", "", 2, "no command"},
      {"an unknown command", "frobnicate x", 2, "unknown command \"frobnicate\""},
      {"build, list (folders in name order) and extract", "build v01.dat -C content vo loose.txt && " PACK_TOOL
       " list v01.dat && " PACK_TOOL " extract v01.dat out", 0, "  loose.txt\n3 entries\n", [&] {
         EXPECT_LT(said_.find("  vo/sub/deep.raw\n"), said_.find("  vo/v01_back.scl\n"));
         EXPECT_EQ(Read(Path("content/vo/v01_back.scl")), Read(Path("out/vo/v01_back.scl")));
         EXPECT_EQ(Read(Path("content/vo/sub/Deep.RAW")), Read(Path("out/vo/sub/deep.raw")));
       }},
      {"-C gives the names a build in the folder gives", "list v01.dat >/dev/null && cd content && " PACK_TOOL
       " build ../v02.dat vo loose.txt",
       0, "", [&] { EXPECT_EQ(Read(Path("v01.dat")), Read(Path("v02.dat"))); }},
      {"a name longer than 63 bytes", "build p.dat l", 1, "must be 1 to 63 bytes long (it has 68)"},
      {"names equal but for case", "build p.dat d", 1, "are the same name in a pack (\"d/a.raw\")"},
      {"a path that is not there", "build p.dat nothing", 1, ""},
      {"a path outside -C's folder", "build p.dat -C d ../c", 1, "lies outside"},
      {"names of a hostile pack never leave the folder", "extract evil.dat x", 1, "would be written outside"},
      {"an entry beyond the end of the pack", "extract late.dat x", 1,
       "pack: late.dat: LoadFile() entry extends beyond the pack file\n"},
      {"a symbolic link loop in a walked folder", "build out.dat c2", 1, "pack: cannot read c2/loop: Too many levels",
       [&] { fs::remove(Path("c2/loop")); }},
      {"OUT is one of its own inputs", "build c/in.dat c", 1, "pack: cannot build c/in.dat: it is one of its own inputs",
       [&] { EXPECT_EQ(in, Read(Path("c/in.dat"))); }},
      {"OUT is a hard link of an input", "build hard.dat c", 1, "it is one of its own inputs",
       [&] { EXPECT_EQ(in, Read(Path("c/in.dat"))); }},
      {"-C applies to the paths after it, as tar's", "build x.dat c/top.raw -C c vo && " PACK_TOOL " list x.dat", 0,
       "         1         55  c/top.raw\n         1         56  vo/a.scl\n2 entries"},
      {"-C with no path after it", "build y.dat c -C c", 2, "-C DIR applies to the paths after it, and none follows"},
      {"a file that is not a pack", "list old.txt", 1, "pack: old.txt is not a pack file"},
      {"endless zeros are not a pack", "list /dev/zero", 1, "pack: /dev/zero is not a pack file"},
      {"a folder is not a pack", "list c", 1, "pack: cannot open c: Is a directory"},
      {"control characters of a name are escaped", "list ctl.dat", 0, "28  a\\x1B[31mb\n1 entries\n"},
      {"control characters of a file name are escaped", "list 'name\nwith\ttabs'", 1,
       "pack: name\\x0Awith\\x09tabs is not a pack file"},
      {"- reads a pack from stdin", "list - < c/in.dat", 0, "vo/a.scl\n2 entries\n"},
      {"- writes a pack to stdout", "build - -C c vo > z.dat && " PACK_TOOL " list z.dat", 0, "vo/a.scl\n1 entries\n"},
  });
}

// The folder, /dev/zero and damaged streams are in tests/mpeg (Mpegdec.FailsClearly).
TEST_F(Hostile, Mpegdec) {
  fs::create_directory(Path("real"));
  Write("real/song.wav", {'o', 'l', 'd'});
  fs::create_symlink("real/song.wav", Path("link.wav"));
  const std::string song = "'" + testpaths::Source() + "/tests/data/conformance/l3-si.mp3'";
  Run(MPEGDEC_TOOL, {
      {"a link as output: the file behind it is replaced, the link kept", song + " link.wav", 0, "",
       [&] {
         EXPECT_TRUE(fs::is_symlink(Path("link.wav")));
         EXPECT_GT(fs::file_size(Path("real/song.wav")), 44u);
       }},
      {"/dev/full as output is written through", song + " /dev/full", 1,
       "mpegdec: /dev/full: cannot write: No space left on device"},
  });
}

TEST_F(Hostile, Showtrace) {
  Run(SHOWTRACE_TOOL, {
      {"--until abc", "--until abc", 2, "showtrace: --until wants a number"},
      {"an unwritable --trace", "--until 100 --trace /nonexistent/t.txt", 1,
       "showtrace: cannot write /nonexistent/t.txt: No such file or directory"},
      {"an unwritable --out", "--until 100 --png 50 --out /proc/none", 1, "showtrace: --out /proc/none:"},
      {"--keys /dev/zero", "--keys /dev/zero", 2, "showtrace: --keys /dev/zero: larger than 1 MB: not a key script"},
  });
}

TEST_F(Hostile, Spin3d) {
  Run(SPIN3D_TOOL, {
      {"--headless without --frames ends by itself", "--headless", 0, ""},
      {"--shot to an unwritable path", "--headless --shot /nonexistent/s.png", 1,
       "spin3d: cannot write /nonexistent/s.png: No such file or directory"},
      {"--keys /dev/zero", "--headless --keys /dev/zero", 2, "larger than 1 MB: not a key script"},
  });
}

TEST_F(Hostile, Tessaline) {
  std::string many;
  for (int i = 0; i < 12; ++i) many += "100 key m\n";
  many += "100 key Escape\n";
  Write("many.keys", std::vector<uint8_t>(many.begin(), many.end()));
  Write("comments.keys", {'#', ' ', 'n', 'o', 'n', 'e', '\n'});
  Write("big.keys", std::vector<uint8_t>((1 << 20) + 1, '\n'));
  Run(TESSALINE_PROGRAM, {
      {"--keys /dev/zero", "--keys /dev/zero", 2, "tessaline: --keys /dev/zero: larger than 1 MB: not a key script"},
      {"a key script larger than 1 MB", "--keys big.keys", 2, "larger than 1 MB"},
      {"a folder as key script", "--keys c", 2, "tessaline: --keys c: Is a directory"},
      {"more keys at one time than the buffer holds: Escape still quits", "--keys many.keys", 0, ""},
      {"a script of comments only is accepted (the run then ends with the show: program.sh)",
       "--keys comments.keys --record x.mkv --seconds 0.2 --quiet", 0, "",
       [&] { EXPECT_TRUE(fs::exists(Path("x.mkv"))); }},
  });
}

}  // namespace
