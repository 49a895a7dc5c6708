// Files made at test time by lame, twolame and ffmpeg (some wrapped in tags
// as taggers write them), decoded by us and by mpg123.
#include <gtest/gtest.h>
#include <cstdio>
#include <cstring>
#include "tests/mpeg/helpers.h"
#include "tests/support/paths.h"
using namespace mpegtest;
namespace {
struct sFile {
  const char* name;
  int rate, channels;
  // The options of the test's encoder; or ffmpeg's command, where {in} and
  // {out} stand for the source and the file; "" for lame's file in tags.
  const char* encoder;
};
// Three seconds with different material per channel, so that stereo coding
// has work to do; the mono source mixes the two. Repeatable noise (-R).
std::string Source(const std::string& dir, int rate, int channels) {
  std::string path = dir + "/in-" + std::to_string(rate) + ".wav", mono = path + ".mono.wav";
  if (!Shell("sox -R -q -n -r " + std::to_string(rate) + " -c 2 -b 16 " + path +
           " synth 3 sine 200-6000 pinknoise vol 0.4 2> /dev/null"))
    return "";
  return channels == 2 ? path : Shell("sox -R -q " + path + " -c 1 " + mono + " 2> /dev/null") ? mono : "";
}
// Lame's file in tags that hold frames: ID3v2.2 before, APEv2 and ID3v1
// after; or ID3v2.4 (footer, unsynchronised) before and Lyrics3 after.
std::vector<uint8_t> Tagged(const std::vector<uint8_t>& audio, bool ape) {
  std::vector<uint8_t> body = Cat({std::vector<uint8_t>(3000, 0xFF), {audio.begin(), audio.begin() + 2000}});
  if (ape) return Cat({Id3Header("ID3", 2, 0, body.size()), body, audio, ApeTag(body), Id3v1()});
  return Cat({Id3Header("ID3", 4, 0x90, body.size()), body, Id3Header("3DI", 4, 0x90, body.size()), audio,
              Lyrics3(body)});
}
// mpegdec (gapless or not, file or pipe) and the library's stream against
// mpg123: gapless of mpg123's length, raw with the Info frame and the flush
// added, both at full accuracy with the standard's window; the default window within 59 dB.
void CheckFiles(const char* need, const std::vector<sFile>& files) {
  SKIP_WITHOUT(need, "mpg123", "sox");
  std::string dir = testpaths::TempDir(need);
  std::string tool = testpaths::Build() + "/tools/mpegdec/mpegdec";
  int n = 0;
  for (const sFile& f : files) {
    SCOPED_TRACE(f.name);
    std::string in = Source(dir, f.rate, f.channels);
    ASSERT_FALSE(in.empty()) << "sox failed";
    std::string mp = dir + "/f" + std::to_string(n++) + (std::string(need) == "twolame" ? ".mp2" : ".mp3");
    std::string reference = mp;  // what mpg123 decodes: the file, or its untagged audio
    if (*f.encoder) {
      std::string command = f.encoder;
      if (command.rfind("ffmpeg", 0) != 0) command = std::string(need) + " --quiet " + command + " {in} {out}";
      command.replace(command.find("{in}"), 4, in);
      command.replace(command.find("{out}"), 5, mp);
      ASSERT_TRUE(Shell(command + " > /dev/null 2>&1"));
    } else {
      reference = mp + ".plain.mp3";
      ASSERT_TRUE(Shell("lame --quiet " + in + " " + reference));
      WriteFile(mp, Tagged(ReadFile(reference), std::string(f.name).find("APE") != std::string::npos));
    }
    auto refGapless = CaptureAs<int16_t>("mpg123 -q -e s16 -s " + reference + " 2>/dev/null");
    auto refRaw = CaptureAs<int16_t>("mpg123 -q --no-gapless -e s16 -s " + reference + " 2>/dev/null");
    ASSERT_GT(refRaw.size(), size_t(f.rate * f.channels));
    int status = -1;
    auto gapless = CaptureAs<float>(tool + " --float --iso-window " + mp + " -", &status);
    ASSERT_EQ(status, 0);
    auto raw = CaptureAs<float>(tool + " --no-gapless --float --iso-window " + mp + " -");
    std::string info = Capture(tool + " --info " + mp + " /dev/null");
    const int ch = f.channels;
    // The Info frame (raw output only) and the decoded frames of the stream.
    int spf = f.rate >= 32000 ? 1152 : 576;
    long infoSamples = info.find("Xing/Info frame") != std::string::npos ? spf : 0;
    long frames = long(refRaw.size()) / ch / spf;
    long rawExpected = ((frames + infoSamples / spf) * spf + 1151) / 1152 * 1152 + 1152;
    sPcmComparison g = ComparePcm(gapless, refGapless, ch, Fixed());
    sPcmComparison r = ComparePcm(raw, refRaw, ch, Fixed(int(infoSamples)));
    sDecoded own = DecodeFile(mp, FloatOut());
    ASSERT_EQ(own.result, 0);
    EXPECT_EQ(own.Channels(), ch);
    sPcmComparison w = ComparePcm(own.Samples(0), refRaw, ch, Fixed(int(infoSamples)));
    std::printf("%-38s gapless %7zu (mpg123 %7zu) %s\n%38s raw %7zu (mpg123 %7zu) %s; default window %.1f dB\n",
                f.name, gapless.size() / ch, refGapless.size() / ch, g.Summary().c_str(), "", raw.size() / ch,
                refRaw.size() / ch, r.Summary().c_str(), w.snr);
    EXPECT_EQ(gapless.size(), refGapless.size());
    EXPECT_TRUE(g.FullAccuracy()) << g.Summary();
    EXPECT_EQ(long(raw.size() / ch), rawExpected);
    EXPECT_TRUE(r.FullAccuracy()) << r.Summary();
    EXPECT_GE(w.snr, 59.0);
    // The same through a pipe, and the raw output as the library's stream gives it.
    std::string file16 = Capture(tool + " " + mp + " -");
    EXPECT_TRUE(Capture("cat " + mp + " | " + tool + " - -") == file16);
    std::string raw16 = Capture(tool + " --no-gapless " + mp + " -");
    sDecoded lib = DecodeFile(mp);
    EXPECT_TRUE(raw16.size() == lib.pcm.size() && std::memcmp(raw16.data(), lib.pcm.data(), raw16.size()) == 0);
  }
}
}  // namespace
TEST(Encodes, LameLayer3) {
  CheckFiles("lame", {
      {"cbr128-stereo", 44100, 2, "-b 128 -m s"},       {"vbr-joint", 44100, 2, "-V 2 -m j"},
      {"VBR 48 kHz", 48000, 2, "-V 2"},                 {"cbr64-mono-48k", 48000, 1, "-b 64 -m m"},
      {"mono 32 kHz", 32000, 1, "-m m -b 64"},          {"dual-32k", 32000, 2, "-b 192 -m d"},
      {"22.05 kHz", 22050, 2, "-b 64"},                 {"mpeg2-22k-joint", 22050, 2, "-b 64 -m j"},
      {"mpeg2-16k-mono-crc", 16000, 1, "-b 32 -m m -p"}, {"mpeg25-11k-joint", 11025, 2, "-b 32 -m j"},
      {"mpeg25-8k-mono", 8000, 1, "-b 16 -m m"},
  });
}
TEST(Encodes, TwolameLayer2) {
  CheckFiles("twolame", {
      {"l2-stereo-44k", 44100, 2, "-b 192 -m s"},    {"l2-joint-48k", 48000, 2, "-b 128 -m j"},
      {"l2-48k", 48000, 2, "-b 192"},                {"l2-dual-32k", 32000, 2, "-b 256 -m d"},
      {"l2-mono-44k-64", 44100, 1, "-b 64 -m m"},    {"l2-stereo-44k-64", 44100, 2, "-b 64 -m s"},
      {"l2-mono-32k-48", 32000, 1, "-b 48 -m m"},    {"l2-lsf-24k-joint", 24000, 2, "-b 96 -m j"},
      {"l2-lsf-16k-mono", 16000, 1, "-b 32 -m m"},
  });
}
// Files as people have them: tags of every kind, ffmpeg's Info frame or none.
TEST(Encodes, TaggedFiles) {
  if (!HaveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg missing";
  CheckFiles("lame", {
      {"lame, ID3v2.3 UTF-16 title", 44100, 2, "--tt 'Tītle ☃'"},
      {"lame --id3v2-only", 44100, 2, "--id3v2-only --tt Title --ta Artist -m j"},
      {"lame ID3v2.3 latin-1, CRC", 44100, 2, "-b 160 -m j -p --id3v2-only --id3v2-latin1 --tt Title --ta Artist"},
      {"ffmpeg ID3v2.4 + Info", 44100, 2, "ffmpeg -loglevel error -y -i {in} {out}"},
      {"ffmpeg -write_xing 0", 44100, 2, "ffmpeg -loglevel error -y -i {in} -write_xing 0 {out}"},
      {"lame + ID3v2.2, APEv2, ID3v1", 44100, 2, ""},
      {"lame + ID3v2.4 footer unsync, Lyrics3", 44100, 2, ""},
  });
}
// Two streams of different rates or layers in one file: the first, then nothing
// (never frames of garbage); two of one kind with a tag between them: both.
TEST(Encodes, JoinedStreams) {
  SKIP_WITHOUT("lame", "twolame", "sox");
  std::string dir = testpaths::TempDir("joined"), a = dir + "/a.mp3", b22 = dir + "/b22.mp3", b48 = dir + "/b48.mp3",
              l2 = dir + "/l2.mp2";
  Shell("sox -R -q -n -r 44100 -c 2 " + dir + "/a.wav synth 2 sine 300-3000 vol 0.5 2>/dev/null");
  Shell("sox -R -q -n -r 22050 -c 2 " + dir + "/b.wav synth 2 pinknoise vol 0.5 2>/dev/null");
  Shell("sox -R -q -n -r 48000 -c 2 " + dir + "/c.wav synth 2 pinknoise vol 0.5 2>/dev/null");
  ASSERT_TRUE(Shell("lame --quiet " + dir + "/a.wav " + a) && Shell("lame --quiet " + dir + "/b.wav " + b22) &&
              Shell("lame --quiet " + dir + "/c.wav " + b48) &&
              Shell("twolame --quiet " + dir + "/a.wav " + l2 + " > /dev/null 2>&1"));
  sDecoded alone = DecodeFile(a);
  for (const auto& parts : {std::vector<std::string>{a, b22}, {a, b48}, {a, l2}, {a, b48, b22, l2}})
    for (bool seekable : {true, false}) {
      sDecodeOptions o;
      o.seekable = seekable;
      std::vector<uint8_t> all;
      for (const std::string& part : parts) all = Cat({all, ReadFile(part)});
      sDecoded joined = DecodeBytes(all, o);
      ASSERT_EQ(joined.result, 0);
      EXPECT_TRUE(joined.pcm == alone.pcm) << parts.size() << " parts: " << joined.pcm.size() << " bytes, not "
                                           << alone.pcm.size();
    }
  // One kind twice, an ID3v2 tag before the second: all of both.
  sDecoded twice = DecodeBytes(Cat({ReadFile(a), Id3Header("ID3", 3, 0, 500), std::vector<uint8_t>(500, 0xFF), ReadFile(a)}));
  ASSERT_EQ(twice.result, 0);
  size_t frame = 4608, first = alone.pcm.size() - frame;  // the first without its flush
  ASSERT_EQ(twice.pcm.size(), 2 * first + frame);
  EXPECT_EQ(std::memcmp(twice.pcm.data(), alone.pcm.data(), first), 0);
  // The second stream from its second frame on (its Info frame gave the first
  // one's tail), to the rounding of a synthesis at another rotation.
  int worst = 0;
  for (size_t i = 2 * frame; i < first; i += 2) {
    int16_t x, y;
    std::memcpy(&x, twice.pcm.data() + first + i, 2);
    std::memcpy(&y, alone.pcm.data() + i, 2);
    worst = std::max(worst, std::abs(x - y));
  }
  EXPECT_LE(worst, 1);
}
