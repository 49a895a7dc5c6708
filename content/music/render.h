// Renders the piece to 16-bit stereo PCM.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace music {

struct Rendered {
  std::vector<int16_t> samples;  // left and right interleaved
  double peakDb = 0.0;           // before conversion to 16 bits, dBFS
  double rmsDb = 0.0;
};

// The piece from show time leadFrames / 44100 s on: the first leadFrames of the
// music are dropped so that a player which adds that much delay starts in step.
Rendered Render(std::size_t leadFrames);

}  // namespace music
