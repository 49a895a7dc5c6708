// The default soundtrack as the show hears it: vo.mp3 from the build, decoded
// and measured: where an attack starts, which pitches sound, how regular the
// beat is.
#include <gtest/gtest.h>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <complex>
#include <cstring>
#include <filesystem>
#include <numeric>
#include <string>
#include "tests/mpeg/helpers.h"
#include "tests/support/paths.h"
namespace {
constexpr double Rate = 44100.0;
struct Pcm {
  std::vector<int16_t> samples;  // 16-bit stereo at 44.1 kHz, interleaved
  std::size_t Frames() const { return samples.size() / 2; }
  float Left(std::size_t i) const { return samples[2 * i] / 32768.0f; }
  float Right(std::size_t i) const { return samples[2 * i + 1] / 32768.0f; }
};
std::size_t FrameOf(const Pcm& pcm, double seconds) {
  return std::min(pcm.Frames(), static_cast<std::size_t>(std::max(0.0, seconds * Rate)));
}
float Mono(const Pcm& pcm, std::size_t i) { return 0.5f * (pcm.Left(i) + pcm.Right(i)); }
// Radix-2 transform in place; the size is a power of two.
void Fft(std::vector<std::complex<double>>& a) {
  const std::size_t n = a.size();
  if (n < 2) return;
  std::vector<std::complex<double>> even(n / 2), odd(n / 2);
  for (std::size_t i = 0; i < n / 2; ++i) even[i] = a[2 * i], odd[i] = a[2 * i + 1];
  Fft(even), Fft(odd);
  for (std::size_t k = 0; k < n / 2; ++k) {
    std::complex<double> t = std::polar(1.0, -2.0 * M_PI * double(k) / double(n)) * odd[k];
    a[k] = even[k] + t, a[k + n / 2] = even[k] - t;
  }
}
// The attack nearest to `expected` seconds: within +-window seconds, the first
// frame after the quietest 2 ms where the sound rises to a tenth of the
// window's peak. Seconds; negative when there is no such attack.
double FindAttack(const Pcm& pcm, double expected, double window) {
  const std::size_t from = FrameOf(pcm, expected - window), to = FrameOf(pcm, expected + window), hop = 88;  // 2 ms
  if (to <= from + 2 * hop) return -1.0;
  float peak = 0.0f;
  for (std::size_t i = from; i < to; ++i) peak = std::max({peak, std::fabs(pcm.Left(i)), std::fabs(pcm.Right(i))});
  if (peak <= 0.0f) return -1.0;
  // The quietest 2 ms of the window: the stop before the attack.
  std::size_t quietest = from;
  double least = 1e30;
  for (std::size_t w = from; w + hop <= to; w += hop) {
    double e = 0.0;
    for (std::size_t i = w; i < w + hop; ++i) e += pcm.Left(i) * pcm.Left(i) + pcm.Right(i) * pcm.Right(i);
    if (e < least) least = e, quietest = w;
  }
  for (std::size_t i = quietest; i < to; ++i)
    if (std::max(std::fabs(pcm.Left(i)), std::fabs(pcm.Right(i))) >= 0.1f * peak) return i / Rate;
  return -1.0;
}
// Share of each of the 12 pitch classes (C = 0) in the spectrum of [from, to)
// seconds, summed over 80 Hz..2 kHz; sums to 1.
std::array<double, 12> PitchClasses(const Pcm& pcm, double from, double to) {
  std::array<double, 12> classes{};
  const std::size_t n = 8192, first = FrameOf(pcm, from), last = FrameOf(pcm, to);
  std::vector<std::complex<double>> buf(n);
  for (std::size_t start = first; start + n <= last; start += n / 2) {
    for (std::size_t i = 0; i < n; ++i)
      buf[i] = Mono(pcm, start + i) * (0.5 - 0.5 * std::cos(2.0 * M_PI * i / (n - 1)));  // Hann window
    Fft(buf);
    for (std::size_t k = 1; k < n / 2; ++k) {
      double hz = k * Rate / n;
      if (hz < 80.0 || hz > 2000.0) continue;
      classes[static_cast<int>(std::lround(69.0 + 12.0 * std::log2(hz / 440.0))) % 12] += std::norm(buf[k]);
    }
  }
  double total = std::accumulate(classes.begin(), classes.end(), 0.0);
  if (total > 0.0)
    for (double& c : classes) c /= total;
  return classes;
}
// Period in seconds (within [minPeriod, maxPeriod]) at which the attacks of
// [from, to) repeat most strongly, and that strength (autocorrelation, 0..1).
struct Pulse {
  double period = 0.0, strength = 0.0;
};
Pulse FindPulse(const Pcm& pcm, double from, double to, double minPeriod, double maxPeriod) {
  // Onset strength: rise of energy per 5 ms step, half-wave rectified.
  const std::size_t hop = 220, first = FrameOf(pcm, from), last = FrameOf(pcm, to);
  std::vector<double> energy;
  for (std::size_t w = first; w + hop <= last; w += hop) {
    double e = 0.0;
    for (std::size_t i = w; i < w + hop; ++i) e += Mono(pcm, i) * Mono(pcm, i);
    energy.push_back(std::log(1e-9 + e));
  }
  std::vector<double> flux(energy.size(), 0.0);
  for (std::size_t i = 1; i < energy.size(); ++i) flux[i] = std::max(0.0, energy[i] - energy[i - 1]);
  double mean = std::accumulate(flux.begin(), flux.end(), 0.0) / double(std::max<std::size_t>(flux.size(), 1));
  double zero = 0.0;
  for (double& f : flux) f -= mean, zero += f * f;
  Pulse best;
  if (zero <= 0.0) return best;
  const double step = hop / Rate;
  for (std::size_t lag = static_cast<std::size_t>(minPeriod / step); lag <= maxPeriod / step; ++lag) {
    double sum = 0.0;
    for (std::size_t i = 0; i + lag < flux.size(); ++i) sum += flux[i] * flux[i + lag];
    double r = sum / zero;
    if (r > best.strength) best.strength = r, best.period = lag * step;
  }
  return best;
}
const double SceneChanges[3] = {2.0, 17.3, 24.0};
// The show's sound image: 1,277 decoded frames of 1,152 sample frames.
constexpr std::size_t ImageFrames = 1277 * 1152;
std::string Mp3Path() { return testpaths::Build() + "/app/vo.mp3"; }
// Every frame the stream holds (the encoder's Info frame decodes as silence),
// by the show's decoder opened as the show opens it; decoded once.
const Pcm& Decoded() {
  static Pcm pcm = [] {
    mpegtest::sDecoded d = mpegtest::DecodeFile(Mp3Path());
    std::vector<float> s = d.rate == 44100 && d.stereo ? d.Samples(1) : std::vector<float>();
    return Pcm{std::vector<int16_t>(s.begin(), s.end())};
  }();
  return pcm;
}
class DefaultMusic : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists(Mp3Path())) << Mp3Path() << " was not built";
    ASSERT_GT(Decoded().Frames(), 44100u * 30) << "decoding " << Mp3Path() << " failed";
  }
};
// The attacks land on the scene changes within 10 ms, as mpg123 (with the Info
// frame) hears them; without the lead they would come 51 ms late, and that shows.
TEST_F(DefaultMusic, SceneChangesLandOnThePictureWithin10ms) {
  Pcm other{mpegtest::CaptureAs<int16_t>("mpg123 -q --no-gapless --no-infoframe -e s16 -s '" + Mp3Path() + "'")};
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
// Between -20 and -8 dBFS without clipping, real stereo, and about as long as
// the show's sound image, with nothing audible cut at its end.
TEST_F(DefaultMusic, LevelStereoAndLength) {
  const Pcm& pcm = Decoded();
  double mid = 0.0, side = 0.0, corr = 0.0, ll = 0.0, rr = 0.0, top = 0.0;
  std::size_t lastLoud = 0;
  for (std::size_t i = 0; i < pcm.Frames(); ++i) {
    double l = pcm.Left(i), r = pcm.Right(i);
    mid += (l + r) * (l + r), side += (l - r) * (l - r), corr += l * r, ll += l * l, rr += r * r;
    top = std::max({top, std::fabs(l), std::fabs(r)});
    if (std::abs(pcm.samples[2 * i]) > 30 || std::abs(pcm.samples[2 * i + 1]) > 30) lastLoud = i;
  }
  double rms = 10.0 * std::log10((ll + rr) / (2.0 * pcm.Frames())), peak = 20.0 * std::log10(top);
  EXPECT_TRUE(rms >= -20.0 && rms <= -8.0 && peak < -0.5) << "RMS " << rms << " dBFS, peak " << peak << " dBFS";
  EXPECT_FALSE(std::any_of(pcm.samples.begin(), pcm.samples.end(), [](int16_t s) { return s >= 32767 || s <= -32767; }));
  double sideDb = 10.0 * std::log10(side / mid), correlation = corr / std::sqrt(ll * rr);
  std::printf("RMS %.2f dBFS, peak %.2f dBFS; side %.1f dB below mid, correlation %.3f; last audible frame %zu\n",
              rms, peak, -sideDb, correlation, lastLoud);
  EXPECT_GT(sideDb, -20.0);
  EXPECT_LT(correlation, 0.97);
  EXPECT_GT(correlation, 0.2);  // not two unrelated signals either
  EXPECT_LT(lastLoud, ImageFrames);
  EXPECT_GT(lastLoud, ImageFrames - 44100u);
}
// Several pitch classes in every scene, each section's harmony not the one
// before's; the first and last scenes' attacks repeat at one or two beats (0.478 s).
TEST_F(DefaultMusic, SectionsHaveTheirOwnHarmonyAndABeat) {
  const double bounds[5] = {0.0, 2.0, 17.3, 24.0, 31.6};
  const double beat = (17.3 - 2.0) / 32.0;
  std::array<double, 12> pcs[4];
  for (int s = 0; s < 4; ++s) {
    pcs[s] = PitchClasses(Decoded(), bounds[s] + 0.1, bounds[s + 1] - 0.1);
    if (s == 0) continue;
    double dot = 0.0, a = 0.0, b = 0.0;
    for (int k = 0; k < 12; ++k)
      dot += pcs[s][k] * pcs[s - 1][k], a += pcs[s][k] * pcs[s][k], b += pcs[s - 1][k] * pcs[s - 1][k];
    int strong = int(std::count_if(pcs[s].begin(), pcs[s].end(), [](double v) { return v >= 0.05; }));
    Pulse pulse = FindPulse(Decoded(), bounds[s] + 0.1, bounds[s + 1] - 0.1, 0.3, 1.2);
    std::printf("scene %d: similarity %.3f to the section before, %d strong pitch classes, pulse %.3f s (%.2f)\n", s,
                dot / std::sqrt(a * b), strong, pulse.period, pulse.strength);
    EXPECT_LT(dot / std::sqrt(a * b), 0.95) << "sections " << s - 1 << " and " << s << " share their harmony";
    EXPECT_GE(strong, 4) << "scene " << s;
    if (s == 2) continue;
    double beats = pulse.period / beat;
    EXPECT_NEAR(beats, std::round(beats), 0.1) << "scene " << s;
    EXPECT_TRUE(std::round(beats) >= 1.0 && std::round(beats) <= 2.0) << beats;
    EXPECT_GE(pulse.strength, 0.1);
  }
}
// The generator is deterministic: a second run writes the same bytes as the build's.
TEST(DefaultMusicGenerator, WritesTheSameFileEveryRun) {
  std::string again = testpaths::TempDir("music-again") + "/again.wav";
  ASSERT_TRUE(mpegtest::Shell("'" + testpaths::Build() + "/content/music/tess_music' '" + again + "' > /dev/null 2>&1"));
  std::vector<uint8_t> built = mpegtest::ReadFile(testpaths::Build() + "/content/music/vo.wav");
  ASSERT_GT(built.size(), 44u + 4u * 44100u * 30u);
  EXPECT_TRUE(built == mpegtest::ReadFile(again)) << "two runs of tess_music differ";
}
}  // namespace
