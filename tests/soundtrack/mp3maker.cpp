#include "tests/soundtrack/mp3maker.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace soundtest {

namespace {
void Put(std::vector<uint8_t>& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
}  // namespace

std::string MakeMp3(const std::string& dir, const std::string& name, const ToneSpec& spec) {
  const uint32_t frames = static_cast<uint32_t>(spec.seconds * spec.rate);
  const uint32_t dataBytes = frames * spec.channels * 2;
  std::vector<uint8_t> wav;
  wav.insert(wav.end(), {'R', 'I', 'F', 'F'});
  Put(wav, 36 + dataBytes, 4);
  wav.insert(wav.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put(wav, 16, 4);
  Put(wav, 1, 2);
  Put(wav, spec.channels, 2);
  Put(wav, spec.rate, 4);
  Put(wav, spec.rate * spec.channels * 2, 4);
  Put(wav, spec.channels * 2, 2);
  Put(wav, 16, 2);
  wav.insert(wav.end(), {'d', 'a', 't', 'a'});
  Put(wav, dataBytes, 4);
  for (uint32_t i = 0; i < frames; ++i) {
    double t = static_cast<double>(i) / spec.rate;
    Put(wav, static_cast<uint16_t>(static_cast<int16_t>(std::lround(12000.0 * std::sin(2 * M_PI * spec.leftHz * t)))), 2);
    if (spec.channels == 2)
      Put(wav, static_cast<uint16_t>(static_cast<int16_t>(std::lround(12000.0 * std::sin(2 * M_PI * spec.rightHz * t)))), 2);
  }
  std::string wavPath = dir + "/" + name + ".wav", mp3Path = dir + "/" + name + ".mp3";
  std::FILE* f = std::fopen(wavPath.c_str(), "wb");
  if (!f) return "";
  std::fwrite(wav.data(), 1, wav.size(), f);
  std::fclose(f);
  std::string mode = spec.channels == 2 ? "s" : "m";
  std::string cmd = "lame --quiet --noreplaygain --cbr -b 128 -m " + mode + " '" + wavPath + "' '" + mp3Path + "'";
  if (std::system(cmd.c_str()) != 0) return "";
  std::remove(wavPath.c_str());
  return mp3Path;
}

}  // namespace soundtest
