#include "vo/soundtrack.h"

// Soundtrack playback is not built yet: the show runs silent, and these are
// called where the main loop will decode, start and stop the music.
void DecodeSoundtrack(const char*) {}
void StartSound() {}
void StopSound() {}
