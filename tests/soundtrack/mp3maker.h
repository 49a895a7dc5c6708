// MP3 files made at test time by a real encoder (lame) from generated tones.
#pragma once
#include <string>

namespace soundtest {

struct ToneSpec {
  double seconds = 2.0;
  int rate = 44100;
  int channels = 2;
  double leftHz = 440.0;   // the right channel (when there is one) plays rightHz
  double rightHz = 1000.0;
};

// Writes dir/name.mp3 (128 kbit/s constant) and returns its path; "" when the
// encoder failed.
std::string MakeMp3(const std::string& dir, const std::string& name, const ToneSpec& wanted);

}  // namespace soundtest
