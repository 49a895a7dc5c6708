// The instruments. Each call plays one note (or hit) into the mix at a time in seconds.
#pragma once
#include <vector>

#include "content/music/mix.h"

namespace music {

void Kick(Mix& mix, double time, double gain);
void Snare(Mix& mix, double time, double gain, double pan = 0.0);
void Hat(Mix& mix, double time, double gain, bool open, double pan);
void Shaker(Mix& mix, double time, double gain, double pan);
void Crash(Mix& mix, double time, double gain);

// Resonant saw bass with a snappy filter.
void Bass(Mix& mix, double time, double length, double note, double gain);
// Clean sine sub bass.
void Sub(Mix& mix, double time, double length, double note, double gain);
// Wide detuned-saw chord; cutoff moves from cutoffFrom to cutoffTo over the note.
void Pad(Mix& mix, double time, double length, const std::vector<double>& notes, double gain,
         double cutoffFrom, double cutoffTo, double attack = 0.25);
// Short plucked square, sent to the echo.
void Pluck(Mix& mix, double time, double length, double note, double gain, double pan, double bright);
// Singing two-saw lead with delayed vibrato.
void Lead(Mix& mix, double time, double length, double note, double gain);
// FM bell.
void Bell(Mix& mix, double time, double length, double note, double gain, double pan);
// Filtered noise sweeping upward, growing louder to its end.
void Riser(Mix& mix, double time, double length, double gain);
// Reversed-cymbal swell ending at time + length.
void Swell(Mix& mix, double time, double length, double gain);

}  // namespace music
