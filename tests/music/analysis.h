// Measurements on decoded sound: where an attack starts, which pitches sound, how
// regular the beat is.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace musictest {

constexpr double Rate = 44100.0;

// 16-bit stereo sound at 44.1 kHz.
struct Pcm {
  std::vector<int16_t> samples;  // left and right interleaved
  std::size_t Frames() const { return samples.size() / 2; }
  float Left(std::size_t i) const { return samples[2 * i] / 32768.0f; }
  float Right(std::size_t i) const { return samples[2 * i + 1] / 32768.0f; }
};

// The attack nearest to `expected` seconds: within +-window seconds, the first
// frame after the quietest 2 ms where the sound rises to a tenth of the
// window's peak. Seconds; negative when there is no such attack.
double FindAttack(const Pcm& pcm, double expected, double window);

// Share of each of the 12 pitch classes (C = 0) in the spectrum of [from, to)
// seconds, summed over 80 Hz..2 kHz; sums to 1.
std::array<double, 12> PitchClasses(const Pcm& pcm, double from, double to);

// Period in seconds (within [minPeriod, maxPeriod]) at which the attacks of
// [from, to) repeat most strongly, and that strength (autocorrelation, 0..1).
struct Pulse {
  double period = 0.0;
  double strength = 0.0;
};
Pulse FindPulse(const Pcm& pcm, double from, double to, double minPeriod, double maxPeriod);

}  // namespace musictest
