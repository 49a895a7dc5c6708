#include "content/music/dsp.h"

#include <algorithm>
#include <cmath>

namespace music {

double NoteHz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

float Noise::Next() {
  state_ ^= state_ << 13;
  state_ ^= state_ >> 17;
  state_ ^= state_ << 5;
  return static_cast<float>(static_cast<double>(state_) / 2147483648.0 - 1.0);
}

namespace {
// Residual of a band-limited step at phase t (0..1) for phase increment dt.
double PolyBlep(double t, double dt) {
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1.0;
  }
  if (t > 1.0 - dt) {
    t = (t - 1.0) / dt;
    return t * t + t + t + 1.0;
  }
  return 0.0;
}
}  // namespace

void Osc::Advance(double inc) {
  phase_ += inc;
  phase_ -= std::floor(phase_);
}

float Osc::Sine(double hz) {
  float v = static_cast<float>(std::sin(2.0 * Pi * phase_));
  Advance(hz / SampleRate);
  return v;
}

float Osc::Saw(double hz) {
  double dt = std::min(hz / SampleRate, 0.5);
  double v = 2.0 * phase_ - 1.0 - PolyBlep(phase_, dt);
  Advance(dt);
  return static_cast<float>(v);
}

float Osc::Square(double hz, double width) {
  double dt = std::min(hz / SampleRate, 0.5);
  double v = phase_ < width ? 1.0 : -1.0;
  v += PolyBlep(phase_, dt);
  double shifted = phase_ + (1.0 - width);
  shifted -= std::floor(shifted);
  v -= PolyBlep(shifted, dt);
  Advance(dt);
  return static_cast<float>(v);
}

void Svf::Set(double cutoff, double resonance) {
  cutoff = std::clamp(cutoff, 20.0, SampleRate * 0.45);
  double g = std::tan(Pi * cutoff / SampleRate);
  double k = 2.0 * (1.0 - std::clamp(resonance, 0.0, 0.97));
  double a1 = 1.0 / (1.0 + g * (g + k));
  k_ = static_cast<float>(k);
  a1_ = static_cast<float>(a1);
  a2_ = static_cast<float>(g * a1);
  a3_ = static_cast<float>(g * g * a1);
}

void Svf::Run(float in) {
  float v3 = in - ic2_;
  band_ = a1_ * ic1_ + a2_ * v3;
  low_ = ic2_ + a2_ * ic1_ + a3_ * v3;
  ic1_ = 2.0f * band_ - ic1_;
  ic2_ = 2.0f * low_ - ic2_;
  in_ = in;
}

float Svf::Low(float in) {
  Run(in);
  return low_;
}
float Svf::High(float in) {
  Run(in);
  return in_ - k_ * band_ - low_;
}
float Svf::Band(float in) {
  Run(in);
  return band_;
}

void OnePole::Set(double cutoff) {
  a_ = static_cast<float>(1.0 - std::exp(-2.0 * Pi * cutoff / SampleRate));
}

float OnePole::Run(float in) {
  z_ += a_ * (in - z_);
  return z_;
}

double Adsr::At(double t, double held) const {
  auto hold = [this](double u) {
    if (u < attack) return u / attack;
    return sustain + (1.0 - sustain) * std::exp(-(u - attack) / std::max(decay, 1e-4));
  };
  if (t < 0.0) return 0.0;
  if (t < held) return hold(t);
  return hold(held) * std::exp(-(t - held) / std::max(release, 1e-4));
}

void PanGains(double pan, float* left, float* right) {
  double a = (std::clamp(pan, -1.0, 1.0) + 1.0) * Pi / 4.0;
  *left = static_cast<float>(std::cos(a));
  *right = static_cast<float>(std::sin(a));
}

}  // namespace music
