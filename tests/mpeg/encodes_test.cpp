// Streams encoded at test time by lame and twolame, decoded by us and by
// mpg123, compared with the offset searched.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "tests/mpeg/helpers.h"
#include "tests/support/paths.h"

using namespace mpegtest;

namespace {

struct sEncode {
  const char* name;
  int rate;
  int channels;
  const char* encoder;  // options, input and output appended
  long skip;            // sample frames left out after alignment
};

std::string Source(const std::string& dir, int rate, int channels) {
  // Different material per channel so that stereo coding has work to do; the
  // mono source mixes the two. Repeatable noise (-R) keeps the runs alike.
  std::string path = dir + "/in-" + std::to_string(rate) + "-" + std::to_string(channels) + ".wav";
  std::string synth = channels == 2 ? "synth 3 sine 200-6000 pinknoise vol 0.4"
                                    : "synth 3 pinknoise sine 300-5000 vol 0.4";
  if (!Run("sox -R -q -n -r " + std::to_string(rate) + " -c 2 -b 16 " + path + " " + synth +
           " 2> /dev/null"))
    return "";
  if (channels == 1) {
    std::string mono = path + ".mono.wav";
    if (!Run("sox -R -q " + path + " -c 1 " + mono + " 2> /dev/null")) return "";
    return mono;
  }
  return path;
}

void CheckEncode(const sEncode& e, const std::string& dir) {
  std::string in = Source(dir, e.rate, e.channels);
  ASSERT_FALSE(in.empty()) << "sox failed";
  std::string mp = dir + "/" + e.name;
  ASSERT_TRUE(Run(std::string(e.encoder) + " " + in + " " + mp + " > /dev/null 2>&1")) << e.name;
  std::string raw = mp + ".mpg123.raw";
  ASSERT_TRUE(Run("mpg123 -q --no-gapless -e s16 -s " + mp + " > " + raw + " 2> /dev/null")) << e.name;
  std::vector<int16_t> ref;
  ASSERT_TRUE(ReadPcm16(raw, ref));
  ASSERT_GT(ref.size(), 10000u);
  sDecodeOptions o;
  o.pcm16 = 0;
  o.standardWindow = true;
  sDecoded iso = DecodeFile(mp, o);
  ASSERT_EQ(iso.result, 0) << e.name;
  o.standardWindow = false;
  sDecoded own = DecodeFile(mp, o);
  ASSERT_EQ(own.result, 0) << e.name;
  ASSERT_EQ(iso.Channels(), e.channels) << e.name;
  sCompareOptions c;
  c.round = true;
  c.search = 2304;
  c.skipFrames = e.skip;
  sPcmComparison a = ComparePcm(iso.Samples(0), ref, iso.Channels(), c);
  sPcmComparison b = ComparePcm(own.Samples(0), ref, own.Channels(), c);
  std::printf("%-24s standard window: %s\n%-24s default window:  %s\n", e.name, a.Summary().c_str(),
              "", b.Summary().c_str());
  EXPECT_GT(a.frames, 3 * e.rate / 2) << e.name;
  EXPECT_TRUE(a.FullAccuracy()) << e.name << ": " << a.Summary();
  EXPECT_GE(b.snr, 59.0) << e.name;
}

}  // namespace

TEST(Encodes, LameLayer3AgainstMpg123) {
  if (!HaveTool("lame") || !HaveTool("mpg123") || !HaveTool("sox")) GTEST_SKIP() << "lame, mpg123 or sox missing";
  std::string dir = testpaths::TempDir("lame");
  const sEncode cases[] = {
      {"cbr128-stereo.mp3", 44100, 2, "lame --quiet -b 128 -m s", 0},
      {"vbr-joint.mp3", 44100, 2, "lame --quiet -V 2 -m j", 0},
      {"cbr64-mono-48k.mp3", 48000, 1, "lame --quiet -b 64 -m m", 0},
      {"dual-32k.mp3", 32000, 2, "lame --quiet -b 192 -m d", 0},
      {"mpeg2-22k-joint.mp3", 22050, 2, "lame --quiet -b 64 -m j", 0},
      {"mpeg2-16k-mono-crc.mp3", 16000, 1, "lame --quiet -b 32 -m m -p", 0},
      {"mpeg25-11k-joint.mp3", 11025, 2, "lame --quiet -b 32 -m j", 0},
      {"mpeg25-8k-mono.mp3", 8000, 1, "lame --quiet -b 16 -m m", 0},
      {"id3v23-crc.mp3", 44100, 2,
       "lame --quiet -b 160 -m j -p --id3v2-only --id3v2-latin1 --tt Title --ta Artist", 0},
  };
  for (const sEncode& e : cases) CheckEncode(e, dir);
}

TEST(Encodes, TwolameLayer2AgainstMpg123) {
  if (!HaveTool("twolame") || !HaveTool("mpg123") || !HaveTool("sox")) GTEST_SKIP() << "twolame, mpg123 or sox missing";
  std::string dir = testpaths::TempDir("twolame");
  const sEncode cases[] = {
      {"l2-stereo-44k.mp2", 44100, 2, "twolame --quiet -b 192 -m s", 0},
      {"l2-joint-48k.mp2", 48000, 2, "twolame --quiet -b 128 -m j", 0},
      {"l2-dual-32k.mp2", 32000, 2, "twolame --quiet -b 256 -m d", 0},
      {"l2-mono-44k-64.mp2", 44100, 1, "twolame --quiet -b 64 -m m", 0},
      {"l2-stereo-44k-64.mp2", 44100, 2, "twolame --quiet -b 64 -m s", 0},
      {"l2-mono-32k-48.mp2", 32000, 1, "twolame --quiet -b 48 -m m", 0},
      {"l2-lsf-24k-joint.mp2", 24000, 2, "twolame --quiet -b 96 -m j", 0},
      {"l2-lsf-16k-mono.mp2", 16000, 1, "twolame --quiet -b 32 -m m", 0},
  };
  for (const sEncode& e : cases) CheckEncode(e, dir);
}

namespace {

std::string Shell(const std::string& command, int* status) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buf[65536];
  while (size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
  *status = pclose(p);
  return out;
}

std::vector<float> Floats(const std::string& bytes) {
  std::vector<float> f(bytes.size() / 4);
  std::memcpy(f.data(), bytes.data(), f.size() * 4);
  return f;
}

std::vector<int16_t> Shorts(const std::string& bytes) {
  std::vector<int16_t> s(bytes.size() / 2);
  std::memcpy(s.data(), bytes.data(), s.size() * 2);
  return s;
}

std::vector<uint8_t> Id3(int version, int flags, const std::vector<uint8_t>& body) {
  size_t n = body.size();
  std::vector<uint8_t> t = {'I', 'D', '3', uint8_t(version), 0, uint8_t(flags), uint8_t(n >> 21 & 127),
                            uint8_t(n >> 14 & 127), uint8_t(n >> 7 & 127), uint8_t(n & 127)};
  t.insert(t.end(), body.begin(), body.end());
  return t;
}

}  // namespace

// Files as people have them, through mpegdec (gapless and not, from a file
// and from a pipe) and through the library's stream, against mpg123: the
// gapless output has mpg123's exact length, the raw output mpg123's frames
// plus the Info frame and the end-of-stream flush, both at full accuracy.
TEST(Encodes, RealFilesAgainstMpg123) {
  for (const char* tool : {"lame", "ffmpeg", "twolame", "mpg123", "sox"})
    if (!HaveTool(tool)) GTEST_SKIP() << tool << " missing";
  std::string dir = testpaths::TempDir("realfiles");
  std::string tool = testpaths::Build() + "/tools/mpegdec/mpegdec";
  auto source = [&](int rate, int channels) {
    std::string wav = dir + "/src-" + std::to_string(rate) + "-" + std::to_string(channels) + ".wav";
    mpegtest::Run("sox -R -q -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) + " " + wav +
        " synth 5 sine 200-6000 pinknoise vol 0.4 2> /dev/null");
    return wav;
  };
  struct sFile {
    const char* name;
    int rate, channels;
    const char* encoder;  // {in} and {out} stand for the source and the file
  } files[] = {
      {"lame, ID3v2.3 UTF-16 title", 44100, 2, "lame --quiet --tt 'Tītle ☃' {in} {out}"},
      {"lame --id3v2-only", 44100, 2, "lame --quiet --id3v2-only --tt Title --ta Artist -m j {in} {out}"},
      {"lame 22.05 kHz", 22050, 2, "lame --quiet -b 64 {in} {out}"},
      {"lame VBR 48 kHz", 48000, 2, "lame --quiet -V 2 {in} {out}"},
      {"lame mono 32 kHz", 32000, 1, "lame --quiet -m m -b 64 {in} {out}"},
      {"ffmpeg ID3v2.4 + Info", 44100, 2, "ffmpeg -loglevel error -y -i {in} {out}"},
      {"ffmpeg -write_xing 0", 44100, 2, "ffmpeg -loglevel error -y -i {in} -write_xing 0 {out}"},
      {"twolame Layer II 48 kHz", 48000, 2, "twolame --quiet -b 192 {in} {out}"},
      {"lame + ID3v2.2, APEv2, ID3v1", 44100, 2, ""},
      {"lame + ID3v2.4 footer unsync, Lyrics3", 44100, 2, ""},
  };
  int n = 0;
  for (const sFile& f : files) {
    SCOPED_TRACE(f.name);
    std::string mp = dir + "/f" + std::to_string(n++) + (std::string(f.encoder).find("twolame") == 0 ? ".mp2" : ".mp3");
    std::string reference = mp;  // what mpg123 decodes: the file, or its untagged audio
    if (*f.encoder) {
      std::string command = f.encoder;
      command.replace(command.find("{in}"), 4, source(f.rate, f.channels));
      command.replace(command.find("{out}"), 5, mp);
      ASSERT_TRUE(mpegtest::Run(command + " > /dev/null 2>&1"));
    } else {
      reference = mp + ".plain.mp3";
      ASSERT_TRUE(mpegtest::Run("lame --quiet " + source(f.rate, f.channels) + " " + reference));
      std::vector<uint8_t> audio = ReadFile(reference), body(3000, 0xFF), before, after;
      body.insert(body.end(), audio.begin(), audio.begin() + 2000);  // frames inside the tags
      std::vector<uint8_t> v1 = {'T', 'A', 'G'};
      v1.resize(128, 0);
      if (n == 9) {
        before = Id3(2, 0, body);
        std::vector<uint8_t> ape = {'A', 'P', 'E', 'T', 'A', 'G', 'E', 'X', 0xD0, 7, 0, 0};
        uint32_t size = uint32_t(body.size() + 32);
        for (int i = 0; i < 4; ++i) ape.push_back(uint8_t(size >> (8 * i)));
        ape.insert(ape.end(), {1, 0, 0, 0, 0, 0, 0, 0x80, 0, 0, 0, 0, 0, 0, 0, 0});
        std::vector<uint8_t> header = ape;
        header[23] = 0xA0;
        after = header;
        after.insert(after.end(), body.begin(), body.end());
        after.insert(after.end(), ape.begin(), ape.end());
        after.insert(after.end(), v1.begin(), v1.end());
      } else {
        before = Id3(4, 0x90, body);
        std::vector<uint8_t> footer(before.begin(), before.begin() + 10);
        footer[0] = '3', footer[1] = 'D', footer[2] = 'I';
        before.insert(before.end(), footer.begin(), footer.end());
        std::string lyrics = "LYRICSBEGININD0000210";
        lyrics.append(reinterpret_cast<const char*>(body.data()), body.size());
        char size[8];
        std::snprintf(size, sizeof size, "%06zu", lyrics.size());
        lyrics += std::string(size) + "LYRICS200";
        after.assign(lyrics.begin(), lyrics.end());
      }
      std::vector<uint8_t> whole = before;
      whole.insert(whole.end(), audio.begin(), audio.end());
      whole.insert(whole.end(), after.begin(), after.end());
      WriteFile(mp, whole);
    }
    int status = 0;
    std::vector<int16_t> refGapless = Shorts(Shell("mpg123 -q -e s16 -s " + reference + " 2>/dev/null", &status));
    std::vector<int16_t> refRaw = Shorts(Shell("mpg123 -q --no-gapless -e s16 -s " + reference + " 2>/dev/null", &status));
    ASSERT_GT(refRaw.size(), 100000u);
    std::string gapless = Shell(tool + " --float --iso-window " + mp + " -", &status);
    ASSERT_EQ(status, 0);
    std::string raw = Shell(tool + " --no-gapless --float --iso-window " + mp + " -", &status);
    std::string info = Shell(tool + " --info " + mp + " /dev/null", &status);
    const int ch = f.channels;
    // The Info frame (raw output only) and the decoded frames of the stream.
    int spf = f.rate >= 32000 ? 1152 : 576;
    long infoSamples = info.find("Xing/Info frame") != std::string::npos ? spf : 0;
    long frames = long(refRaw.size()) / ch / spf;
    long rawExpected = ((frames + infoSamples / spf) * spf + 1151) / 1152 * 1152 + 1152;
    sCompareOptions fixed;
    fixed.fixed = true;
    fixed.round = true;
    sPcmComparison g = ComparePcm(Floats(gapless), refGapless, ch, fixed);
    fixed.offset = int(infoSamples);
    sPcmComparison r = ComparePcm(Floats(raw), refRaw, ch, fixed);
    std::printf("%-38s gapless %7zu (mpg123 %7zu) SNR %.1f dB; raw %7zu (mpg123 %7zu) SNR %.1f dB\n", f.name,
                gapless.size() / 4 / ch, refGapless.size() / ch, g.snr, raw.size() / 4 / ch, refRaw.size() / ch, r.snr);
    EXPECT_EQ(gapless.size() / 4, refGapless.size());
    EXPECT_TRUE(g.FullAccuracy()) << g.Summary();
    EXPECT_EQ(long(raw.size() / 4 / ch), rawExpected);
    EXPECT_TRUE(r.FullAccuracy()) << r.Summary();
    // The same through a pipe, and the raw output as the library's stream gives it.
    std::string file16 = Shell(tool + " " + mp + " -", &status);
    EXPECT_TRUE(Shell("cat " + mp + " | " + tool + " - -", &status) == file16);
    std::string raw16 = Shell(tool + " --no-gapless " + mp + " -", &status);
    sDecoded lib = DecodeFile(mp);
    EXPECT_TRUE(raw16.size() == lib.pcm.size() && std::memcmp(raw16.data(), lib.pcm.data(), raw16.size()) == 0);
  }
}

// Two streams of different rates or layers in one file: the first stream,
// then nothing (never frames of garbage); two of one kind with a tag between
// them: both.
TEST(Encodes, JoinedStreams) {
  for (const char* tool : {"lame", "twolame", "sox"})
    if (!HaveTool(tool)) GTEST_SKIP() << tool << " missing";
  std::string dir = testpaths::TempDir("joined");
  std::string a = dir + "/a.mp3", b22 = dir + "/b22.mp3", b48 = dir + "/b48.mp3", l2 = dir + "/l2.mp2";
  mpegtest::Run("sox -R -q -n -r 44100 -c 2 " + dir + "/a.wav synth 2 sine 300-3000 vol 0.5 2>/dev/null");
  mpegtest::Run("sox -R -q -n -r 22050 -c 2 " + dir + "/b.wav synth 2 pinknoise vol 0.5 2>/dev/null");
  mpegtest::Run("sox -R -q -n -r 48000 -c 2 " + dir + "/c.wav synth 2 pinknoise vol 0.5 2>/dev/null");
  ASSERT_TRUE(mpegtest::Run("lame --quiet " + dir + "/a.wav " + a));
  ASSERT_TRUE(mpegtest::Run("lame --quiet " + dir + "/b.wav " + b22));
  ASSERT_TRUE(mpegtest::Run("lame --quiet " + dir + "/c.wav " + b48));
  ASSERT_TRUE(mpegtest::Run("twolame --quiet " + dir + "/a.wav " + l2 + " > /dev/null 2>&1"));
  auto cat = [&](const std::vector<std::string>& parts, const std::vector<uint8_t>& between) {
    std::vector<uint8_t> all;
    for (size_t i = 0; i < parts.size(); ++i) {
      if (i) all.insert(all.end(), between.begin(), between.end());
      auto bytes = ReadFile(parts[i]);
      all.insert(all.end(), bytes.begin(), bytes.end());
    }
    return all;
  };
  sDecoded alone = DecodeFile(a);
  for (const auto& parts : {std::vector<std::string>{a, b22}, {a, b48}, {a, l2}, {a, b48, b22, l2}}) {
    for (bool seekable : {true, false}) {
      sDecodeOptions o;
      o.seekable = seekable;
      sDecoded joined = DecodeBytes(cat(parts, {}), o);
      ASSERT_EQ(joined.result, 0);
      EXPECT_TRUE(joined.pcm == alone.pcm) << parts.size() << " parts: " << joined.pcm.size() << " bytes, not "
                                           << alone.pcm.size();
    }
  }
  // One kind twice, an ID3v2 tag before the second: all of both.
  std::vector<uint8_t> tag = Id3(3, 0, std::vector<uint8_t>(500, 0xFF));
  sDecoded twice = DecodeBytes(cat({a, a}, tag));
  ASSERT_EQ(twice.result, 0);
  size_t frame = 4608, first = alone.pcm.size() - frame;  // the first without its flush
  ASSERT_EQ(twice.pcm.size(), 2 * first + frame);
  EXPECT_EQ(std::memcmp(twice.pcm.data(), alone.pcm.data(), first), 0);
  // The second stream from its second frame on (its Info frame gave the
  // first one's tail), to the float rounding of a synthesis that stands at
  // another rotation.
  int worst = 0;
  for (size_t i = 2 * frame; i < first; i += 2) {
    int16_t x, y;
    std::memcpy(&x, twice.pcm.data() + first + i, 2);
    std::memcpy(&y, alone.pcm.data() + i, 2);
    worst = std::max(worst, std::abs(x - y));
  }
  EXPECT_LE(worst, 1);
}
