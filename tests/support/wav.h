// RIFF WAVE images for tests: the 44-byte PCM header and the sample bytes.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>
#include "tests/support/paths.h"
namespace testwav {
using testpaths::WriteFile;
inline void Put(std::vector<uint8_t>& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
// The header for dataBytes bytes of PCM.
inline std::vector<uint8_t> Header(uint32_t rate, int channels, int bits, uint32_t dataBytes) {
  const uint32_t align = static_cast<uint32_t>(channels * bits / 8);
  std::vector<uint8_t> h;
  auto tag = [&](const char* t) { h.insert(h.end(), t, t + 4); };
  tag("RIFF");
  Put(h, 36 + dataBytes, 4);
  tag("WAVE");
  tag("fmt ");
  for (auto [v, n] : {std::pair{16u, 4}, {1u, 2}, {uint32_t(channels), 2}, {rate, 4}, {rate * align, 4}, {align, 2},
                      {uint32_t(bits), 2}})
    Put(h, v, n);
  tag("data");
  Put(h, dataBytes, 4);
  return h;
}
// Interleaved 16-bit samples as a WAV image.
inline std::vector<uint8_t> Image16(uint32_t rate, int channels, const std::vector<int16_t>& samples) {
  std::vector<uint8_t> img = Header(rate, channels, 16, static_cast<uint32_t>(samples.size() * 2));
  for (int16_t s : samples) Put(img, static_cast<uint16_t>(s), 2);
  return img;
}
}  // namespace testwav
