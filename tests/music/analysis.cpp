#include "tests/music/analysis.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

namespace musictest {

namespace {

std::size_t FrameOf(const Pcm& pcm, double seconds) {
  double f = std::max(0.0, seconds * Rate);
  return std::min(pcm.Frames(), static_cast<std::size_t>(f));
}

float Mono(const Pcm& pcm, std::size_t i) { return 0.5f * (pcm.Left(i) + pcm.Right(i)); }

void Fft(std::vector<std::complex<double>>& a) {
  const std::size_t n = a.size();
  for (std::size_t i = 1, j = 0; i < n; ++i) {
    std::size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (std::size_t len = 2; len <= n; len <<= 1) {
    double angle = -2.0 * M_PI / static_cast<double>(len);
    std::complex<double> step(std::cos(angle), std::sin(angle));
    for (std::size_t i = 0; i < n; i += len) {
      std::complex<double> w(1.0);
      for (std::size_t k = 0; k < len / 2; ++k) {
        std::complex<double> u = a[i + k], v = a[i + k + len / 2] * w;
        a[i + k] = u + v;
        a[i + k + len / 2] = u - v;
        w *= step;
      }
    }
  }
}

}  // namespace

double FindAttack(const Pcm& pcm, double expected, double window) {
  const std::size_t from = FrameOf(pcm, expected - window), to = FrameOf(pcm, expected + window);
  const std::size_t hop = 88;  // 2 ms
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
    if (e < least) {
      least = e;
      quietest = w;
    }
  }
  for (std::size_t i = quietest; i < to; ++i)
    if (std::max(std::fabs(pcm.Left(i)), std::fabs(pcm.Right(i))) >= 0.1f * peak) return i / Rate;
  return -1.0;
}

std::array<double, 12> PitchClasses(const Pcm& pcm, double from, double to) {
  std::array<double, 12> classes{};
  const std::size_t n = 8192, first = FrameOf(pcm, from), last = FrameOf(pcm, to);
  std::vector<std::complex<double>> buf(n);
  for (std::size_t start = first; start + n <= last; start += n / 2) {
    for (std::size_t i = 0; i < n; ++i) {
      double hann = 0.5 - 0.5 * std::cos(2.0 * M_PI * i / (n - 1));
      buf[i] = Mono(pcm, start + i) * hann;
    }
    Fft(buf);
    for (std::size_t k = 1; k < n / 2; ++k) {
      double hz = k * Rate / n;
      if (hz < 80.0 || hz > 2000.0) continue;
      double note = 69.0 + 12.0 * std::log2(hz / 440.0);
      int pc = static_cast<int>(std::lround(note)) % 12;
      classes[pc] += std::norm(buf[k]);
    }
  }
  double total = 0.0;
  for (double c : classes) total += c;
  if (total > 0.0)
    for (double& c : classes) c /= total;
  return classes;
}

Pulse FindPulse(const Pcm& pcm, double from, double to, double minPeriod, double maxPeriod) {
  // Onset strength: rise of energy per 5 ms step, half-wave rectified.
  const std::size_t hop = 220;
  const std::size_t first = FrameOf(pcm, from), last = FrameOf(pcm, to);
  std::vector<double> energy;
  for (std::size_t w = first; w + hop <= last; w += hop) {
    double e = 0.0;
    for (std::size_t i = w; i < w + hop; ++i) e += Mono(pcm, i) * Mono(pcm, i);
    energy.push_back(std::log(1e-9 + e));
  }
  std::vector<double> flux(energy.size(), 0.0);
  for (std::size_t i = 1; i < energy.size(); ++i) flux[i] = std::max(0.0, energy[i] - energy[i - 1]);
  double mean = 0.0;
  for (double f : flux) mean += f;
  mean /= std::max<std::size_t>(flux.size(), 1);
  for (double& f : flux) f -= mean;
  double zero = 0.0;
  for (double f : flux) zero += f * f;
  Pulse best;
  if (zero <= 0.0) return best;
  const double step = hop / Rate;
  for (std::size_t lag = static_cast<std::size_t>(minPeriod / step); lag <= maxPeriod / step; ++lag) {
    double sum = 0.0;
    for (std::size_t i = 0; i + lag < flux.size(); ++i) sum += flux[i] * flux[i + lag];
    double r = sum / zero;
    if (r > best.strength) {
      best.strength = r;
      best.period = lag * step;
    }
  }
  return best;
}

}  // namespace musictest
