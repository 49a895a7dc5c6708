// Streams encoded at test time by lame and twolame, decoded by us and by
// mpg123, compared with the offset searched.
#include <gtest/gtest.h>

#include <cstdio>

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
