// The default show, end to end: headless, virtual clock stepping 1/60 s from 0.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "tests/e2e/show_run.h"
#include "tools/common/png_io.h"

namespace {

using e2e::FrameAt;
using e2e::RunShowtrace;

const char* const ContentHint =
    "the content pack differs from the one the goldens were made with: a different font, FreeType or "
    "generator build gives other pictures. Check that first; TESS_UPDATE_GOLDENS=1 rewrites the goldens.";

// CRC-32 of a 640 x 480 buffer of index 0.
uint32_t ZeroFrameCrc() {
  static const uint32_t crc = [] {
    uint32_t table[256];
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
      table[i] = c;
    }
    uint32_t c = ~0u;
    for (int i = 0; i < 640 * 480; ++i) c = table[c & 0xFF] ^ (c >> 8);
    return ~c;
  }();
  return crc;
}

// The golden's content line must match before any picture is compared.
bool SameContent(const e2e::ShowRun& run) {
  const std::string golden = e2e::ReadText(e2e::GoldenDir() + "/show.trace");
  const std::string first = golden.substr(0, golden.find('\n'));
  if (e2e::UpdateGoldens()) return true;
  EXPECT_EQ(first, run.content) << ContentHint;
  return first == run.content;
}

// A frame compared with its golden PNG; a mismatch leaves NAME-actual.png beside it.
void ComparePicture(const e2e::ShowRun& run, int t) {
  char name[32];
  std::snprintf(name, sizeof name, "frame_%05d.png", t);
  const std::string got = run.outDir + "/" + name, expected = e2e::GoldenDir() + "/" + name;
  if (e2e::UpdateGoldens()) {
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
  const e2e::ShowRun run = RunShowtrace("show", 41000, "", PictureTimes);
  ASSERT_EQ(0, run.status) << run.output.substr(0, 2000);
  ASSERT_FALSE(run.frames.empty());
  if (!SameContent(run)) return;

  const std::string golden = e2e::GoldenDir() + "/show.trace";
  if (e2e::UpdateGoldens()) {
    e2e::WriteText(golden, run.trace);
  } else {
    const std::string expected = e2e::ReadText(golden);
    if (expected != run.trace) {
      e2e::WriteText(golden + "-actual", run.trace);
      std::istringstream a(expected), b(run.trace);
      std::string la, lb;
      int line = 1;
      while (std::getline(a, la) && std::getline(b, lb) && la == lb) ++line;
      ADD_FAILURE() << "trace differs from " << golden << " first at line " << line << ":\n  expected: " << la
                    << "\n  actual:   " << lb << "\nwhole run in " << golden << "-actual";
    }
  }
  for (int t : PictureTimes) ComparePicture(run, t);
}

TEST(Show, StatedMomentsOfTheShow) {
  const e2e::ShowRun run = RunShowtrace("moments", 41000, "", {17800, 20000});
  ASSERT_EQ(0, run.status) << run.output.substr(0, 2000);
  EXPECT_EQ(2460u, run.frames.size()) << "frames 0 .. 2459 at 1/60 s";

  const e2e::TraceLine* f = FrameAt(run, 1000);
  ASSERT_NE(nullptr, f);
  EXPECT_DOUBLE_EQ(1000.0, f->time);
  EXPECT_EQ("3-5,34", f->layers);
  EXPECT_EQ(ZeroFrameCrc(), f->index) << "at 1000 ms the screen is index 0";

  f = FrameAt(run, 2000);
  ASSERT_NE(nullptr, f);
  EXPECT_DOUBLE_EQ(2000.0, f->time);
  EXPECT_EQ(0u, f->channels) << "exactly 2000.0 ms: between the windows";
  EXPECT_EQ("3,5,34", f->layers);
  EXPECT_EQ(2u, FrameAt(run, 2010)->channels);

  f = FrameAt(run, 20000);
  ASSERT_NE(nullptr, f);
  EXPECT_EQ("1,3,5,33,34", f->layers);
  // Fully revealed: the mask's window reaches down to row 450; halfway
  // through the reveal (17800 ms) it does not.
  auto windowPixels = [&](const char* file) {
    std::vector<uint8_t> px;
    EXPECT_TRUE(e2e::ReadIndices(run.outDir + "/" + file, &px));
    int n = 0;
    for (int x = 301; x < 640 && !px.empty(); ++x) n += px[450 * 640 + x] == 16 || px[450 * 640 + x] >= 64;
    return n;
  };
  EXPECT_GT(windowPixels("frame_20000.png"), 200);
  EXPECT_EQ(0, windowPixels("frame_17800.png"));

  // After 36 s nothing is drawn (MainLoop.EachBufferOfTheChainKeepsWhatItHeld
  // shows the buffers going round).
  f = FrameAt(run, 40000);
  ASSERT_NE(nullptr, f);
  EXPECT_EQ("3,5,34", f->layers);
  EXPECT_EQ(0u, f->channels);
}

TEST(Show, RestartAndProfilerKeys) {
  // Key times are the platform clock's; a key is read at the end of the last
  // frame before its time. M on at 15000, off at 16000, R at 20000.
  const e2e::ShowRun run =
      RunShowtrace("keys", 22000, "15000 key M\n16000 key M\n20000 key R\n", {14983, 15000});
  ASSERT_EQ(0, run.status) << run.output.substr(0, 2000);
  ASSERT_GT(run.frames.size(), 1300u);
  const e2e::TraceLine& restart = run.frames[1200];
  EXPECT_EQ(0.0, restart.time) << "the frame after R starts the show again";
  EXPECT_NEAR(19983.33, run.frames[1199].time, 0.01);
  // The first 100 frames come back (no blobs before 17.3 s), palette included.
  for (uint64_t k = 1; k <= 100; ++k) {
    const e2e::TraceLine& again = run.frames[1200 + k];
    EXPECT_DOUBLE_EQ(run.frames[k].time, again.time);
    EXPECT_EQ(run.frames[k].index, again.index) << "frame " << k << " after R";
    EXPECT_EQ(run.frames[k].palette, again.palette) << "frame " << k << " after R";
    if (HasFailure()) break;
  }
  // The bar is on the frame after the one that read M.
  std::vector<uint8_t> before, after;
  ASSERT_TRUE(e2e::ReadIndices(run.outDir + "/frame_14983.png", &before));
  ASSERT_TRUE(e2e::ReadIndices(run.outDir + "/frame_15000.png", &after));
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
    const std::string script = testing::TempDir() + "/keys-" + key + ".txt";
    e2e::WriteText(script, std::string("1500 key ") + key + "\n");
    std::string out;
    EXPECT_EQ(0, e2e::RunProgram("--keys " + script, &out)) << key << ": " << out;
  }
}

}  // namespace
