// The two shared effects: a stereo room reverb and a ping-pong echo.
#pragma once
#include "content/music/mix.h"

namespace music {

// Adds the reverberated send bus into out.
void Reverb(const Bus& send, Bus& out, double roomSize, double damping);

// Adds a ping-pong echo of the send bus into out: the left input repeats on the
// right after `delay` seconds and back, losing `feedback` each pass.
void PingPongEcho(const Bus& send, Bus& out, double delay, double feedback, double tone);

}  // namespace music
