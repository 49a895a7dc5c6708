// The export's pieces: the command it prints, the PNG frames.
#include "app/record.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "tests/support/temp_folder.h"
#include "tools/common/png_io.h"

namespace {

// (Frame counts, the ending key's time and the file names: tests/record/export_test.cpp.)
TEST(RecordTiming, MuxCommand) {
  RecordSettings s;
  // Quotes close and reopen around an escaped one; '%' of the folder is not a pattern.
  s.out = "/tmp/it's 100%";
  EXPECT_EQ(RecordMuxCommand(s),
            "ffmpeg -framerate 60 -i '/tmp/it'\\''s 100%%/frame%05d.png' -i '/tmp/it'\\''s 100%/sound.wav' -c:v libx264 "
            "-pix_fmt yuv420p -crf 16 -c:a aac -b:a 192k -shortest '/tmp/it'\\''s 100%.mp4'");
}

using RecordFiles = TempFolder;

TEST_F(RecordFiles, FramesBecomePngsWithTheSameIndicesOrColours) {
  platform::DDFrame frame;
  frame.width = 5, frame.height = 3, frame.pitch = 16;
  frame.format.flags = platform::DDPF_PALETTEINDEXED8 | platform::DDPF_RGB;
  frame.format.bitCount = 8;
  frame.pixels.assign(16 * 3, 0xEE);  // padding beyond the width must not show
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) frame.pixels[y * 16 + x] = static_cast<uint8_t>(y * 5 + x);
  for (int i = 0; i < 256; ++i) frame.palette[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), 7, 0};
  std::string error;
  ASSERT_TRUE(WriteFramePng(Path("f.png"), frame, &error)) << error;
  PngImage png;
  ASSERT_TRUE(ReadPng(Path("f.png"), &png, &error)) << error;
  ASSERT_TRUE(png.indexed && png.width == 5 && png.height == 3 && png.palette.size() >= 15);
  std::vector<uint8_t> indices(15);
  for (int i = 0; i < 15; ++i) indices[i] = static_cast<uint8_t>(i);
  EXPECT_EQ(indices, std::vector<uint8_t>(png.indices.begin(), png.indices.end()));
  EXPECT_EQ((std::vector<int>{3, 252, 7}), (std::vector<int>{png.palette[3].r, png.palette[3].g, png.palette[3].b}));
  // The same frame makes the same bytes; a frame that cannot be written is an error naming the file.
  ASSERT_TRUE(WriteFramePng(Path("g.png"), frame, &error));
  EXPECT_EQ(Read(Path("f.png")), Read(Path("g.png")));
  EXPECT_FALSE(WriteFramePng(Path("missing/f.png"), frame, &error));
  EXPECT_EQ(error, "cannot write " + Path("missing/f.png") + ": No such file or directory");
  // A 0565 frame becomes an RGB PNG: red, blue.
  frame.width = 2, frame.height = 1, frame.pitch = 8;
  frame.format.flags = platform::DDPF_RGB;
  frame.format.bitCount = 16;
  frame.format.redMask = 0xF800, frame.format.greenMask = 0x07E0, frame.format.blueMask = 0x001F;
  frame.pixels = {0x00, 0xF8, 0x1F, 0x00, 0, 0, 0, 0};
  ASSERT_TRUE(WriteFramePng(Path("rgb.png"), frame, &error)) << error;
  ASSERT_TRUE(ReadPng(Path("rgb.png"), &png, &error)) << error;
  ASSERT_FALSE(png.indexed);
  ASSERT_EQ(png.rgba.size(), 2u);
  EXPECT_EQ((std::vector<int>{248, 0, 248}), (std::vector<int>{png.rgba[0].r, png.rgba[0].b, png.rgba[1].b}));
}

}  // namespace
