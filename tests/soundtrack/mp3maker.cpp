#include "tests/soundtrack/mp3maker.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tests/support/wav.h"

namespace soundtest {

std::string MakeMp3(const std::string& dir, const std::string& name, const ToneSpec& wanted) {
  const uint32_t frames = static_cast<uint32_t>(wanted.seconds * wanted.rate);
  std::vector<int16_t> samples;
  auto tone = [](double hz, double t) { return static_cast<int16_t>(std::lround(12000.0 * std::sin(2 * M_PI * hz * t))); };
  for (uint32_t i = 0; i < frames; ++i) {
    double t = static_cast<double>(i) / wanted.rate;
    samples.push_back(tone(wanted.leftHz, t));
    if (wanted.channels == 2) samples.push_back(tone(wanted.rightHz, t));
  }
  std::string wavPath = dir + "/" + name + ".wav", mp3Path = dir + "/" + name + ".mp3";
  if (!testwav::WriteFile(wavPath, testwav::Image16(static_cast<uint32_t>(wanted.rate), wanted.channels, samples))) return "";
  std::string mode = wanted.channels == 2 ? "s" : "m";
  std::string cmd = "lame --quiet --noreplaygain --cbr -b 128 -m " + mode + " '" + wavPath + "' '" + mp3Path + "'";
  if (std::system(cmd.c_str()) != 0) return "";
  std::remove(wavPath.c_str());
  return mp3Path;
}

}  // namespace soundtest
