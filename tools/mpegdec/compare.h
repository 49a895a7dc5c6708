// Comparing decoded PCM with a reference decode.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct sPcmComparison {
  int offset = 0;      // sample frames the decode is ahead of the reference
  long frames = 0;     // sample frames compared
  double maxDiff = 0;  // in 16-bit LSB
  double rms = 0;      // in 16-bit LSB
  double snr = 0;      // dB: reference power over error power
  bool FullAccuracy() const { return frames > 0 && rms < 0.2887 && maxDiff <= 2; }
  bool LimitedAccuracy() const { return frames > 0 && rms < 4.619; }
  std::string Summary() const;
};

struct sCompareOptions {
  int search = 2304;    // offset searched in -search..search sample frames...
  bool fixed = false;   // ...unless fixed: then offset is used as given
  int offset = 0;
  bool round = false;   // round decoded float samples to nearest first
  long maxFrames = -1;  // compare at most this many sample frames (-1: all)
  long skipFrames = 0;  // leave out the first sample frames of the overlap
};

// Compares decode[i + offset] with ref[i] (interleaved, same channel count).
sPcmComparison ComparePcm(const std::vector<float>& decode, const std::vector<int16_t>& ref,
                          int channels, const sCompareOptions& options);

// Reads a raw little-endian 16-bit file; false if it cannot be read.
bool ReadPcm16(const std::string& path, std::vector<int16_t>& out);
