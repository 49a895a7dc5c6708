#include "content/music/score.h"

#include <algorithm>
#include <cstddef>

#include "content/music/instruments.h"

namespace music {

namespace {

using Chord = std::vector<double>;

// A stretch of the piece with its own tempo.
struct Section {
  double start;
  double beat;  // seconds per beat
  double At(double beats) const { return start + beats * beat; }
};

// The first scene holds 32 beats, the second 14 (two bars of 7/4); the last
// returns to the first tempo.
const Section Opening{0.0, 0.5};
const Section Groove{SceneChanges[0], (SceneChanges[1] - SceneChanges[0]) / 32.0};
const Section Liquid{SceneChanges[1], (SceneChanges[2] - SceneChanges[1]) / 14.0};
const Section Home{SceneChanges[2], (SceneChanges[1] - SceneChanges[0]) / 32.0};

// Silence before each change; long enough to read the attack after it.
constexpr double StopLength = 0.045;
constexpr double StopFade = 0.012;

// Arpeggio order over a five-note chord.
const int ArpOrder[8] = {0, 2, 4, 1, 3, 4, 2, 1};

void Opening0(Mix& mix) {
  const Chord am9 = {45, 57, 60, 64, 67, 71};
  Pad(mix, 0.0, 1.9, am9, 0.34, 180.0, 3200.0, 1.4);
  Swell(mix, 0.25, SceneChanges[0] - StopLength - 0.25, 0.32);
  Riser(mix, 0.7, SceneChanges[0] - StopLength - 0.7, 0.5);
  // A pickup on the bell, rising into the first scene.
  const double pickup[4] = {64, 67, 69, 72};
  for (int i = 0; i < 4; ++i) Bell(mix, Opening.At(2.0 + 0.5 * i), 0.4, pickup[i] + 12, 0.16, -0.5 + 0.33 * i);
}

void Groove1(Mix& mix) {
  const Section& s = Groove;
  const Chord chords[4] = {
      {57, 60, 64, 67, 71},  // A minor 9
      {53, 57, 60, 64, 67},  // F major 9
      {55, 60, 64, 67, 74},  // C add 9
      {55, 59, 62, 67, 69},  // G add 9
  };
  const Chord e7 = {52, 56, 59, 62, 64};
  const double roots[4] = {33, 29, 36, 31};

  Crash(mix, s.At(0), 0.5);
  for (int bar = 0; bar < 8; ++bar) {
    const double b0 = bar * 4.0;
    const Chord& chord = chords[bar % 4];
    const bool full = bar >= 2;
    const bool last = bar == 7;
    const double root = roots[bar % 4];

    // Pad: closed in the first bars, opening as the scene builds.
    const double openness = full ? 1.0 : 0.45;
    if (last) {
      Pad(mix, s.At(b0), 2.0 * s.beat, chord, 0.22, 900.0 * openness, 2200.0, 0.05);
      Pad(mix, s.At(b0 + 2), 1.9 * s.beat, e7, 0.22, 1500.0, 3000.0, 0.05);
    } else {
      Pad(mix, s.At(b0), 4.0 * s.beat, chord, 0.22, 700.0 * openness, 1800.0 * openness, bar == 0 ? 0.02 : 0.12);
    }

    // Bass: long notes first, then an eighth-note line.
    if (!full) {
      Bass(mix, s.At(b0), 1.9 * s.beat, root, 0.42);
      Bass(mix, s.At(b0 + 2), 1.9 * s.beat, root, 0.42);
    } else {
      static const double line[8] = {0, 0, 12, 0, 0, 12, 0, 7};
      for (int e = 0; e < 8; ++e) {
        double r = (last && e >= 4) ? 28 : root;
        if (last && e == 7) break;  // leave room for the stop
        Bass(mix, s.At(b0 + e * 0.5), 0.4 * s.beat, r + line[e], 0.4);
      }
    }

    // Arpeggio in sixteenths, brighter as the scene goes on.
    for (int n = 0; n < 16; ++n) {
      if (last && n >= 14) break;
      const Chord& c = (last && n >= 8) ? e7 : chord;
      double note = c[ArpOrder[n % 8] % c.size()] + 12;
      double bright = 0.25 + 0.08 * bar;
      double gain = (n % 4 == 0 ? 0.15 : 0.1) * (full ? 1.0 : 0.8);
      Pluck(mix, s.At(b0 + n * 0.25), 0.2 * s.beat, note, gain, n % 2 ? 0.45 : -0.45, bright);
    }

    // Drums.
    for (int beat = 0; beat < 4; ++beat) {
      const double t = b0 + beat;
      if (full || beat == 0) {
        if (!(last && beat == 3)) Kick(mix, s.At(t), 0.85);
      }
      if (full && (beat == 1 || beat == 3) && !last) Snare(mix, s.At(t), 0.42, 0.05);
      for (int sub = 0; sub < 4; ++sub) {
        double when = t + sub * 0.25;
        if (last && beat >= 2) continue;
        if (sub == 2) {
          bool open = full && beat == 3;
          Hat(mix, s.At(when), open ? 0.16 : 0.2, open, 0.3);
        } else if (full && sub != 0) {
          Hat(mix, s.At(when), 0.07, false, 0.35);
        }
      }
    }
    if (last) {
      // A snare fill into the stop.
      Snare(mix, s.At(b0 + 1), 0.42, 0.05);
      for (int n = 0; n < 7; ++n) Snare(mix, s.At(b0 + 2 + n * 0.25), 0.18 + 0.04 * n, n % 2 ? 0.2 : -0.2);
    }
  }

  // The tune, over the last four bars while the logo and the wipe move.
  struct Note {
    double beats, length, note;
  };
  const Note tune[] = {
      {16.0, 1.0, 76}, {17.0, 0.5, 81}, {17.5, 0.5, 79}, {18.0, 1.0, 76}, {19.0, 0.5, 74}, {19.5, 0.5, 72},
      {20.0, 1.5, 72}, {21.5, 0.5, 74}, {22.0, 1.0, 76}, {23.0, 1.0, 69},
      {24.0, 0.5, 67}, {24.5, 0.5, 72}, {25.0, 0.5, 76}, {25.5, 0.5, 79}, {26.0, 1.0, 81}, {27.0, 1.0, 79},
      {28.0, 1.0, 74}, {29.0, 0.5, 79}, {29.5, 0.5, 77}, {30.0, 1.75, 76},
  };
  for (const Note& n : tune) Lead(mix, s.At(n.beats), n.length * s.beat * 0.92, n.note, 0.3);

  // The backdrop's colours come in from 16.3 s: lift toward the change.
  Riser(mix, 16.3, SceneChanges[1] - StopLength - 16.3, 0.55);
}

void Liquid2(Mix& mix) {
  const Section& s = Liquid;
  struct Span {
    double beats, length;
    Chord chord;
    double root;
  };
  const Span spans[4] = {
      {0, 4, {50, 53, 57, 60, 64}, 38},   // D minor 9
      {4, 3, {46, 53, 57, 60, 62}, 34},   // B flat major 7
      {7, 4, {55, 58, 62, 65, 69}, 31},   // G minor 9
      {11, 3, {52, 55, 57, 61, 64}, 33},  // A7
  };
  Crash(mix, s.At(0), 0.42);
  for (const Span& sp : spans) {
    const bool fading = sp.beats >= 11;
    Pad(mix, s.At(sp.beats), sp.length * s.beat * 0.97, sp.chord, 0.26, fading ? 900.0 : 1100.0,
        fading ? 4500.0 : 1500.0, 0.08);
    Sub(mix, s.At(sp.beats), sp.length * s.beat * (fading ? 0.5 : 0.95), sp.root, 0.5);
    // Bells in eighths, bouncing between the sides through the echo.
    int count = static_cast<int>(sp.length * 2);
    for (int e = 0; e < count; ++e) {
      if (fading && e >= 3) break;
      double note = sp.chord[ArpOrder[e % 8] % sp.chord.size()] + 12;
      Bell(mix, s.At(sp.beats + e * 0.5), 0.3, note, 0.1, e % 2 ? 0.6 : -0.6);
    }
  }

  // Half-time drums in 7/4 (4 + 3), up to the fade at 23 s.
  const double kicks[] = {0, 1.5, 4};
  const double snares[] = {2, 6};
  for (int bar = 0; bar < 2; ++bar) {
    double b0 = bar * 7.0;
    for (double k : kicks)
      if (s.At(b0 + k) < 22.95) Kick(mix, s.At(b0 + k), 0.8);
    for (double k : snares)
      if (s.At(b0 + k) < 22.95) Snare(mix, s.At(b0 + k), 0.38, -0.05);
    for (int n = 0; n < 28; ++n) {
      double t = s.At(b0 + n * 0.25);
      if (t >= 22.95) break;
      Shaker(mix, t, n % 2 ? 0.05 : 0.09, -0.5);
      if (n % 2 == 1) Hat(mix, t, 0.1, false, 0.45);
    }
  }

  // A slow tune over the blobs.
  struct Note {
    double beats, length, note;
  };
  const Note tune[] = {{0, 2, 81}, {2, 1, 79}, {3, 1, 77}, {4, 3, 76}, {7, 2, 74}, {9, 1, 77}, {10, 1, 79}, {11, 1.5, 81}};
  for (const Note& n : tune) Lead(mix, s.At(n.beats), n.length * s.beat * 0.95, n.note, 0.22);

  // Everything fades to white from 23 s: a sweep and a snare roll into the stop.
  const double stop = SceneChanges[2] - StopLength;
  Riser(mix, 22.8, stop - 22.8, 0.45);
  Swell(mix, 23.0, stop - 23.0, 0.3);
  for (double t = 23.3; t < stop - 0.05; t += s.beat * 0.25)
    Snare(mix, t, 0.08 + 0.3 * (t - 23.3) / (stop - 23.3), 0.0);
}

void Home3(Mix& mix) {
  const Section& s = Home;
  const Chord chords[4] = {
      {57, 61, 64, 69, 71},  // A add 9
      {56, 59, 64, 68, 71},  // E over G sharp
      {54, 57, 61, 64, 69},  // F sharp minor 7
      {50, 54, 57, 61, 64},  // D major 9
  };
  const double roots[4] = {45, 44, 42, 38};

  Crash(mix, s.At(0), 0.45);
  for (int bar = 0; bar < 4; ++bar) {
    const double b0 = bar * 4.0;
    Pad(mix, s.At(b0), 4.0 * s.beat, chords[bar], 0.24, 1500.0, 1000.0, bar == 0 ? 0.01 : 0.15);
    Bass(mix, s.At(b0), 1.8 * s.beat, roots[bar] - 12, 0.34);
    Bass(mix, s.At(b0 + 2.5), 1.3 * s.beat, roots[bar] - 12, 0.3);
    for (int n = 0; n < 8; ++n) {
      double note = chords[bar][ArpOrder[n] % 5] + 12;
      Pluck(mix, s.At(b0 + n * 0.5), 0.4 * s.beat, note, 0.07, n % 2 ? 0.5 : -0.5, 0.3);
    }
    Kick(mix, s.At(b0), 0.7);
    Kick(mix, s.At(b0 + 2), 0.55);
    Snare(mix, s.At(b0 + 3), 0.16, 0.1);
    for (int n = 0; n < 8; ++n) Hat(mix, s.At(b0 + n * 0.5), n % 2 ? 0.09 : 0.05, false, 0.3);
  }
  // The first scene's tune comes home in the major, slower, on the bell.
  struct Note {
    double beats, length, note;
  };
  const Note tune[] = {{0, 2, 76}, {2, 1, 85}, {3, 1, 83}, {4, 3, 83}, {7, 1, 80},
                       {8, 1, 81}, {9, 1, 78}, {10, 2, 76}, {12, 2, 78}, {14, 1, 76}, {15, 1, 73}};
  for (const Note& n : tune) {
    Bell(mix, s.At(n.beats), n.length * s.beat, n.note, 0.2, 0.0);
    Lead(mix, s.At(n.beats), n.length * s.beat * 0.9, n.note - 12, 0.1);
  }
  // The last chord rings out.
  const double end = s.At(16);
  Pad(mix, end, MusicEnd - end - 1.0, {45, 57, 61, 64, 69, 76}, 0.26, 2000.0, 500.0, 0.01);
  Bass(mix, end, 1.2, 33, 0.34);
  Kick(mix, end, 0.6);
  Crash(mix, end, 0.22);
  Bell(mix, end, 1.6, 81, 0.16, 0.0);
}

}  // namespace

void Compose(Mix& mix) {
  Opening0(mix);
  Groove1(mix);
  Liquid2(mix);
  Home3(mix);
}

double MasterGate(double t) {
  for (double change : SceneChanges) {
    const double stop = change - StopLength;
    if (t >= stop && t < change) return 0.0;
    if (t >= stop - StopFade && t < stop) return (stop - t) / StopFade;
  }
  const double fadeStart = MusicEnd - 1.2;
  if (t >= MusicEnd) return 0.0;
  if (t > fadeStart) return (MusicEnd - t) / (MusicEnd - fadeStart);
  return 1.0;
}

}  // namespace music
