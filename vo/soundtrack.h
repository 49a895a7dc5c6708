// The show's music: decoded whole into a wave image at start-up, played from memory.
#pragma once
#include <cstdint>

#include "audio/filestream.h"
#include "audio/mpeg/mpegstream.h"
#include "audio/waveout.h"

// The wave image: a 44-byte RIFF header and the decoded track. For the
// original's kind of track (44.1 kHz 16-bit stereo) it is 1,277 decoded
// frames of 4,608 bytes, 33.36 s, behind the fixed header; a track of
// another rate or channel count is labelled with its own and gets as many
// whole decoded frames as that length takes (at most 48 kHz stereo).
constexpr int SoundHeaderBytes = 44;
constexpr int SoundBlockBytes = 4608;
constexpr int SoundBlocks = 1277;
constexpr int SoundImageBytes = SoundHeaderBytes + SoundBlocks * SoundBlockBytes;  // 5,884,460
constexpr int SoundImageCapacity = SoundHeaderBytes + 1390 * SoundBlockBytes;       // 33.36 s at 48 kHz

extern uint8_t SoundImage[SoundImageCapacity];
// The bytes of the current image (SoundImageBytes until a track says otherwise).
extern int SoundImageSize;
// The original's header, for 44.1 kHz stereo.
extern const uint8_t SoundHeader[SoundHeaderBytes];
// True from StartSound until StopSound.
extern bool SoundStarted;

// The soundtrack's streams, alive for the whole program.
extern sFileStream SoundFile;
extern sMpegStream SoundDecoder;
extern sWaveOutStream SoundOutput;

// Decodes the named MP3 into SoundImage. A file that cannot be opened or
// decoded leaves the image without its header (silent) and says so on
// standard output, and on stderr which file and why.
void DecodeSoundtrack(const char* name);
// Starts the sound once per (re)start; called every frame.
void StartSound();
void StopSound();
