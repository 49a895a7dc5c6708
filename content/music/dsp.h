// Small building blocks of the synthesiser: oscillators, filters, envelopes, noise.
#pragma once
#include <cstdint>

namespace music {

constexpr double SampleRate = 44100.0;
constexpr double Pi = 3.14159265358979323846;

// Frequency of a MIDI note number (69 = A 440 Hz).
double NoteHz(double note);

// Deterministic white noise in [-1, 1).
class Noise {
 public:
  explicit Noise(uint32_t seed = 0x2545F491u) : state_(seed ? seed : 1u) {}
  float Next();

 private:
  uint32_t state_;
};

// Phase accumulator with band-limited waveforms (polyBLEP edges).
class Osc {
 public:
  explicit Osc(double phase = 0.0) : phase_(phase) {}
  // Each call advances by one sample at frequency hz.
  float Sine(double hz);
  float Saw(double hz);
  float Square(double hz, double width = 0.5);
  double Phase() const { return phase_; }

 private:
  void Advance(double inc);
  double phase_;
};

// Trapezoidal state-variable filter: stable and accurate up to near Nyquist.
class Svf {
 public:
  // cutoff in Hz, resonance 0 (none) .. about 0.95.
  void Set(double cutoff, double resonance);
  float Low(float in);
  float High(float in);
  float Band(float in);

 private:
  void Run(float in);
  float k_ = 2.0f, a1_ = 1.0f, a2_ = 0.0f, a3_ = 0.0f;
  float ic1_ = 0.0f, ic2_ = 0.0f;
  float in_ = 0.0f, low_ = 0.0f, band_ = 0.0f;
};

// One-pole low-pass, for smoothing and darkening.
class OnePole {
 public:
  void Set(double cutoff);
  float Run(float in);

 private:
  float a_ = 1.0f, z_ = 0.0f;
};

// Linear attack, exponential decay to a sustain level, exponential release.
struct Adsr {
  double attack = 0.005, decay = 0.2, sustain = 0.7, release = 0.2;
  // Level at time t after note-on, for a note held for `held` seconds.
  double At(double t, double held) const;
  // How long the note sounds in all.
  double Length(double held) const { return held + release * 5.0; }
};

// Equal-power pan: pan -1 (left) .. 1 (right).
void PanGains(double pan, float* left, float* right);

}  // namespace music
