#include "content/music/mix.h"

#include <cmath>

#include "content/music/dsp.h"

namespace music {

Mix::Mix(std::size_t frames) {
  for (Bus* bus : {&dry, &reverbSend, &echoSend}) {
    bus->left.assign(frames, 0.0f);
    bus->right.assign(frames, 0.0f);
  }
}

void Mix::Put(std::size_t frame, float l, float r, float reverb, float echo) {
  dry.Add(frame, l, r);
  if (reverb != 0.0f) reverbSend.Add(frame, l * reverb, r * reverb);
  if (echo != 0.0f) echoSend.Add(frame, l * echo, r * echo);
}

std::size_t FrameAt(double seconds) {
  return seconds <= 0.0 ? 0 : static_cast<std::size_t>(std::llround(seconds * SampleRate));
}

}  // namespace music
