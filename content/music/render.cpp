#include "content/music/render.h"

#include <algorithm>
#include <cmath>

#include "content/music/dsp.h"
#include "content/music/effects.h"
#include "content/music/mix.h"
#include "content/music/score.h"

namespace music {

namespace {
// Peak level the master is scaled to; leaves room for the encoder's overshoot.
constexpr double PeakTarget = 0.80;
// The mix is brought down by this much, then saturates softly above Knee.
constexpr float MasterGain = 0.9f;
constexpr float Knee = 0.55f;

float SoftLimit(float x) {
  float a = std::fabs(x);
  if (a <= Knee) return x;
  float over = (a - Knee) / (1.0f - Knee);
  float shaped = Knee + (1.0f - Knee) * std::tanh(over);
  return x < 0 ? -shaped : shaped;
}
}  // namespace

Rendered Render(std::size_t leadFrames) {
  Mix mix(FrameAt(MusicEnd) + 1);
  Compose(mix);

  Bus out = mix.dry;
  Reverb(mix.reverbSend, out, 0.78, 0.4);
  // Echo on the dotted eighth of the first scene's beat.
  PingPongEcho(mix.echoSend, out, 0.75 * (SceneChanges[1] - SceneChanges[0]) / 32.0, 0.45, 3800.0);

  const std::size_t frames = out.left.size();
  float peak = 0.0f;
  // The kick's falling pitch leaves a little DC; a gentle high-pass takes it out.
  Svf dcLeft, dcRight;
  dcLeft.Set(22.0, 0.3);
  dcRight.Set(22.0, 0.3);
  for (std::size_t i = 0; i < frames; ++i) {
    float gate = static_cast<float>(MasterGate(i / SampleRate));
    out.left[i] = SoftLimit(dcLeft.High(out.left[i]) * gate * MasterGain);
    out.right[i] = SoftLimit(dcRight.High(out.right[i]) * gate * MasterGain);
    peak = std::max({peak, std::fabs(out.left[i]), std::fabs(out.right[i])});
  }
  const double scale = peak > 0.0f ? PeakTarget / peak : 1.0;

  Rendered result;
  double sumSquares = 0.0, outPeak = 0.0;
  std::size_t first = std::min(leadFrames, frames);
  result.samples.reserve((frames - first) * 2);
  for (std::size_t i = first; i < frames; ++i) {
    for (float v : {out.left[i], out.right[i]}) {
      double x = v * scale;
      sumSquares += x * x;
      outPeak = std::max(outPeak, std::fabs(x));
      long q = std::lround(x * 32767.0);
      result.samples.push_back(static_cast<int16_t>(std::clamp(q, -32768L, 32767L)));
    }
  }
  std::size_t count = result.samples.size();
  result.peakDb = 20.0 * std::log10(std::max(outPeak, 1e-9));
  result.rmsDb = 10.0 * std::log10(std::max(sumSquares / std::max<std::size_t>(count, 1), 1e-18));
  return result;
}

}  // namespace music
