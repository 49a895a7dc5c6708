// The export's pieces: frame timing, the ending key, PNG frames, the WAV's length.
#include "app/record.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/headless/input.h"
#include "tests/support/paths.h"
#include "tools/common/png_io.h"

namespace {

TEST(RecordTiming, FramesStepAndTheEndingKey) {
  RecordSettings s;
  EXPECT_EQ(RecordFrameCount(s), 2160);
  EXPECT_EQ(RecordFrameMicros(s), 16667u);
  s.fps = 25, s.seconds = 2.0;
  EXPECT_EQ(RecordFrameCount(s), 50);
  EXPECT_EQ(RecordFrameMicros(s), 40000u);
  // The key comes once the 50th frame has been shown, not before.
  std::vector<platform::InputScriptEvent> events;
  std::string error;
  ASSERT_TRUE(platform::ParseInputScript(RecordKeyScript(s), events, error)) << error;
  ASSERT_EQ(events.size(), 2u);  // press and release
  EXPECT_EQ(events[0].timeMs, 2000u);
  EXPECT_EQ(events[0].a, 0x01);  // Escape
  s.fps = 60, s.seconds = 1.0;
  ASSERT_TRUE(platform::ParseInputScript(RecordKeyScript(s), events, error)) << error;
  EXPECT_EQ(events[0].timeMs, 1001u);  // 60 x 16,667 us, rounded up
}

TEST(RecordTiming, PathsAndMuxCommand) {
  RecordSettings s;
  s.out = "/tmp/show";
  EXPECT_EQ(RecordFramePath(s, 0), "/tmp/show/frame00000.png");
  EXPECT_EQ(RecordFramePath(s, 2159), "/tmp/show/frame02159.png");
  EXPECT_EQ(RecordSoundPath(s), "/tmp/show/sound.wav");
  EXPECT_EQ(RecordMuxCommand(s),
            "ffmpeg -framerate 60 -i '/tmp/show/frame%05d.png' -i '/tmp/show/sound.wav' -c:v libx264 -pix_fmt yuv420p "
            "-crf 16 -c:a aac -b:a 192k -shortest '/tmp/show.mp4'");
  // Quotes close and reopen around an escaped one; '%' of the folder is not a pattern.
  s.out = "/tmp/it's 100%";
  EXPECT_EQ(RecordMuxCommand(s),
            "ffmpeg -framerate 60 -i '/tmp/it'\\''s 100%%/frame%05d.png' -i '/tmp/it'\\''s 100%/sound.wav' -c:v libx264 "
            "-pix_fmt yuv420p -crf 16 -c:a aac -b:a 192k -shortest '/tmp/it'\\''s 100%.mp4'");
}

class RecordFiles : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = testpaths::TempDir("record"); }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string dir_;
};

TEST_F(RecordFiles, IndexedFrameBecomesAPalettePngWithTheSameIndices) {
  platform::DDFrame frame;
  frame.width = 5, frame.height = 3, frame.pitch = 16;
  frame.format.flags = platform::DDPF_PALETTEINDEXED8 | platform::DDPF_RGB;
  frame.format.bitCount = 8;
  frame.pixels.assign(16 * 3, 0xEE);  // padding beyond the width must not show
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) frame.pixels[y * 16 + x] = static_cast<uint8_t>(y * 5 + x);
  for (int i = 0; i < 256; ++i) frame.palette[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), 7, 0};

  std::string path = dir_ + "/f.png", error;
  ASSERT_TRUE(WriteFramePng(path, frame, &error)) << error;
  PngImage png;
  ASSERT_TRUE(ReadPng(path, &png, &error)) << error;
  EXPECT_EQ(png.width, 5);
  EXPECT_EQ(png.height, 3);
  ASSERT_TRUE(png.indexed);
  ASSERT_EQ(png.indices.size(), 15u);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(png.indices[i], i);
  ASSERT_GE(png.palette.size(), 15u);
  EXPECT_EQ(png.palette[3].r, 3);
  EXPECT_EQ(png.palette[3].g, 252);
  EXPECT_EQ(png.palette[3].b, 7);

  // The same frame makes the same bytes.
  std::string again = dir_ + "/g.png";
  ASSERT_TRUE(WriteFramePng(again, frame, &error));
  EXPECT_EQ(testpaths::ReadText(path), testpaths::ReadText(again));
  // A frame that cannot be written is an error naming the file.
  EXPECT_FALSE(WriteFramePng(dir_ + "/missing/f.png", frame, &error));
  EXPECT_EQ(error, "cannot write " + dir_ + "/missing/f.png: No such file or directory");
}

TEST_F(RecordFiles, RgbFrameBecomesAnRgbPng) {
  platform::DDFrame frame;
  frame.width = 2, frame.height = 1, frame.pitch = 8;
  frame.format.flags = platform::DDPF_RGB;
  frame.format.bitCount = 16;
  frame.format.redMask = 0xF800, frame.format.greenMask = 0x07E0, frame.format.blueMask = 0x001F;
  frame.pixels = {0x00, 0xF8, 0x1F, 0x00, 0, 0, 0, 0};  // red, blue
  std::string path = dir_ + "/rgb.png", error;
  ASSERT_TRUE(WriteFramePng(path, frame, &error)) << error;
  PngImage png;
  ASSERT_TRUE(ReadPng(path, &png, &error)) << error;
  EXPECT_FALSE(png.indexed);
  ASSERT_EQ(png.rgba.size(), 2u);
  EXPECT_EQ(png.rgba[0].r, 248);
  EXPECT_EQ(png.rgba[0].b, 0);
  EXPECT_EQ(png.rgba[1].b, 248);
}


}  // namespace
