#include "content/music/effects.h"

#include <cstddef>
#include <vector>

#include "content/music/dsp.h"

namespace music {

namespace {

class Comb {
 public:
  explicit Comb(std::size_t length) : buffer_(length, 0.0f) {}
  float Run(float in, float feedback, float damp) {
    float out = buffer_[index_];
    store_ = out * (1.0f - damp) + store_ * damp;
    buffer_[index_] = in + store_ * feedback;
    if (++index_ == buffer_.size()) index_ = 0;
    return out;
  }

 private:
  std::vector<float> buffer_;
  std::size_t index_ = 0;
  float store_ = 0.0f;
};

class Allpass {
 public:
  explicit Allpass(std::size_t length) : buffer_(length, 0.0f) {}
  float Run(float in) {
    float delayed = buffer_[index_];
    float out = delayed - in;
    buffer_[index_] = in + delayed * 0.5f;
    if (++index_ == buffer_.size()) index_ = 0;
    return out;
  }

 private:
  std::vector<float> buffer_;
  std::size_t index_ = 0;
};

// One channel of a Schroeder-Moorer reverb; the right channel uses longer lines
// so the two sides decorrelate.
class Room {
 public:
  explicit Room(std::size_t spread) {
    for (std::size_t n : {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617}) combs_.emplace_back(n + spread);
    for (std::size_t n : {556, 441, 341, 225}) allpasses_.emplace_back(n + spread);
  }
  float Run(float in, float feedback, float damp) {
    float sum = 0.0f;
    for (Comb& c : combs_) sum += c.Run(in, feedback, damp);
    for (Allpass& a : allpasses_) sum = a.Run(sum);
    return sum;
  }

 private:
  std::vector<Comb> combs_;
  std::vector<Allpass> allpasses_;
};

}  // namespace

void Reverb(const Bus& send, Bus& out, double roomSize, double damping) {
  Room left(0), right(23);
  const float feedback = static_cast<float>(0.7 + 0.28 * roomSize);
  const float damp = static_cast<float>(damping * 0.4);
  const float inputGain = 0.015f;
  for (std::size_t i = 0; i < send.left.size(); ++i) {
    float in = (send.left[i] + send.right[i]) * inputGain;
    float l = left.Run(in, feedback, damp);
    float r = right.Run(in, feedback, damp);
    // A little cross-blend keeps the image wide without holes in the middle.
    out.Add(i, l * 0.85f + r * 0.15f, r * 0.85f + l * 0.15f);
  }
}

void PingPongEcho(const Bus& send, Bus& out, double delay, double feedback, double tone) {
  const std::size_t length = FrameAt(delay);
  if (length == 0) return;
  std::vector<float> lineL(length, 0.0f), lineR(length, 0.0f);
  OnePole toneL, toneR;
  toneL.Set(tone);
  toneR.Set(tone);
  const float fb = static_cast<float>(feedback);
  std::size_t index = 0;
  for (std::size_t i = 0; i < send.left.size(); ++i) {
    float outL = lineL[index], outR = lineR[index];
    // The mono sum enters on the left only; feedback crosses the sides.
    float in = (send.left[i] + send.right[i]) * 0.5f;
    lineL[index] = in + toneR.Run(outR) * fb;
    lineR[index] = toneL.Run(outL) * fb;
    out.Add(i, outL, outR);
    if (++index == length) index = 0;
  }
}

}  // namespace music
