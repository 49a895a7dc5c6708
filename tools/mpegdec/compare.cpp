#include "tools/mpegdec/compare.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

std::string sPcmComparison::Summary() const {
  char text[256];
  std::snprintf(text, sizeof text,
                "offset %d, %ld sample frames, max %.0f LSB, RMS %.4f LSB, SNR %.1f dB, %s", offset,
                frames, maxDiff, rms, snr,
                FullAccuracy() ? "full accuracy" : LimitedAccuracy() ? "limited accuracy" : "inaccurate");
  return text;
}

namespace {

double Value(const std::vector<float>& d, size_t i, bool round) {
  double v = d[i];
  // As a 16-bit reference holds it: rounded to nearest and clipped.
  if (round) v = std::min(32767.0, std::max(-32768.0, std::floor(v + 0.5)));
  return v;
}

}  // namespace

sPcmComparison ComparePcm(const std::vector<float>& decode, const std::vector<int16_t>& ref,
                          int channels, const sCompareOptions& options) {
  const int maxShift = options.fixed ? 0 : options.search;
  const bool round = options.round;
  const long maxFrames = options.maxFrames, skipFrames = options.skipFrames;
  sPcmComparison r;
  long dFrames = long(decode.size()) / channels, rFrames = long(ref.size()) / channels;
  if (options.fixed) r.offset = options.offset;
  if (maxShift > 0) {
    // Score each shift on the loudest stretch of the reference; ties go to
    // the smallest shift.
    long window = std::min<long>(8192, rFrames);
    long start = 0;
    double loudest = -1;
    for (long b = 0; b + window <= rFrames; b += window / 2 > 0 ? window / 2 : 1) {
      double e = 0;
      for (long i = b * channels; i < (b + window) * channels; ++i) e += double(ref[i]) * ref[i];
      if (e > loudest) {
        loudest = e;
        start = b;
      }
    }
    double best = -1;
    for (int k = 0; k <= 2 * maxShift; ++k) {
      int s = (k & 1) ? -(k + 1) / 2 : k / 2;
      double e = 0;
      long n = 0;
      for (long i = start; i < start + window && i < rFrames; ++i) {
        long j = i + s;
        if (j < 0 || j >= dFrames) continue;
        for (int c = 0; c < channels; ++c) {
          double d = Value(decode, j * channels + c, round) - ref[i * channels + c];
          e += d * d;
        }
        ++n;
      }
      if (n == 0) continue;
      e /= n;
      if (best < 0 || e < best) {
        best = e;
        r.offset = s;
      }
    }
  }
  double err = 0, sig = 0;
  long n = 0, skipped = 0;
  for (long i = 0; i < rFrames; ++i) {
    if (maxFrames >= 0 && n >= maxFrames) break;
    long j = i + r.offset;
    if (j < 0) continue;
    if (skipped < skipFrames) {
      ++skipped;
      continue;
    }
    if (j >= dFrames) break;
    for (int c = 0; c < channels; ++c) {
      double x = ref[i * channels + c];
      double d = Value(decode, j * channels + c, round) - x;
      err += d * d;
      sig += x * x;
      r.maxDiff = std::max(r.maxDiff, std::fabs(d));
    }
    ++n;
  }
  r.frames = n;
  if (n) r.rms = std::sqrt(err / (double(n) * channels));
  r.snr = err > 0 ? 10 * std::log10(sig / err) : 999.0;
  return r;
}

bool ReadPcm16(const std::string& path, std::vector<int16_t>& out) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return false;
  std::vector<char> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  out.resize(bytes.size() / 2);
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = int16_t(uint8_t(bytes[2 * i]) | (uint8_t(bytes[2 * i + 1]) << 8));
  return true;
}
