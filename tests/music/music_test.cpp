// The default soundtrack as the show hears it: vo.mp3 from the build, decoded.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/music/analysis.h"
#include "tests/music/pcm.h"
#include "tests/support/paths.h"

namespace musictest {
namespace {

const double SceneChanges[3] = {2.0, 17.3, 24.0};
// The show's sound image: 1,277 decoded frames of 1,152 sample frames.
constexpr std::size_t ImageFrames = 1277 * 1152;

std::string Mp3Path() { return testpaths::Build() + "/app/vo.mp3"; }
std::string WavPath() { return testpaths::Build() + "/content/music/vo.wav"; }
std::string GeneratorPath() { return testpaths::Build() + "/content/music/tess_music"; }

// Decoded once for all tests of this file.
const Pcm& Decoded() {
  static Pcm pcm = [] {
    std::string dir = testpaths::TempDir("music");
    Pcm p = DecodeMp3(Mp3Path(), dir);
    std::filesystem::remove_all(dir);
    return p;
  }();
  return pcm;
}

// The first number after `label` in sox's stats table (the overall column).
bool StatsValue(const std::string& stats, const std::string& label, double* value) {
  std::size_t at = stats.find(label);
  if (at == std::string::npos) return false;
  return std::sscanf(stats.c_str() + at + label.size(), "%lf", value) == 1;
}

class DefaultMusic : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists(Mp3Path())) << Mp3Path() << " was not built";
    ASSERT_GT(Decoded().Frames(), 44100u * 30) << "decoding " << Mp3Path() << " failed";
  }
};

TEST_F(DefaultMusic, SceneChangesLandOnThePictureWithin10ms) {
  for (double change : SceneChanges) {
    double attack = FindAttack(Decoded(), change, 0.1);
    ASSERT_GE(attack, 0.0) << "no attack near " << change << " s";
    std::printf("scene change %.1f s: decoded attack at %.4f s (%+.1f ms)\n", change, attack,
                (attack - change) * 1000.0);
    EXPECT_NEAR(attack, change, 0.010);
  }
}

// mpg123, told to decode the Info frame too, hears the changes at the same places.
TEST_F(DefaultMusic, Mpg123AgreesOnTheSceneChanges) {
  std::string dir = testpaths::TempDir("music-mpg123");
  Pcm other = DecodeMp3WithMpg123(Mp3Path(), dir);
  std::filesystem::remove_all(dir);
  ASSERT_GT(other.Frames(), 44100u * 30);
  for (double change : SceneChanges) {
    double ours = FindAttack(Decoded(), change, 0.1), theirs = FindAttack(other, change, 0.1);
    std::printf("scene change %.1f s: ours %.4f s, mpg123 %.4f s\n", change, ours, theirs);
    EXPECT_NEAR(theirs, change, 0.010);
    EXPECT_NEAR(ours, theirs, 0.002);
  }
}

// Without the lead the attacks come about 51 ms late: the measurement sees it.
TEST_F(DefaultMusic, AttackFinderSeesAnUncompensatedTrackAsLate) {
  Pcm late;
  const std::size_t lag = 2257;
  late.samples.assign(2 * lag, 0);
  late.samples.insert(late.samples.end(), Decoded().samples.begin(), Decoded().samples.end());
  for (double change : SceneChanges) {
    double attack = FindAttack(late, change, 0.1);
    EXPECT_NEAR(attack - change, lag / Rate, 0.010) << change;
  }
}

TEST_F(DefaultMusic, LevelIsBetweenMinus20AndMinus8DbfsWithoutClipping) {
  std::string dir = testpaths::TempDir("music-level");
  std::string wav = dir + "/decoded.wav";
  ASSERT_TRUE(WriteWav(wav, Decoded()));
  std::string stats = Capture("sox '" + wav + "' -n stats");
  std::filesystem::remove_all(dir);
  double rms = 0.0, peak = 0.0;
  ASSERT_TRUE(StatsValue(stats, "RMS lev dB", &rms)) << stats;
  ASSERT_TRUE(StatsValue(stats, "Pk lev dB", &peak)) << stats;
  std::printf("sox: RMS %.2f dBFS, peak %.2f dBFS\n", rms, peak);
  EXPECT_GE(rms, -20.0);
  EXPECT_LE(rms, -8.0);
  EXPECT_LT(peak, -0.5);
  std::size_t fullScale = std::count_if(Decoded().samples.begin(), Decoded().samples.end(),
                                        [](int16_t s) { return s >= 32767 || s <= -32767; });
  EXPECT_EQ(fullScale, 0u);
}

TEST_F(DefaultMusic, IsRealStereo) {
  const Pcm& pcm = Decoded();
  double mid = 0.0, side = 0.0, corr = 0.0, ll = 0.0, rr = 0.0;
  for (std::size_t i = 0; i < pcm.Frames(); ++i) {
    double l = pcm.Left(i), r = pcm.Right(i);
    mid += (l + r) * (l + r);
    side += (l - r) * (l - r);
    corr += l * r;
    ll += l * l;
    rr += r * r;
  }
  double sideDb = 10.0 * std::log10(side / mid);
  double correlation = corr / std::sqrt(ll * rr);
  std::printf("side %.1f dB below mid, correlation %.3f\n", -sideDb, correlation);
  EXPECT_GT(sideDb, -20.0);
  EXPECT_LT(correlation, 0.97);
  EXPECT_GT(correlation, 0.2);  // not two unrelated signals either
}

TEST_F(DefaultMusic, SectionsDifferInHarmony) {
  const double bounds[5] = {0.0, 2.0, 17.3, 24.0, 31.6};
  std::array<double, 12> pcs[4];
  for (int s = 0; s < 4; ++s) {
    pcs[s] = PitchClasses(Decoded(), bounds[s] + 0.1, bounds[s + 1] - 0.1);
    std::printf("section %d:", s);
    for (double v : pcs[s]) std::printf(" %.2f", v);
    std::printf("  level %.1f dB\n", LevelDb(Decoded(), bounds[s] + 0.1, bounds[s + 1] - 0.1));
  }
  for (int s = 1; s < 4; ++s) {
    double dot = 0.0, a = 0.0, b = 0.0;
    for (int k = 0; k < 12; ++k) {
      dot += pcs[s][k] * pcs[s - 1][k];
      a += pcs[s][k] * pcs[s][k];
      b += pcs[s - 1][k] * pcs[s - 1][k];
    }
    double similarity = dot / std::sqrt(a * b);
    std::printf("sections %d and %d: pitch-class similarity %.3f\n", s - 1, s, similarity);
    EXPECT_LT(similarity, 0.95) << "sections " << s - 1 << " and " << s << " share their harmony";
  }
}

// Chords, not a tone: several pitch classes in every scene. A beat: the first and
// last scenes' attacks repeat at one or two beats (0.478 s).
TEST_F(DefaultMusic, HasHarmonyAndABeat) {
  const double bounds[4] = {2.0, 17.3, 24.0, 31.6};
  const double beat = (17.3 - 2.0) / 32.0;
  for (int s = 0; s < 3; ++s) {
    auto pcs = PitchClasses(Decoded(), bounds[s] + 0.1, bounds[s + 1] - 0.1);
    int strong = std::count_if(pcs.begin(), pcs.end(), [](double v) { return v >= 0.05; });
    Pulse pulse = FindPulse(Decoded(), bounds[s] + 0.1, bounds[s + 1] - 0.1, 0.3, 1.2);
    std::printf("scene %d: %d strong pitch classes, pulse %.3f s strength %.2f\n", s + 1, strong, pulse.period,
                pulse.strength);
    EXPECT_GE(strong, 4) << "scene " << s + 1;
    if (s != 1) {
      double beats = pulse.period / beat;
      EXPECT_NEAR(beats, std::round(beats), 0.1) << "scene " << s + 1;
      EXPECT_GE(std::round(beats), 1.0);
      EXPECT_LE(std::round(beats), 2.0);
      EXPECT_GE(pulse.strength, 0.1);
    }
  }
}

// The music fits the show's sound image: nothing audible is cut at its end.
TEST_F(DefaultMusic, EndsInsideTheSoundImage) {
  const Pcm& pcm = Decoded();
  std::size_t lastLoud = 0;
  for (std::size_t i = 0; i < pcm.Frames(); ++i)
    if (std::abs(pcm.samples[2 * i]) > 30 || std::abs(pcm.samples[2 * i + 1]) > 30) lastLoud = i;
  std::printf("last audible frame %zu of %zu in the image (%.2f s)\n", lastLoud, ImageFrames, lastLoud / Rate);
  EXPECT_LT(lastLoud, ImageFrames);
  EXPECT_GT(lastLoud, ImageFrames - 44100u);  // and it lasts about as long as the image
}

// The generator is deterministic: a second run writes the same bytes as the build's.
TEST(DefaultMusicGenerator, WritesTheSameFileEveryRun) {
  std::string dir = testpaths::TempDir("music-again");
  std::string again = dir + "/again.wav";
  ASSERT_TRUE(RunQuiet("'" + GeneratorPath() + "' '" + again + "'"));
  auto read = [](const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  };
  std::string built = read(WavPath()), second = read(again);
  std::filesystem::remove_all(dir);
  ASSERT_GT(built.size(), 44u + 4u * 44100u * 30u);
  EXPECT_TRUE(built == second) << "two runs of tess_music differ";
}

}  // namespace
}  // namespace musictest
