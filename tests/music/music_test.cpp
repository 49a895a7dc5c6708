// The default soundtrack as the show hears it: vo.mp3 from the build, decoded.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "tests/mpeg/helpers.h"
#include "tests/music/analysis.h"
#include "tests/support/paths.h"
#include "tests/support/wav.h"

namespace musictest {
namespace {

const double SceneChanges[3] = {2.0, 17.3, 24.0};
// The show's sound image: 1,277 decoded frames of 1,152 sample frames.
constexpr std::size_t ImageFrames = 1277 * 1152;

std::string Mp3Path() { return testpaths::Build() + "/app/vo.mp3"; }

Pcm FromBytes(const std::string& bytes) {
  Pcm p;
  p.samples.resize(bytes.size() / 2);
  std::memcpy(p.samples.data(), bytes.data(), p.samples.size() * 2);
  return p;
}

// Every frame the stream holds (the encoder's Info frame decodes as silence),
// by the show's decoder opened as the show opens it; decoded once.
const Pcm& Decoded() {
  static Pcm pcm = [] {
    mpegtest::sDecoded d = mpegtest::DecodeFile(Mp3Path());
    return d.rate == 44100 && d.stereo ? FromBytes(std::string(d.pcm.begin(), d.pcm.end())) : Pcm();
  }();
  return pcm;
}

// The first number after `label` in sox's stats table (the overall column).
bool StatsValue(const std::string& stats, const std::string& label, double* value) {
  std::size_t at = stats.find(label);
  return at != std::string::npos && std::sscanf(stats.c_str() + at + label.size(), "%lf", value) == 1;
}

class DefaultMusic : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists(Mp3Path())) << Mp3Path() << " was not built";
    ASSERT_GT(Decoded().Frames(), 44100u * 30) << "decoding " << Mp3Path() << " failed";
  }
};

// The attacks land on the picture's scene changes within 10 ms; mpg123, told
// to decode the Info frame too, hears them at the same places; without the
// lead the attacks would come about 51 ms late, and the measurement sees it.
TEST_F(DefaultMusic, SceneChangesLandOnThePictureWithin10ms) {
  Pcm other = FromBytes(mpegtest::Capture("mpg123 -q --no-gapless --no-infoframe -e s16 -s '" + Mp3Path() + "'"));
  ASSERT_GT(other.Frames(), 44100u * 30);
  Pcm late;
  const std::size_t lag = 2257;
  late.samples.assign(2 * lag, 0);
  late.samples.insert(late.samples.end(), Decoded().samples.begin(), Decoded().samples.end());
  for (double change : SceneChanges) {
    double ours = FindAttack(Decoded(), change, 0.1), theirs = FindAttack(other, change, 0.1);
    std::printf("scene change %.1f s: ours %.4f s (%+.1f ms), mpg123 %.4f s\n", change, ours,
                (ours - change) * 1000.0, theirs);
    ASSERT_GE(ours, 0.0) << "no attack near " << change << " s";
    EXPECT_NEAR(ours, change, 0.010);
    EXPECT_NEAR(theirs, change, 0.010);
    EXPECT_NEAR(ours, theirs, 0.002);
    EXPECT_NEAR(FindAttack(late, change, 0.1) - change, lag / Rate, 0.010) << change;
  }
}

// Between -20 and -8 dBFS without clipping, real stereo, and it fits the
// show's sound image: nothing audible is cut at its end, and it lasts about as
// long as the image.
TEST_F(DefaultMusic, LevelStereoAndLength) {
  const Pcm& pcm = Decoded();
  std::string wav = testpaths::TempDir("music-level") + "/decoded.wav";
  ASSERT_TRUE(testwav::WriteFile(wav, testwav::Image16(44100, 2, pcm.samples)));
  std::string stats = mpegtest::Capture("sox '" + wav + "' -n stats 2>&1");
  double rms = 0.0, peak = 0.0;
  ASSERT_TRUE(StatsValue(stats, "RMS lev dB", &rms)) << stats;
  ASSERT_TRUE(StatsValue(stats, "Pk lev dB", &peak)) << stats;
  EXPECT_GE(rms, -20.0);
  EXPECT_LE(rms, -8.0);
  EXPECT_LT(peak, -0.5);
  EXPECT_EQ(std::count_if(pcm.samples.begin(), pcm.samples.end(), [](int16_t s) { return s >= 32767 || s <= -32767; }),
            0);
  double mid = 0.0, side = 0.0, corr = 0.0, ll = 0.0, rr = 0.0;
  std::size_t lastLoud = 0;
  for (std::size_t i = 0; i < pcm.Frames(); ++i) {
    double l = pcm.Left(i), r = pcm.Right(i);
    mid += (l + r) * (l + r);
    side += (l - r) * (l - r);
    corr += l * r;
    ll += l * l;
    rr += r * r;
    if (std::abs(pcm.samples[2 * i]) > 30 || std::abs(pcm.samples[2 * i + 1]) > 30) lastLoud = i;
  }
  double sideDb = 10.0 * std::log10(side / mid), correlation = corr / std::sqrt(ll * rr);
  std::printf("sox: RMS %.2f dBFS, peak %.2f dBFS; side %.1f dB below mid, correlation %.3f; last audible frame %zu\n",
              rms, peak, -sideDb, correlation, lastLoud);
  EXPECT_GT(sideDb, -20.0);
  EXPECT_LT(correlation, 0.97);
  EXPECT_GT(correlation, 0.2);  // not two unrelated signals either
  EXPECT_LT(lastLoud, ImageFrames);
  EXPECT_GT(lastLoud, ImageFrames - 44100u);
}

// Chords, not a tone: several pitch classes in every scene, and each section's
// harmony differs from the one before. A beat: the first and last scenes'
// attacks repeat at one or two beats (0.478 s).
TEST_F(DefaultMusic, SectionsHaveTheirOwnHarmonyAndABeat) {
  const double bounds[5] = {0.0, 2.0, 17.3, 24.0, 31.6};
  const double beat = (17.3 - 2.0) / 32.0;
  std::array<double, 12> pcs[4];
  for (int s = 0; s < 4; ++s) {
    pcs[s] = PitchClasses(Decoded(), bounds[s] + 0.1, bounds[s + 1] - 0.1);
    if (s == 0) continue;
    double dot = 0.0, a = 0.0, b = 0.0;
    for (int k = 0; k < 12; ++k) {
      dot += pcs[s][k] * pcs[s - 1][k];
      a += pcs[s][k] * pcs[s][k];
      b += pcs[s - 1][k] * pcs[s - 1][k];
    }
    int strong = int(std::count_if(pcs[s].begin(), pcs[s].end(), [](double v) { return v >= 0.05; }));
    Pulse pulse = FindPulse(Decoded(), bounds[s] + 0.1, bounds[s + 1] - 0.1, 0.3, 1.2);
    std::printf("scene %d: similarity %.3f to the section before, %d strong pitch classes, pulse %.3f s (%.2f)\n", s,
                dot / std::sqrt(a * b), strong, pulse.period, pulse.strength);
    EXPECT_LT(dot / std::sqrt(a * b), 0.95) << "sections " << s - 1 << " and " << s << " share their harmony";
    EXPECT_GE(strong, 4) << "scene " << s;
    if (s == 2) continue;
    double beats = pulse.period / beat;
    EXPECT_NEAR(beats, std::round(beats), 0.1) << "scene " << s;
    EXPECT_GE(std::round(beats), 1.0);
    EXPECT_LE(std::round(beats), 2.0);
    EXPECT_GE(pulse.strength, 0.1);
  }
}

// The generator is deterministic: a second run writes the same bytes as the build's.
TEST(DefaultMusicGenerator, WritesTheSameFileEveryRun) {
  std::string again = testpaths::TempDir("music-again") + "/again.wav";
  ASSERT_TRUE(mpegtest::Run("'" + testpaths::Build() + "/content/music/tess_music' '" + again + "' > /dev/null 2>&1"));
  std::vector<uint8_t> built = mpegtest::ReadFile(testpaths::Build() + "/content/music/vo.wav");
  ASSERT_GT(built.size(), 44u + 4u * 44100u * 30u);
  EXPECT_TRUE(built == mpegtest::ReadFile(again)) << "two runs of tess_music differ";
}

}  // namespace
}  // namespace musictest
