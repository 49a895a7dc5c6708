// The mpegdec tool: WAV output, tags and junk before the first frame, the
// reference comparison, errors.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include "tests/mpeg/helpers.h"
#include "tests/support/paths.h"
using namespace mpegtest;
namespace {
std::string Tool() { return testpaths::Build() + "/tools/mpegdec/mpegdec"; }
bool Same(const std::vector<uint8_t>& a, size_t from, const std::vector<uint8_t>& b, size_t bytes) {
  return a.size() >= from + bytes && b.size() >= bytes && std::memcmp(a.data() + from, b.data(), bytes) == 0;
}
}  // namespace
TEST(Mpegdec, WritesAWaveFileAndSkipsTagsAndJunk) {
  std::string dir = testpaths::TempDir("mpegdec");
  auto bytes = ReadFile(Conformance("l3-si.mp3"));
  WriteFile(dir + "/tagged.mp3",
            Cat({Id3Header("ID3", 4, 0, 128), std::vector<uint8_t>(128, 0xFF), {0, 1, 2, 3, 0xFF, 0x00}, bytes}));
  int status = -1;
  std::string info = Capture(Tool() + " --info " + dir + "/tagged.mp3 " + dir + "/out.wav", &status);
  EXPECT_EQ(status, 0) << info;
  EXPECT_NE(info.find("MPEG-1 Layer 3, 44100 Hz, 1 channel"), std::string::npos) << info;
  EXPECT_NE(info.find("first frame at byte 144"), std::string::npos) << info;
  // Gaplessly, without an Info frame: the library's output less the end-of-stream
  // flush (the raw output: Encodes).
  auto direct = DecodeFile(Conformance("l3-si.mp3")).pcm, wav = ReadFile(dir + "/out.wav");
  ASSERT_GT(wav.size(), 44u);
  EXPECT_TRUE(Same(wav, 0, Text("RIFF"), 4) && Same(wav, 8, Text("WAVEfmt "), 8));
  EXPECT_EQ(wav[40] | wav[41] << 8 | wav[42] << 16 | wav[43] << 24, int(wav.size()) - 44);
  EXPECT_EQ(wav.size() - 44, direct.size() - 2304);
  EXPECT_TRUE(Same(wav, 44, direct, direct.size() - 2304));
}
TEST(Mpegdec, ComparesWithAReference) {
  int status = -1;
  std::string args = Conformance("l3-compl.mp3") + " --ref " + Conformance("l3-compl.pcm");
  std::string out = Capture(Tool() + " --float --iso-window " + args, &status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(out.find("offset 0, 248832 sample frames"), std::string::npos) << out;
  EXPECT_NE(out.find("full accuracy"), std::string::npos) << out;
  out = Capture(Tool() + " " + args, &status);
  EXPECT_NE(out.find("limited accuracy"), std::string::npos) << out;
}
// One line naming the file and the reason; status 1 for bad data, 2 for bad
// usage; an existing output file survives a failed decode.
TEST(Mpegdec, FailsClearly) {
  std::string dir = testpaths::TempDir("mpegdec-fail");
  std::string song = Conformance("l3-si.mp3");
  WriteFile(dir + "/keep.wav", {'k', 'e', 'e', 'p'});
  struct sCase {
    std::string args;
    int status;
    const char* says;
  } cases[] = {
      {"/nonexistent/file.mp3 " + dir + "/keep.wav", 1, "/nonexistent/file.mp3: No such file or directory"},
      {dir + " " + dir + "/keep.wav", 1, ": is a folder"},
      {"/dev/zero " + dir + "/keep.wav", 1, "/dev/zero: no MPEG audio frame found"},
      {Conformance("damaged/l3-nonstandard-small.bit") + " " + dir + "/keep.wav", 1, "no MPEG audio frame found"},
      {Conformance("l3-he_free.mp3") + " " + dir + "/keep.wav", 1, "free-format streams are not supported"},
      {song + " " + dir + "/no/such/folder.wav", 1, "cannot write: No such file or directory"},
      {song + " " + dir, 1, "cannot write: is a folder"},
      {song + " " + song, 2, "OUTPUT is the INPUT file"},
      {"--channels 3 " + song, 2, "--channels"},
      {"--volume abc " + song, 2, "--volume"},
      {"--downshift 3 " + song, 2, "--downshift"},
      {"--start -1 " + song, 2, "--start"},
      {"--start=soon " + song, 2, "--start"},
      {"--no-gapless=1 " + song, 2, "--no-gapless"},
  };
  auto before = ReadFile(song);
  for (const sCase& c : cases) {
    int status = 0;
    std::string out = Capture(Tool() + " " + c.args + " 2>&1", &status);
    EXPECT_EQ(WEXITSTATUS(status), c.status) << c.args << ": " << out;
    EXPECT_NE(out.find(c.says), std::string::npos) << c.args << ": " << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
  }
  EXPECT_EQ(ReadFile(dir + "/keep.wav"), std::vector<uint8_t>({'k', 'e', 'e', 'p'}));
  EXPECT_EQ(ReadFile(song), before);
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir)) files += e.is_regular_file();
  EXPECT_EQ(files, 1) << "a partial output was left behind";
}
// Standard input and output are pipes; PCM flows while the input is still
// open (a trickle of junk keeps it so), so nothing waits for the whole input.
TEST(Mpegdec, StreamsFromAPipeToAPipe) {
  std::string song = Conformance("l3-compl.mp3");
  int status = 0;
  std::string file = Capture(Tool() + " " + song + " -", &status);
  ASSERT_EQ(status, 0);
  ASSERT_GT(file.size(), 400000u);
  std::string piped = Capture("timeout 20 sh -c '(cat " + song + "; while printf x; do sleep 0.1; done) | " + Tool() +
                              " - - | head -c " + std::to_string(file.size() / 2) + "'");
  EXPECT_TRUE(piped == file.substr(0, file.size() / 2)) << piped.size() << " bytes before the input closed";
  // Reports go to stderr when PCM goes to stdout.
  std::string said = Capture(Tool() + " --info " + song + " - 2>&1 >/dev/null", &status);
  EXPECT_NE(said.find("MPEG-1 Layer 3"), std::string::npos) << said;
}
