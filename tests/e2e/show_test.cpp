// The default show, end to end: headless, virtual clock stepping 1/60 s from 0.
#include <gtest/gtest.h>
#include <zlib.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include "tests/support/paths.h"
#include "tests/support/run.h"
#include "tools/common/png_io.h"

namespace {

using testpaths::ReadText;

const char* const ContentHint =
    "the content pack differs from the one the goldens were made with: a different font, FreeType or "
    "generator build gives other pictures. Check that first; TESS_UPDATE_GOLDENS=1 rewrites the goldens.";
const std::string GoldenDir = testpaths::Source() + "/tests/e2e/golden";
const char* const Update = std::getenv("TESS_UPDATE_GOLDENS");
const bool UpdateGoldens = Update && *Update && std::string(Update) != "0";

struct Frame {
  double time = 0;
  uint32_t channels = 0, index = 0;
  std::string layers, text;  // text: the line as printed
};
struct ShowRun {
  int status = -1;
  std::string output, trace, content, dir;  // content: the first line, the content pack's hash; dir: the PNGs
  std::vector<Frame> frames;
};

// showtrace with the build's v01.dat; `keys` is a key script (may be empty).
ShowRun RunShowtrace(const std::string& tag, long until, const std::string& keys, const std::vector<int>& pngTimes) {
  ShowRun run;
  run.dir = testpaths::TempDir("e2e-" + tag);
  std::string cmd = testpaths::Build() + "/tools/showtrace/showtrace --data " + testpaths::Build() + "/app --until " +
                    std::to_string(until) + " --out " + run.dir + " --trace " + run.dir + "/show.trace";
  if (!keys.empty()) testpaths::WriteFile(run.dir + "/keys.txt", keys), cmd += " --keys " + run.dir + "/keys.txt";
  for (size_t i = 0; i < pngTimes.size(); ++i) cmd += (i ? "," : " --png ") + std::to_string(pngTimes[i]);
  run.status = testpaths::Sh(cmd, &run.output);
  run.trace = ReadText(run.dir + "/show.trace");
  std::istringstream lines(run.trace);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("# content ", 0) == 0) run.content = line;
    Frame f;
    char layers[256] = {};
    unsigned long long frame = 0;
    unsigned palette = 0;
    if (std::sscanf(line.c_str(), "%llu %lf ch %x layers %255s idx %x pal %x", &frame, &f.time, &f.channels, layers,
                    &f.index, &palette) == 6)
      f.layers = layers, f.text = line, run.frames.push_back(f);
  }
  return run;
}

// The first traced frame at or after time t, or null.
const Frame* FrameAt(const ShowRun& run, double t) {
  for (const Frame& f : run.frames)
    if (f.time >= t - 1e-3) return &f;
  return nullptr;
}

// A palette PNG's indices (640 x 480; empty when it cannot be read).
std::vector<uint8_t> Indices(const std::string& path) {
  PngImage image;
  std::string error;
  if (!ReadPng(path, &image, &error) || !image.indexed) return {};
  return std::vector<uint8_t>(image.indices.begin(), image.indices.end());
}

// The golden's content line must match before any picture is compared.
bool SameContent(const ShowRun& run) {
  const std::string golden = ReadText(GoldenDir + "/show.trace");
  const std::string first = golden.substr(0, golden.find('\n'));
  if (UpdateGoldens) return true;
  EXPECT_EQ(first, run.content) << ContentHint;
  return first == run.content;
}

// A frame compared with its golden PNG; a mismatch leaves NAME-actual.png beside it.
void ComparePicture(const ShowRun& run, int t) {
  char name[32];
  std::snprintf(name, sizeof name, "frame_%05d.png", t);
  const std::string got = run.dir + "/" + name, expected = GoldenDir + "/" + name;
  if (UpdateGoldens) {
    std::filesystem::copy_file(got, expected, std::filesystem::copy_options::overwrite_existing);
    return;
  }
  PngImage a, b;
  std::string error;
  ASSERT_TRUE(ReadPng(got, &a, &error) && a.indexed) << got << ": " << error;
  ASSERT_TRUE(ReadPng(expected, &b, &error) && b.indexed) << "no golden " << expected << " (TESS_UPDATE_GOLDENS=1 makes it)";
  bool same = a.indices == b.indices && a.palette.size() == b.palette.size();
  for (size_t i = 0; same && i < a.palette.size(); ++i)
    same = a.palette[i].r == b.palette[i].r && a.palette[i].g == b.palette[i].g && a.palette[i].b == b.palette[i].b;
  if (!same) {
    const std::string actual = expected.substr(0, expected.size() - 4) + "-actual.png";
    std::filesystem::copy_file(got, actual, std::filesystem::copy_options::overwrite_existing);
    ADD_FAILURE() << "frame at " << t << " ms differs from " << expected << "; see " << actual;
  }
}

const std::vector<int> PictureTimes = {1000, 5000, 8000, 12000, 16000, 20000, 23500, 26000};

TEST(Show, WholeRunTraceAndPictures) {
  std::vector<int> times = PictureTimes;
  times.push_back(17800);
  const ShowRun run = RunShowtrace("show", 41000, "", times);
  ASSERT_EQ(0, run.status) << run.output.substr(0, 2000);
  // Moments any golden must keep: frames 0 .. 2459 at 1/60 s, a screen of index 0 at 1 s, channel
  // windows that exclude their ends (2000 ms lies between two), the effect at 20 s, nothing after 36 s.
  EXPECT_EQ(2460u, run.frames.size());
  const std::vector<uint8_t> zero(640 * 480);
  EXPECT_EQ(crc32(0, zero.data(), static_cast<uInt>(zero.size())), FrameAt(run, 1000)->index);
  const struct { double t; uint32_t channels; const char* layers; } moments[] = {{1000, 1, "3-5,34"},
      {2000, 0, "3,5,34"}, {2010, 2, "0,3,5-32,34"}, {20000, 0x14, "1,3,5,33,34"}, {40000, 0, "3,5,34"}};
  for (const auto& m : moments) {
    const Frame* f = FrameAt(run, m.t);
    ASSERT_NE(nullptr, f);
    EXPECT_NEAR(m.t, f->time, 17);
    EXPECT_EQ(m.channels, f->channels) << m.t;
    EXPECT_EQ(m.layers, f->layers) << m.t;
  }
  // Fully revealed, the mask's window reaches row 450; halfway through the reveal (17.8 s) it does not.
  auto windowPixels = [&](const char* file) {
    const std::vector<uint8_t> px = Indices(run.dir + "/" + file);
    EXPECT_EQ(640u * 480, px.size()) << file;
    int n = 0;
    for (int x = 301; x < 640 && !px.empty(); ++x) n += px[450 * 640 + x] == 16 || px[450 * 640 + x] >= 64;
    return n;
  };
  EXPECT_GT(windowPixels("frame_20000.png"), 200);
  EXPECT_EQ(0, windowPixels("frame_17800.png"));
  if (!SameContent(run)) return;
  const std::string golden = GoldenDir + "/show.trace";
  if (UpdateGoldens) {
    testpaths::WriteFile(golden, run.trace);
  } else if (const std::string expected = ReadText(golden); expected != run.trace) {
    testpaths::WriteFile(golden + "-actual", run.trace);
    std::istringstream a(expected), b(run.trace);
    std::string la, lb;
    int line = 1;
    while (std::getline(a, la) && std::getline(b, lb) && la == lb) ++line;
    ADD_FAILURE() << "trace differs from " << golden << " first at line " << line << ":\n  expected: " << la
                  << "\n  actual:   " << lb << "\nwhole run in " << golden << "-actual";
  }
  for (int t : PictureTimes) ComparePicture(run, t);
}

TEST(Show, RestartAndProfilerKeys) {
  // Key times are the platform clock's; a key is read at the end of the last
  // frame before its time. M on at 15000, off at 16000, R at 20000.
  const ShowRun run = RunShowtrace("keys", 22000, "15000 key M\n16000 key M\n20000 key R\n", {14983, 15000});
  ASSERT_EQ(0, run.status) << run.output.substr(0, 2000);
  ASSERT_GT(run.frames.size(), 1300u);
  EXPECT_EQ(0.0, run.frames[1200].time) << "the frame after R starts the show again";
  EXPECT_NEAR(19983.33, run.frames[1199].time, 0.01);
  // The first 100 frames come back (no blobs before 17.3 s), palette included.
  for (uint64_t k = 1; k <= 100; ++k)
    ASSERT_EQ(run.frames[k].text.substr(6), run.frames[1200 + k].text.substr(6)) << "frame " << k << " after R";
  // The bar is on the frame after the one that read M.
  const std::vector<uint8_t> before = Indices(run.dir + "/frame_14983.png");
  const std::vector<uint8_t> after = Indices(run.dir + "/frame_15000.png");
  ASSERT_TRUE(before.size() == 640 * 480 && after.size() == 640 * 480);
  // Its horizontal line at y = 464 runs from x = 10 to 423 (one frame of 16.7 ms of 25).
  EXPECT_NE(15, before[464 * 640 + 200]);
  EXPECT_EQ(15, after[464 * 640 + 200]);
  EXPECT_EQ(15, after[464 * 640 + 423]);
  EXPECT_NE(15, after[464 * 640 + 424]);
  EXPECT_EQ(15, after[459 * 640 + 10]) << "the vertical line at x = 10";
  EXPECT_EQ(0, after[467 * 640 + 200]) << "index 0: the stretch from the present to the next frame";
}

// (Mouse buttons ending the run only as a pair: MainLoop.ShowTimeClampAndKeysThatAct.)
TEST(Show, EscapeAndSpaceEndTheProgramWithStatusZero) {
  for (const char* key : {"Escape", "Space"}) {
    std::string script = testing::TempDir() + "/keys-" + key + ".txt", out;
    testpaths::WriteFile(script, std::string("1500 key ") + key + "\n");
    EXPECT_EQ(0, testpaths::RunProgram("--keys " + script, &out)) << key << ": " << out;
  }
}

}  // namespace
