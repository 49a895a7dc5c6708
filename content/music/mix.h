// Stereo buses the instruments play into, and what turns them into one track.
#pragma once
#include <cstddef>
#include <vector>

namespace music {

struct Bus {
  std::vector<float> left, right;
  void Add(std::size_t frame, float l, float r) {
    if (frame < left.size()) {
      left[frame] += l;
      right[frame] += r;
    }
  }
};

// Every instrument writes dry sound and, in proportion, into the two effect sends.
struct Mix {
  explicit Mix(std::size_t frames);
  std::size_t Frames() const { return dry.left.size(); }
  // One stereo sample at `frame`, with send levels for the reverb and the echo.
  void Put(std::size_t frame, float l, float r, float reverb, float echo);

  Bus dry, reverbSend, echoSend;
};

// Frame index of a time in seconds.
std::size_t FrameAt(double seconds);

}  // namespace music
