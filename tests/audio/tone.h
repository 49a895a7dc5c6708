// Measuring a tone: frequency from zero crossings, level as RMS, purity as
// the share of the power at one frequency.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>
#include <gtest/gtest.h>
#include "tests/support/paths.h"
#include "tests/support/wav.h"
struct Tone {
  double hz;
  double rms;
  double purity;  // 0..1
};
inline Tone Measure(const std::vector<double>& x, double rate) {
  int crossings = 0;
  size_t first = 0, last = 0;
  for (size_t i = 1; i < x.size(); ++i)
    if (x[i - 1] < 0 && x[i] >= 0) {
      if (!crossings) first = i;
      last = i;
      ++crossings;
    }
  Tone t{0, 0, 0};
  if (crossings > 1) t.hz = (crossings - 1) * rate / double(last - first);
  double power = 0;
  for (double v : x) power += v * v;
  t.rms = x.empty() ? 0 : std::sqrt(power / double(x.size()));
  // Goertzel at the measured frequency.
  double w = 2 * M_PI * t.hz / rate, c = 2 * std::cos(w), s1 = 0, s2 = 0;
  for (double v : x) {
    double s0 = v + c * s1 - s2;
    s2 = s1;
    s1 = s0;
  }
  double at = s1 * s1 + s2 * s2 - c * s1 * s2;
  t.purity = power > 0 ? 2 * at / (double(x.size()) * power) : 0;
  return t;
}
// A measured tone of `hz` and peak `amplitude`: within half a hertz, its
// level within `level` of the amplitude's, at least `purity` pure.
inline void ExpectTone(const Tone& t, double hz, double amplitude, double level, double purity) {
  EXPECT_NEAR(hz, t.hz, 0.5);
  EXPECT_NEAR(amplitude / std::sqrt(2.0), t.rms, amplitude * level);
  EXPECT_GT(t.purity, purity);
}
// One channel of interleaved 16-bit stereo PCM, frames [from, to).
inline std::vector<double> Channel(const std::vector<int16_t>& pcm, int channel, size_t from, size_t to) {
  std::vector<double> x;
  for (size_t i = from; i < to && i * 2 + 1 < pcm.size(); ++i) x.push_back(pcm[i * 2 + size_t(channel)]);
  return x;
}
// A RIFF WAVE image of a sine tone.
inline std::vector<uint8_t> ToneImage(uint32_t rate, int channels, int bits, double hz, double amplitude, double seconds) {
  size_t frames = size_t(rate * seconds);
  std::vector<uint8_t> img = testwav::Header(rate, channels, bits, uint32_t(frames * size_t(channels * bits / 8)));
  for (size_t i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c) {
      double v = amplitude * std::sin(2 * M_PI * hz * double(i) / rate);
      if (bits == 16) testwav::Put(img, uint16_t(int16_t(std::lround(v))), 2);
      else img.push_back(uint8_t(128 + std::lround(v / 256)));
    }
  return img;
}
