// The show's music: decoded whole into a wave image at start-up, played from memory.
#pragma once

void DecodeSoundtrack(const char* name);
// Starts the sound once per (re)start; called every frame.
void StartSound();
void StopSound();
