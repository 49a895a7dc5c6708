// The show's music: decoded whole into a wave image at start-up, played from memory.
#pragma once
#include <cstdint>

#include "audio/filestream.h"
#include "audio/mpeg/mpegstream.h"
#include "audio/waveout.h"

// The wave image: a fixed 44-byte RIFF header and 1,277 decoded frames of
// 16-bit stereo (4,608 bytes each), 33.36 s at 44.1 kHz.
constexpr int SoundHeaderBytes = 44;
constexpr int SoundBlockBytes = 4608;
constexpr int SoundBlocks = 1277;
constexpr int SoundImageBytes = SoundHeaderBytes + SoundBlocks * SoundBlockBytes;  // 5,884,460

extern uint8_t SoundImage[SoundImageBytes];
// The header copied into the image once decoding is done.
extern const uint8_t SoundHeader[SoundHeaderBytes];
// True from StartSound until StopSound.
extern bool SoundStarted;

// The soundtrack's streams, alive for the whole program.
extern sFileStream SoundFile;
extern sMpegStream SoundDecoder;
extern sWaveOutStream SoundOutput;

// Decodes the named MP3 into SoundImage. A file that cannot be opened leaves
// the image without its header (silent) and says so on standard output.
void DecodeSoundtrack(const char* name);
// Starts the sound once per (re)start; called every frame.
void StartSound();
void StopSound();
