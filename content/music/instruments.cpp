#include "content/music/instruments.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "content/music/dsp.h"

namespace music {

namespace {

// Every hit gets its own noise seed, so repeated hits are not copies of each other
// and the output stays the same from run to run.
uint32_t SeedFor(double time, uint32_t salt) {
  return static_cast<uint32_t>(std::llround(time * 1000.0)) * 2654435761u + salt * 40503u + 1u;
}

std::size_t Samples(double seconds) { return FrameAt(seconds); }

}  // namespace

void Kick(Mix& mix, double time, double gain) {
  Osc osc;
  const std::size_t start = FrameAt(time), n = Samples(0.42);
  for (std::size_t i = 0; i < n; ++i) {
    double t = i / SampleRate;
    double hz = 44.0 + 120.0 * std::exp(-t / 0.028) + 60.0 * std::exp(-t / 0.004);
    double amp = std::exp(-t / 0.16) * std::min(1.0, t / 0.0008);
    float v = static_cast<float>(std::tanh(1.6 * osc.Sine(hz) * amp) * gain * 0.5);
    mix.Put(start + i, v, v, 0.0f, 0.0f);
  }
}

void Snare(Mix& mix, double time, double gain, double pan) {
  Osc body;
  Noise noise(SeedFor(time, 1));
  Svf band;
  band.Set(2600.0, 0.35);
  Svf high;
  high.Set(900.0, 0.0);
  float gl, gr;
  PanGains(pan, &gl, &gr);
  const std::size_t start = FrameAt(time), n = Samples(0.35);
  for (std::size_t i = 0; i < n; ++i) {
    double t = i / SampleRate;
    double tone = body.Sine(190.0 + 40.0 * std::exp(-t / 0.01)) * std::exp(-t / 0.045) * 0.55;
    float nz = noise.Next();
    double rattle = (band.Band(nz) * 0.9 + high.High(nz) * 0.35) * std::exp(-t / 0.085);
    float v = static_cast<float>((tone + rattle) * gain * 2.2 * std::min(1.0, t / 0.0005));
    mix.Put(start + i, v * gl, v * gr, 0.35f, 0.0f);
  }
}

void Hat(Mix& mix, double time, double gain, bool open, double pan) {
  // Six detuned square partials give the metal; noise gives the air.
  static const double ratios[6] = {1.0, 1.342, 1.2312, 1.6532, 1.9523, 2.1523};
  Osc partials[6];
  Noise noise(SeedFor(time, 2));
  Svf high;
  high.Set(7200.0, 0.2);
  float gl, gr;
  PanGains(pan, &gl, &gr);
  const double decay = open ? 0.16 : 0.028;
  const std::size_t start = FrameAt(time), n = Samples(decay * 6.0);
  for (std::size_t i = 0; i < n; ++i) {
    double t = i / SampleRate;
    double metal = 0.0;
    for (int k = 0; k < 6; ++k) metal += partials[k].Square(420.0 * ratios[k]);
    float src = static_cast<float>(metal * 0.12 + noise.Next() * 0.6);
    float v = static_cast<float>(high.High(src) * std::exp(-t / decay) * gain * 3.2);
    mix.Put(start + i, v * gl, v * gr, 0.12f, 0.0f);
  }
}

void Shaker(Mix& mix, double time, double gain, double pan) {
  Noise noise(SeedFor(time, 3));
  Svf band;
  band.Set(5200.0, 0.4);
  float gl, gr;
  PanGains(pan, &gl, &gr);
  const std::size_t start = FrameAt(time), n = Samples(0.09);
  for (std::size_t i = 0; i < n; ++i) {
    double t = i / SampleRate;
    double env = std::min(1.0, t / 0.012) * std::exp(-t / 0.022);
    float v = static_cast<float>(band.Band(noise.Next()) * env * gain * 6.0);
    mix.Put(start + i, v * gl, v * gr, 0.2f, 0.0f);
  }
}

void Crash(Mix& mix, double time, double gain) {
  // Independent noise on each side: a wide cymbal.
  Noise nl(SeedFor(time, 4)), nr(SeedFor(time, 5));
  Svf hl, hr;
  hl.Set(3800.0, 0.1);
  hr.Set(4100.0, 0.1);
  const std::size_t start = FrameAt(time), n = Samples(2.6);
  for (std::size_t i = 0; i < n; ++i) {
    double t = i / SampleRate;
    double env = std::exp(-t / 0.55) * std::min(1.0, t / 0.0007) * gain * 0.85;
    mix.Put(start + i, static_cast<float>(hl.High(nl.Next()) * env),
            static_cast<float>(hr.High(nr.Next()) * env), 0.25f, 0.0f);
  }
}

void Bass(Mix& mix, double time, double length, double note, double gain) {
  Osc saw, sub;
  Svf filter;
  Adsr env{0.003, 0.12, 0.65, 0.04};
  const double hz = NoteHz(note);
  const std::size_t start = FrameAt(time), n = Samples(env.Length(length));
  for (std::size_t i = 0; i < n; ++i) {
    double t = i / SampleRate;
    if (i % 16 == 0) filter.Set(180.0 + 1700.0 * std::exp(-t / 0.07), 0.55);
    double raw = saw.Saw(hz) * 0.7 + sub.Sine(hz * 0.5) * 0.6;
    float v = static_cast<float>(filter.Low(static_cast<float>(raw)) * env.At(t, length) * gain * 0.67);
    mix.Put(start + i, v, v, 0.0f, 0.0f);
  }
}

void Sub(Mix& mix, double time, double length, double note, double gain) {
  Osc osc;
  Adsr env{0.02, 0.3, 0.85, 0.15};
  const double hz = NoteHz(note);
  const std::size_t start = FrameAt(time), n = Samples(env.Length(length));
  for (std::size_t i = 0; i < n; ++i) {
    double t = i / SampleRate;
    float v = static_cast<float>(std::tanh(1.3 * osc.Sine(hz)) * env.At(t, length) * gain * 0.55);
    mix.Put(start + i, v, v, 0.0f, 0.0f);
  }
}

void Pad(Mix& mix, double time, double length, const std::vector<double>& notes, double gain,
         double cutoffFrom, double cutoffTo, double attack) {
  Adsr env{attack, 0.8, 0.8, 0.5};
  const std::size_t start = FrameAt(time), n = Samples(env.Length(length));
  const double detune[3] = {-0.11, 0.0, 0.09};  // semitones; mirrored on the right
  for (std::size_t k = 0; k < notes.size(); ++k) {
    Osc left[3], right[3];
    for (int j = 0; j < 3; ++j) {
      left[j] = Osc(0.13 * j + 0.07 * k);
      right[j] = Osc(0.41 * j + 0.19 * k);
    }
    double hzLeft[3], hzRight[3];
    for (int j = 0; j < 3; ++j) {
      hzLeft[j] = NoteHz(notes[k] + detune[j]);
      hzRight[j] = NoteHz(notes[k] - detune[j]);
    }
    Svf fl, fr;
    for (std::size_t i = 0; i < n; ++i) {
      double t = i / SampleRate;
      if (i % 64 == 0) {
        double u = std::min(1.0, t / std::max(length, 1e-3));
        double cutoff = cutoffFrom * std::pow(cutoffTo / cutoffFrom, u);
        fl.Set(cutoff, 0.15);
        fr.Set(cutoff * 1.03, 0.15);
      }
      double l = 0.0, r = 0.0;
      for (int j = 0; j < 3; ++j) {
        l += left[j].Saw(hzLeft[j]);
        r += right[j].Saw(hzRight[j]);
      }
      double a = env.At(t, length) * gain * 0.55 / 3.0;
      mix.Put(start + i, static_cast<float>(fl.Low(static_cast<float>(l)) * a),
              static_cast<float>(fr.Low(static_cast<float>(r)) * a), 0.55f, 0.0f);
    }
  }
}

void Pluck(Mix& mix, double time, double length, double note, double gain, double pan, double bright) {
  Osc sq, saw;
  Svf filter;
  float gl, gr;
  PanGains(pan, &gl, &gr);
  Adsr env{0.002, 0.18, 0.0, 0.08};
  const double hz = NoteHz(note);
  const std::size_t start = FrameAt(time), n = Samples(env.Length(length));
  for (std::size_t i = 0; i < n; ++i) {
    double t = i / SampleRate;
    if (i % 16 == 0) filter.Set(350.0 + bright * 4200.0 * std::exp(-t / 0.06), 0.4);
    double raw = sq.Square(hz, 0.3) * 0.6 + saw.Saw(hz * 1.003) * 0.4;
    float v = static_cast<float>(filter.Low(static_cast<float>(raw)) * env.At(t, length) * gain * 2.0);
    mix.Put(start + i, v * gl, v * gr, 0.2f, 0.55f);
  }
}

void Lead(Mix& mix, double time, double length, double note, double gain) {
  Osc a(0.0), b(0.37), c(0.71), lfo;
  Svf fl, fr;
  Adsr env{0.012, 0.25, 0.75, 0.12};
  const std::size_t start = FrameAt(time), n = Samples(env.Length(length));
  for (std::size_t i = 0; i < n; ++i) {
    double t = i / SampleRate;
    double depth = std::clamp((t - 0.18) / 0.3, 0.0, 1.0) * 0.14;
    double pitch = note + depth * lfo.Sine(5.4);
    if (i % 32 == 0) {
      double cutoff = 1400.0 + 2600.0 * std::exp(-t / 0.25);
      fl.Set(cutoff, 0.3);
      fr.Set(cutoff, 0.3);
    }
    double center = a.Saw(NoteHz(pitch));
    double l = center + b.Saw(NoteHz(pitch - 0.08)) * 0.8;
    double r = center + c.Saw(NoteHz(pitch + 0.08)) * 0.8;
    double amp = env.At(t, length) * gain * 0.67;
    mix.Put(start + i, static_cast<float>(fl.Low(static_cast<float>(l)) * amp),
            static_cast<float>(fr.Low(static_cast<float>(r)) * amp), 0.3f, 0.35f);
  }
}

void Bell(Mix& mix, double time, double length, double note, double gain, double pan) {
  Osc carrier, modulator, shimmer;
  float gl, gr;
  PanGains(pan, &gl, &gr);
  const double hz = NoteHz(note);
  const double ring = 0.5 + 0.5 * std::min(length, 2.0);
  const std::size_t start = FrameAt(time), n = Samples(ring * 4.0);
  for (std::size_t i = 0; i < n; ++i) {
    double t = i / SampleRate;
    double index = 2.4 * std::exp(-t / 0.35) + 0.25;
    double m = modulator.Sine(hz * 3.5) * index;
    double c = std::sin(2.0 * Pi * carrier.Phase() + m);
    carrier.Sine(hz);
    double s = shimmer.Sine(hz * 2.005) * 0.25 * std::exp(-t / 0.5);
    double env = std::min(1.0, t / 0.002) * std::exp(-t / ring);
    float v = static_cast<float>((c + s) * env * gain);
    mix.Put(start + i, v * gl, v * gr, 0.4f, 0.45f);
  }
}

void Riser(Mix& mix, double time, double length, double gain) {
  Noise nl(SeedFor(time, 6)), nr(SeedFor(time, 7));
  Svf fl, fr;
  const std::size_t start = FrameAt(time), n = Samples(length);
  for (std::size_t i = 0; i < n; ++i) {
    double u = static_cast<double>(i) / n;
    if (i % 32 == 0) {
      double cutoff = 300.0 * std::pow(9000.0 / 300.0, u);
      fl.Set(cutoff, 0.6);
      fr.Set(cutoff * 1.07, 0.6);
    }
    double amp = u * u * gain;
    mix.Put(start + i, static_cast<float>(fl.Band(nl.Next()) * amp),
            static_cast<float>(fr.Band(nr.Next()) * amp), 0.5f, 0.0f);
  }
}

void Swell(Mix& mix, double time, double length, double gain) {
  Noise nl(SeedFor(time, 8)), nr(SeedFor(time, 9));
  Svf hl, hr;
  hl.Set(3000.0, 0.1);
  hr.Set(3300.0, 0.1);
  const std::size_t start = FrameAt(time), n = Samples(length);
  for (std::size_t i = 0; i < n; ++i) {
    double left = static_cast<double>(n - i) / SampleRate;
    double amp = std::exp(-left / (length * 0.3)) * gain;
    mix.Put(start + i, static_cast<float>(hl.High(nl.Next()) * amp),
            static_cast<float>(hr.High(nr.Next()) * amp), 0.3f, 0.0f);
  }
}

}  // namespace music
