// The default soundtrack's composition: four sections that change with the show's
// scenes at 2.0 s, 17.3 s and 24.0 s.
#pragma once
#include <vector>

#include "content/music/mix.h"

namespace music {

// Show time of the scene changes, in seconds.
constexpr double SceneChanges[3] = {2.0, 17.3, 24.0};
// Where the music has faded out completely.
constexpr double MusicEnd = 33.3;

// Plays every note of the piece into the mix (times are show times).
void Compose(Mix& mix);

// Master gain at show time t: the short stops before each scene change and the
// final fade. The stops make the scene changes land as clean attacks.
double MasterGate(double t);

}  // namespace music
