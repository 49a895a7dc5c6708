// The mpegdec tool: WAV output, tags and junk before the first frame, the
// reference comparison, errors.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "tests/mpeg/helpers.h"
#include "tests/support/paths.h"

using namespace mpegtest;

namespace {

std::string Tool() { return testpaths::Build() + "/tools/mpegdec/mpegdec"; }

std::string Capture(const std::string& command, int* status) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buf[512];
  while (size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
  *status = pclose(p);
  return out;
}

}  // namespace

TEST(Mpegdec, WritesAWaveFileAndSkipsTagsAndJunk) {
  std::string dir = testpaths::TempDir("mpegdec");
  auto bytes = ReadFile(Conformance("l3-si.mp3"));
  // An ID3 version 2.4 tag (which the decoder itself refuses) and junk.
  std::vector<uint8_t> tagged = {'I', 'D', '3', 4, 0, 0, 0, 0, 1, 0};  // 128 bytes of tag
  tagged.insert(tagged.end(), 128, 0xFF);
  tagged.insert(tagged.end(), {0, 1, 2, 3, 0xFF, 0x00});
  tagged.insert(tagged.end(), bytes.begin(), bytes.end());
  WriteFile(dir + "/tagged.mp3", tagged);
  int status = -1;
  std::string info = Capture(Tool() + " --info " + dir + "/tagged.mp3 " + dir + "/out.wav", &status);
  EXPECT_EQ(status, 0) << info;
  EXPECT_NE(info.find("MPEG-1 Layer 3, 44100 Hz, 1 channel"), std::string::npos) << info;
  EXPECT_NE(info.find("first frame at byte 144"), std::string::npos) << info;
  auto wav = ReadFile(dir + "/out.wav");
  ASSERT_GT(wav.size(), 44u);
  EXPECT_EQ(std::memcmp(wav.data(), "RIFF", 4), 0);
  EXPECT_EQ(std::memcmp(wav.data() + 8, "WAVEfmt ", 8), 0);
  auto direct = DecodeFile(Conformance("l3-si.mp3"));
  ASSERT_EQ(wav.size() - 44, direct.pcm.size());
  EXPECT_EQ(std::memcmp(wav.data() + 44, direct.pcm.data(), direct.pcm.size()), 0);
}

TEST(Mpegdec, ComparesWithAReference) {
  int status = -1;
  std::string out = Capture(Tool() + " --float --iso-window " + Conformance("l3-compl.mp3") +
                                " --ref " + Conformance("l3-compl.pcm"),
                            &status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(out.find("offset 0, 248832 sample frames"), std::string::npos) << out;
  EXPECT_NE(out.find("full accuracy"), std::string::npos) << out;
  out = Capture(Tool() + " " + Conformance("l3-compl.mp3") + " --ref " + Conformance("l3-compl.pcm"), &status);
  EXPECT_NE(out.find("limited accuracy"), std::string::npos) << out;
}

TEST(Mpegdec, FailsClearly) {
  int status = 0;
  std::string out = Capture(Tool() + " /nonexistent/file.mp3 2>&1", &status);
  EXPECT_NE(status, 0);
  EXPECT_NE(out.find("cannot read"), std::string::npos) << out;
  out = Capture(Tool() + " " + Conformance("damaged/l3-nonstandard-small.bit") + " 2>&1", &status);
  EXPECT_NE(status, 0);
  EXPECT_NE(out.find("no MPEG audio frame"), std::string::npos) << out;
  out = Capture(Tool() + " --channels 3 x.mp3 2>&1", &status);
  EXPECT_NE(status, 0);
}
