// The mpegdec tool: WAV output, tags and junk before the first frame, the
// reference comparison, errors.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>
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
  Capture(Tool() + " --no-gapless " + dir + "/tagged.mp3 " + dir + "/raw.wav", &status);
  EXPECT_EQ(status, 0);
  // The library's own output, and gaplessly, without an Info frame, the
  // same less the end-of-stream flush.
  auto direct = DecodeFile(Conformance("l3-si.mp3")).pcm;
  auto raw = ReadFile(dir + "/raw.wav"), wav = ReadFile(dir + "/out.wav");
  ASSERT_GT(wav.size(), 44u);
  EXPECT_TRUE(Same(wav, 0, Text("RIFF"), 4) && Same(wav, 8, Text("WAVEfmt "), 8));
  EXPECT_EQ(wav[40] | wav[41] << 8 | wav[42] << 16 | wav[43] << 24, int(wav.size()) - 44);
  EXPECT_EQ(raw.size() - 44, direct.size());
  EXPECT_TRUE(Same(raw, 44, direct, direct.size()));
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
namespace {
// Runs the tool with a pipe on each side; feeds `input` and keeps its side
// open until `before` bytes of output have come (or 20 s passed), then
// closes it. Returns all the output and how much came before the close.
std::string Piped(const std::string& args, const std::vector<uint8_t>& input, size_t before, size_t* early) {
  int in[2], out[2];
  if (pipe(in) != 0 || pipe(out) != 0) return "";
  std::string command = Tool() + " " + args;
  pid_t child = fork();
  if (child == 0) {
    dup2(in[0], 0), dup2(out[1], 1), close(in[1]), close(out[0]);
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(in[0]), close(out[1]);
  std::thread feeder([&] {
    for (size_t done = 0; done < input.size();) {
      ssize_t n = write(in[1], input.data() + done, input.size() - done);
      if (n <= 0) break;
      done += size_t(n);
    }
  });
  std::string got;
  char buf[65536];
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (got.size() < before && std::chrono::steady_clock::now() < until) {
    pollfd p = {out[0], POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    ssize_t n = read(out[0], buf, sizeof buf);
    if (n <= 0) break;
    got.append(buf, size_t(n));
  }
  *early = got.size();
  feeder.join();
  close(in[1]);
  for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;) got.append(buf, size_t(n));
  close(out[0]);
  waitpid(child, nullptr, 0);
  return got;
}
}  // namespace
// Standard input and output are pipes; PCM flows while the input is still
// open, so nothing waits for (or holds) the whole input.
TEST(Mpegdec, StreamsFromAPipeToAPipe) {
  std::string song = Conformance("l3-compl.mp3");
  int status = 0;
  std::string file = Capture(Tool() + " " + song + " -", &status);
  ASSERT_EQ(status, 0);
  ASSERT_GT(file.size(), 400000u);
  size_t early = 0;
  std::string piped = Piped("- -", ReadFile(song), file.size() / 2, &early);
  EXPECT_TRUE(piped == file) << piped.size() << " bytes, not " << file.size();
  EXPECT_GE(early, file.size() / 2) << "no output before the input closed";
  // Reports go to stderr when PCM goes to stdout.
  std::string said = Capture(Tool() + " --info " + song + " - 2>&1 >/dev/null", &status);
  EXPECT_NE(said.find("MPEG-1 Layer 3"), std::string::npos) << said;
}
