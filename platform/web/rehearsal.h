// The rehearsal: the show run once before it is watched, unseen (but for its
// first frame) and unheard, on a clock of its own that the caller steps. The
// browser compiles a function when it is first called and again, optimised,
// once it has run a while; a rehearsal leaves both behind it, so frames of the
// watched show are not slowed by them.
#pragma once
#include <cstdint>

namespace platform::web {

void BeginRehearsal();
void SetRehearsalTime(uint64_t microseconds);
// Ends the running show as its Escape key does.
void EndShow();
// Back to the page's clock, sound and screen; keys given meanwhile are dropped.
void EndRehearsal();
// Before the show runs again in the same page (after the rehearsal, or for a
// bench's next pass): the screen starts a new run, keys given meanwhile are
// dropped and the virtual clock goes back to 0.
void NewPass();
// The viewer has given the click or key that starts the show.
bool ViewerStarted();

}  // namespace platform::web
