// The program's export, run as a user runs it.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include "app/record.h"
#include "audio/filestream.h"
#include "audio/mpeg/mpegstream.h"
#include "tests/support/paths.h"
#include "tests/support/run.h"
#include "tools/common/png_io.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) { return testpaths::ReadText(path.string()); }

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
  std::string Program() const { return testpaths::Quote(testpaths::Build() + "/app/tessaline"); }
  // The built program exporting to `target` in the folder; its exit status, what it said in said_.
  int Record(const std::string& target, const std::string& args) {
    return testpaths::Sh(Program() + " --record " + testpaths::Quote(dir_ + "/" + target) + " " + args, &said_);
  }
  int Shell(const std::string& line) { return testpaths::Sh(line, &said_); }
  // ffprobe's flat report of a file's streams, frames counted.
  std::string Probe(const std::string& path) {
    std::string said;
    testpaths::Sh("ffprobe -v error -count_frames -show_entries "
                  "stream=codec_type,codec_name,width,height,nb_read_frames,sample_rate,channels -of flat " +
                      testpaths::Quote(path),
                  &said);
    return said;
  }
  // Files of a folder, by name.
  std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string dir_, said_;
};

// On the headless backend the sound starts with the first frame: the export's
// sound is the decoded soundtrack from its first sample.
TEST_F(Export, WritesTheFramesAndTheSoundtrackFromTheFirstFrameAndSaysWhere) {
  ASSERT_EQ(Record("a", "--seconds 3 --fps 30"), 0) << said_;
  const std::vector<std::string> names = Names(dir_ + "/a");
  ASSERT_EQ(names.size(), 91u);
  EXPECT_EQ(names[0], "frame00000.png");
  EXPECT_EQ(names[89], "frame00089.png");
  EXPECT_SAYS(said_, "exported 90 frames at 30 per second and the sound to " + dir_ + "/a");
  EXPECT_SAYS(said_, "ffmpeg -framerate 30 -i '" + dir_ + "/a/frame%05d.png'");
  EXPECT_EQ(fs::file_size(fs::path(dir_) / "a" / "sound.wav"), 44u + 3u * 44100u * 4u);
  std::vector<int16_t> played = WavLeft(dir_ + "/a/sound.wav"), decoded = DecodedLeft(3 * 44100);
  ASSERT_EQ(played.size(), 3u * 44100u);
  ASSERT_GE(decoded.size(), played.size());
  std::size_t differing = 0, loud = 0;
  for (std::size_t i = 0; i < played.size(); ++i)
    differing += played[i] != decoded[i], loud += std::abs(played[i]) > 1000;
  EXPECT_EQ(differing, 0u);
  EXPECT_GT(loud, 44100u);  // there is music in it, not silence
}

// R stops the sound and the next frame starts it again from its beginning.
TEST_F(Export, RestartStartsTheSoundAgainWithThePicture) {
  std::string keys = dir_ + "/keys", wav = dir_ + "/played.wav";
  std::ofstream(keys) << "1500 key r\n2500 key Escape\n";
  ASSERT_EQ(Shell("TESSALINE_SOUND_WAV='" + wav + "' " + Program() + " --keys '" + keys + "'"), 0) << said_;
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

// sox's estimate of the dominant frequency of a WAV's left channel.
int RoughFrequency(const std::string& wav) {
  std::string text;
  if (testpaths::Sh("sox '" + wav + "' -n remix 1 stat", &text) != 0) return -1;
  const std::size_t at = text.find("Rough   frequency:");
  return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + 18);
}

// Soundtracks of the kinds people bring, through the show's own path: each
// plays at its pitch (a 440 Hz tone comes out at 440 Hz) from its first sample.
TEST_F(Export, SoundtracksOfOtherKindsPlayAtTheirPitch) {
  if (Shell("command -v lame && command -v sox") != 0) GTEST_SKIP() << "lame or sox missing";
  struct sCase {
    const char* name;
    int rate, channels;
    const char* encoder;  // the source WAV and the MP3 follow
  } cases[] = {
      {"48 kHz, lame's ID3v2.3 tag", 48000, 2, "lame --quiet --tt Title"},
      {"32 kHz", 32000, 2, "lame --quiet"},
      {"22.05 kHz mono", 22050, 1, "lame --quiet -m m"},
      {"44.1 kHz, ffmpeg's ID3v2.4 tag", 44100, 2, "ffmpeg -loglevel error -y -i"},
  };
  int n = 0;
  for (const sCase& c : cases) {
    std::string data = dir_ + "/data" + std::to_string(n), out = "out" + std::to_string(n++);
    fs::create_directories(data);
    fs::copy_file(testpaths::Build() + "/app/v01.dat", data + "/v01.dat");
    const std::string wav = "'" + data + "/tone.wav'";
    ASSERT_EQ(Shell("sox -R -q -n -r " + std::to_string(c.rate) + " -c " + std::to_string(c.channels) + " " + wav +
                    " synth 3 sine 440 vol 0.5 && " + c.encoder + " " + wav + " '" + data + "/vo.mp3'"),
              0)
        << c.name << said_;
    ASSERT_EQ(Record(out, "--seconds 2 --fps 10 --data '" + data + "'"), 0) << c.name << said_;
    std::string sound = dir_ + "/" + out + "/sound.wav";
    std::vector<int16_t> played = WavLeft(sound);
    ASSERT_EQ(played.size(), 2u * 44100u) << c.name;
    int loud = 0;
    for (std::size_t i = 44100 / 2; i < played.size(); ++i) loud += std::abs(played[i]) > 8000;
    EXPECT_GT(loud, 44100 / 4) << c.name << ": silent";
    int hz = RoughFrequency(sound);
    std::printf("%-32s sound.wav: %d Hz\n", c.name, hz);
    EXPECT_NEAR(hz, 440, 4) << c.name;
  }
}

TEST_F(Export, VideoFilesHoldEveryFrameAndTheSound) {
  struct Case { const char *name, *video, *audio, *rate; };
  for (const Case& c : {Case{"show.mp4", "h264", "aac", "44100"}, Case{"show.webm", "vp9", "opus", "48000"},
                        Case{"SHOW.MKV", "ffv1", "flac", "44100"}}) {
    ASSERT_EQ(Record(c.name, "--seconds 0.5 --fps 30"), 0) << said_;
    EXPECT_SAYS(said_, "exported 15 frames at 30 per second with the sound to " + dir_ + "/" + c.name);
    std::string probe = Probe(dir_ + "/" + c.name);
    for (const std::string& want :
         {std::string("0.codec_name=\"") + c.video, std::string("0.width=640"), std::string("0.height=480"),
          std::string("0.nb_read_frames=\"15\""), std::string("1.codec_type=\"audio\""),
          std::string("1.codec_name=\"") + c.audio, std::string("1.sample_rate=\"") + c.rate, std::string("1.channels=2")})
      EXPECT_SAYS(probe, want) << c.name;
  }
  // Nothing but the videos and the program's words: no temporary file is left.
  EXPECT_EQ(Names(dir_), (std::vector<std::string>{"SHOW.MKV", "show.mp4", "show.webm"}));
}

// The lossless video is the folder export: the same pictures, the same sound.
TEST_F(Export, LosslessVideoDecodesToTheFolderExport) {
  ASSERT_EQ(Record("frames", "--seconds 0.5 --fps 30"), 0) << said_;
  ASSERT_EQ(Record("show.mkv", "--seconds 0.5 --fps 30"), 0) << said_;
  ASSERT_EQ(Shell("ffmpeg -v error -i '" + dir_ + "/show.mkv' -map 0:v -f rawvideo -pix_fmt rgb24 '" + dir_ +
                  "/video.rgb' -map 0:a -f s16le '" + dir_ + "/sound.pcm'"), 0);
  const std::string video = ReadAll(dir_ + "/video.rgb");
  ASSERT_EQ(video.size(), 15u * 640 * 480 * 3);
  for (int i = 0; i < 15; ++i) {
    PngImage png;
    std::string error;
    char name[32];
    std::snprintf(name, sizeof name, "/frames/frame%05d.png", i);
    ASSERT_TRUE(ReadPng(dir_ + name, &png, &error)) << error;
    size_t differing = 0;
    for (size_t p = 0; p < png.rgba.size(); ++p) {
      const char* v = video.data() + (static_cast<size_t>(i) * 640 * 480 + p) * 3;
      differing += static_cast<uint8_t>(v[0]) != png.rgba[p].r || static_cast<uint8_t>(v[1]) != png.rgba[p].g ||
                   static_cast<uint8_t>(v[2]) != png.rgba[p].b;
    }
    EXPECT_EQ(differing, 0u) << "frame " << i;
  }
  const std::string wav = ReadAll(dir_ + "/frames/sound.wav");
  EXPECT_TRUE(ReadAll(dir_ + "/sound.pcm") == wav.substr(44)) << "the sound differs";
}

// The printed command runs as printed, on a folder named with a quote and a '%'.
TEST_F(Export, MuxCommandWorksOnAnyFolderName) {
  ASSERT_EQ(Record("it's 100%", "--seconds 0.5 --fps 30"), 0) << said_;
  const size_t at = said_.find("  ffmpeg ");
  ASSERT_NE(at, std::string::npos) << said_;
  const std::string command = said_.substr(at + 2, said_.find('\n', at) - at - 2);
  ASSERT_EQ(Shell(command + " -v error"), 0) << command << "\n" << said_;
  EXPECT_SAYS(Probe(dir_ + "/it's 100%.mp4"), "nb_read_frames=\"15\"");
}

// A progress line only where a person watches: on a terminal, and not with --quiet.
TEST_F(Export, ProgressOnlyOnATerminal) {
  ASSERT_EQ(Shell("script -qec \"" + Program() + " --record '" + dir_ + "/t.mkv' --seconds 0.5\" /dev/null"), 0);
  EXPECT_SAYS(said_, "\rtessaline: frame 30 of 30, ");
  EXPECT_SAYS(said_, " left\033[K");
  ASSERT_EQ(Record("p", "--seconds 0.5"), 0);
  EXPECT_EQ(said_.find("frames/s"), std::string::npos);
  ASSERT_EQ(Shell("script -qec \"" + Program() + " --quiet --record '" + dir_ + "/q.mkv' --seconds 0.5\" /dev/null"),
            0);
  EXPECT_EQ(said_, "");
}

// A folder export replaces only an earlier export of ours, and whole.
TEST_F(Export, FolderOfOtherFilesIsRefusedUntouchedAnEarlierExportReplacedWhole) {
  std::ofstream(dir_ + "/file") << "x";
  EXPECT_EQ(Record("file/sub", "--seconds 1"), 1);
  EXPECT_SAYS(said_, "cannot make the folder");
  fs::create_directory(dir_ + "/d");
  std::ofstream(dir_ + "/d/notes.txt") << "mine";
  std::ofstream(dir_ + "/d/frame00000.png") << "old";
  EXPECT_EQ(Record("d", "--seconds 0.5"), 1);
  EXPECT_SAYS(said_, "holds \"notes.txt\", which no export makes");
  EXPECT_EQ(Names(dir_ + "/d"), (std::vector<std::string>{"frame00000.png", "notes.txt"}));
  EXPECT_EQ(ReadAll(dir_ + "/d/frame00000.png"), "old");
  ASSERT_EQ(Record("e", "--seconds 1 --fps 20"), 0);
  ASSERT_EQ(Record("e", "--seconds 0.5 --fps 20"), 0) << said_;
  const std::vector<std::string> names = Names(dir_ + "/e");
  ASSERT_EQ(names.size(), 11u);  // ten frames and the sound: no frame of the first run, no lock file
  EXPECT_EQ(names[9], "frame00009.png");
  EXPECT_EQ(names[10], "sound.wav");
}

TEST_F(Export, SecondExportIntoTheSameFolderIsRefused) {
  fs::create_directory(dir_ + "/d");
  const std::string lock = dir_ + "/d/.tessaline-export.lock";
  int fd = ::open(lock.c_str(), O_RDWR | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);  // an export running
  EXPECT_EQ(Record("d", "--seconds 0.5"), 1);
  EXPECT_SAYS(said_, "another export is writing into " + dir_ + "/d");
  EXPECT_EQ(Names(dir_ + "/d"), (std::vector<std::string>{".tessaline-export.lock"}));
  ::close(fd);
  // Left behind by an export that died: no longer held, so it is taken and removed.
  EXPECT_EQ(Record("d", "--seconds 0.5"), 0) << said_;
  EXPECT_FALSE(fs::exists(lock));
}

// A show that ends before the export is complete leaves no output and the old file as it was.
TEST_F(Export, FailedExportOrWriteLeavesNothingUnderTheName) {
  // The keyboard fails in the first frame: a fatal error ends the show.
  std::ofstream(dir_ + "/fail.keys") << "0 error\n";
  std::ofstream(dir_ + "/old.mp4") << "old";
  EXPECT_EQ(Record("old.mp4", "--seconds 0.5 --keys '" + dir_ + "/fail.keys'"), 1);
  EXPECT_EQ(Record("new", "--seconds 0.5 --keys '" + dir_ + "/fail.keys'"), 1);
  EXPECT_SAYS(said_, "the show ended after 1 of 30 frames");
  EXPECT_EQ(ReadAll(dir_ + "/old.mp4"), "old");
  EXPECT_EQ(Names(dir_), (std::vector<std::string>{"fail.keys", "old.mp4"}));
  // A damaged pack is named before any output is made.
  fs::create_directory(dir_ + "/data");
  std::ofstream(dir_ + "/data/v01.dat") << "not a pack";
  EXPECT_EQ(Record("new", "--seconds 0.5 --data '" + dir_ + "/data'"), 1);
  EXPECT_SAYS(said_, dir_ + "/data/v01.dat: not a pack file (no PACK tag)");
  EXPECT_FALSE(fs::exists(dir_ + "/new"));
  // A write that fails (here: past the file size limit) leaves no output and the old file as it was.
  fs::remove_all(dir_ + "/data");
  fs::remove(dir_ + "/fail.keys");
  fs::rename(dir_ + "/old.mp4", dir_ + "/old.mkv");
  const std::string limit = "trap '' XFSZ; ulimit -f 2; ";
  EXPECT_EQ(Shell(limit + Program() + " --record '" + dir_ + "/old.mkv' --seconds 0.5"), 1);
  EXPECT_SAYS(said_, "tessaline: export: cannot write the video: File too large");
  EXPECT_EQ(Shell(limit + Program() + " --record '" + dir_ + "/new' --seconds 0.5"), 1);
  EXPECT_SAYS(said_, "tessaline: export: cannot write " + dir_ + "/new/");
  EXPECT_SAYS(said_, ": File too large");
  EXPECT_EQ(ReadAll(dir_ + "/old.mkv"), "old");
  EXPECT_EQ(Names(dir_), (std::vector<std::string>{"old.mkv"}));
}

// Interrupted by SIGINT or SIGTERM, an export keeps nothing of itself and the old file as it was.
TEST_F(Export, InterruptedExportLeavesNothingUnderTheName) {
  std::ofstream(dir_ + "/old.mp4") << "old";
  for (const char* run : {"old.mp4' & sleep 2; kill -INT $!", "new' & sleep 2; kill -TERM $!"}) {
    EXPECT_NE(Shell(Program() + " --record '" + dir_ + "/" + run + "; wait $!"), 0) << said_;
    EXPECT_SAYS(said_, "tessaline: export stopped: nothing of it is kept");
  }
  EXPECT_EQ(ReadAll(dir_ + "/old.mp4"), "old");
  EXPECT_EQ(Names(dir_), (std::vector<std::string>{"old.mp4"}));
}

// Through a symbolic link the file behind it is replaced; a FIFO is written through.
TEST_F(Export, VideoThroughALinkOrAFifo) {
  fs::create_directory(dir_ + "/real");
  std::ofstream(dir_ + "/real/show.mkv") << "old";
  fs::create_symlink(dir_ + "/real/show.mkv", dir_ + "/link.mkv");
  ASSERT_EQ(Record("link.mkv", "--seconds 0.5"), 0) << said_;
  EXPECT_TRUE(fs::is_symlink(dir_ + "/link.mkv"));
  EXPECT_SAYS(Probe(dir_ + "/real/show.mkv"), "nb_read_frames=\"30\"");
  ASSERT_EQ(::mkfifo((dir_ + "/pipe.webm").c_str(), 0644), 0);
  ASSERT_EQ(Shell("cat '" + dir_ + "/pipe.webm' > '" + dir_ + "/copy.webm' & " + Program() + " --record '" + dir_ +
                  "/pipe.webm' --seconds 0.5; wait"), 0) << said_;
  EXPECT_SAYS(Probe(dir_ + "/copy.webm"), "nb_read_frames=\"30\"");
  // MP4 must seek back to finish its index: through a FIFO that is an error, not a broken file.
  ::unlink((dir_ + "/pipe.webm").c_str());
  ASSERT_EQ(::mkfifo((dir_ + "/pipe.mp4").c_str(), 0644), 0);
  ASSERT_EQ(Shell("cat '" + dir_ + "/pipe.mp4' > /dev/null & " + Program() + " --record '" + dir_ +
                  "/pipe.mp4' --seconds 0.5; status=$?; wait; exit $status"), 1) << said_;
  EXPECT_SAYS(said_, "tessaline: export: ");
}

}  // namespace
