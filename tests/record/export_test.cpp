// The program's export, run as a user runs it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/record.h"
#include "audio/filestream.h"
#include "audio/mpeg/mpegstream.h"
#include "tests/support/paths.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Left-channel samples of a 16-bit stereo WAV as the headless sound writes it.
std::vector<int16_t> WavLeft(const std::string& path) {
  std::string bytes = ReadAll(path);
  std::vector<int16_t> left;
  for (std::size_t i = 44; i + 3 < bytes.size(); i += 4)
    left.push_back(static_cast<int16_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8));
  return left;
}

// The built soundtrack through the show's decoder, as DecodeSoundtrack reads it.
std::vector<int16_t> DecodedLeft(std::size_t frames) {
  sFileStream file;
  sMpegStream decoder;
  std::vector<int16_t> left;
  if (file.Open((testpaths::Build() + "/app/vo.mp3").c_str(), FileReadSeek) != 0) return left;
  int rate = 0, stereo = 0;
  if (decoder.Open(&file, &rate, &stereo, 1, 0, 0) == 0) {
    int16_t block[2304];
    while (left.size() < frames && decoder.Read(block, 4608) == 4608)
      for (int i = 0; i < 2304; i += 2) left.push_back(block[i]);
    decoder.Close();
  }
  file.Close();
  return left;
}

class Export : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = testpaths::TempDir("export"); }
  void TearDown() override { fs::remove_all(dir_); }
  // Runs the built program; its exit status.
  int Record(const std::string& sub, const std::string& args, const std::string& out = "") {
    std::string said = dir_ + "/" + (out.empty() ? sub : out) + ".out";
    std::string cmd = "'" + testpaths::Build() + "/app/tessaline' --record '" + dir_ + "/" + sub + "' " + args +
                      " >'" + said + "' 2>&1";
    int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string dir_;
};

TEST_F(Export, WritesTheFramesAndTheSoundAndSaysWhere) {
  ASSERT_EQ(Record("a", "--seconds 2 --fps 30"), 0) << ReadAll(dir_ + "/a.out");
  for (int i = 0; i < 60; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "frame%05d.png", i);
    EXPECT_TRUE(fs::exists(fs::path(dir_) / "a" / name)) << name;
  }
  EXPECT_FALSE(fs::exists(fs::path(dir_) / "a" / "frame00060.png"));
  EXPECT_EQ(fs::file_size(fs::path(dir_) / "a" / "sound.wav"), 44u + 2u * 44100u * 4u);
  std::string said = ReadAll(dir_ + "/a.out");
  EXPECT_NE(said.find("exported 60 frames at 30 per second and the sound to " + dir_ + "/a"), std::string::npos) << said;
  EXPECT_NE(said.find("ffmpeg -framerate 30 -i '" + dir_ + "/a/frame%05d.png'"), std::string::npos) << said;
}

// On the headless backend the sound starts with the first frame: the export's
// sound is the decoded soundtrack from its first sample.
TEST_F(Export, SoundIsTheSoundtrackFromTheFirstFrame) {
  ASSERT_EQ(Record("a", "--seconds 3 --fps 60"), 0) << ReadAll(dir_ + "/a.out");
  std::vector<int16_t> played = WavLeft(dir_ + "/a/sound.wav");
  std::vector<int16_t> decoded = DecodedLeft(3 * 44100);
  ASSERT_EQ(played.size(), 3u * 44100u);
  ASSERT_GE(decoded.size(), played.size());
  std::size_t differing = 0, loud = 0;
  for (std::size_t i = 0; i < played.size(); ++i) {
    differing += played[i] != decoded[i];
    loud += std::abs(played[i]) > 1000;
  }
  EXPECT_EQ(differing, 0u);
  EXPECT_GT(loud, 44100u);  // there is music in it, not silence
}

// R stops the sound and the next frame starts it again from its beginning.
TEST_F(Export, RestartStartsTheSoundAgainWithThePicture) {
  std::string keys = dir_ + "/keys", wav = dir_ + "/played.wav";
  std::ofstream(keys) << "1500 key r\n2500 key Escape\n";
  std::string cmd = "TESSALINE_SOUND_WAV='" + wav + "' '" + testpaths::Build() + "/app/tessaline' --keys '" + keys +
                    "' >'" + dir_ + "/r.out' 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << ReadAll(dir_ + "/r.out");
  std::vector<int16_t> played = WavLeft(wav);
  std::vector<int16_t> decoded = DecodedLeft(2 * 44100);
  ASSERT_GT(played.size(), 2u * 44100u);
  ASSERT_GE(decoded.size(), 44100u);
  // Before the restart: the soundtrack from its start.
  for (std::size_t i = 0; i < 66150; ++i) ASSERT_EQ(played[i], decoded[i]) << "frame " << i;
  // After it: the soundtrack from its start again, at the frame after the key.
  // The stretch compared is not silent, so only the true start matches.
  std::size_t audible = 0;
  for (std::size_t k = 4000; k < 8000; ++k) audible += decoded[k] != 0;
  ASSERT_GT(audible, 3000u);
  std::size_t restart = 0;
  for (std::size_t r = 66150; r < 66150 + 4410 && !restart; ++r) {
    bool same = true;
    for (std::size_t k = 4000; k < 8000 && same; ++k) same = played[r + k] == decoded[k];
    if (same) restart = r;
  }
  ASSERT_NE(restart, 0u) << "the sound did not start again within 100 ms of the key";
  double late = (restart - 66150) / 44.1;
  std::printf("sound restarted %.2f ms after the key's time\n", late);
  EXPECT_LE(late, 2 * 16.667 + 0.1);  // the key is read after a frame, the sound starts in the next
}

TEST_F(Export, TwoExportsAreByteIdentical) {
  ASSERT_EQ(Record("a", "--seconds 1.5 --fps 20"), 0) << ReadAll(dir_ + "/a.out");
  ASSERT_EQ(Record("b", "--seconds 1.5 --fps 20"), 0) << ReadAll(dir_ + "/b.out");
  int files = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(dir_) / "a")) {
    fs::path other = fs::path(dir_) / "b" / entry.path().filename();
    ASSERT_TRUE(fs::exists(other)) << other;
    EXPECT_TRUE(ReadAll(entry.path()) == ReadAll(other)) << entry.path().filename() << " differs";
    ++files;
  }
  EXPECT_EQ(files, 31);  // 30 frames and the sound
}

TEST_F(Export, UnwritableFolderIsRefused) {
  std::ofstream(dir_ + "/file") << "x";
  EXPECT_EQ(Record("file/sub", "--seconds 1", "refused"), 2);
  EXPECT_NE(ReadAll(dir_ + "/refused.out").find("cannot make the folder"), std::string::npos);
}

}  // namespace
