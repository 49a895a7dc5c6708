#include "vo/soundtrack.h"

#include <cstdio>
#include <cstring>

#include "framework/system/reset.h"
#include "platform/sound.h"
#include "platform/thread.h"

alignas(4) uint8_t SoundImage[SoundImageBytes];
bool SoundStarted;

sFileStream SoundFile;
sMpegStream SoundDecoder;
sWaveOutStream SoundOutput;

// Fixed: it says 44.1 kHz 16-bit stereo whatever the decoder reports.
const uint8_t SoundHeader[SoundHeaderBytes] = {
    'R', 'I', 'F', 'F', 0x24, 0xca, 0x59, 0x00,  // 5,884,452 bytes follow
    'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
    16, 0, 0, 0,                                  // format record size
    1, 0, 2, 0,                                   // PCM, 2 channels
    0x44, 0xac, 0x00, 0x00,                       // 44,100 samples per second
    0x10, 0xb1, 0x02, 0x00,                       // 176,400 bytes per second
    4, 0, 16, 0,                                  // 4 bytes per frame, 16 bits
    'd', 'a', 't', 'a', 0x00, 0xca, 0x59, 0x00,   // 5,884,416 bytes of samples
};

namespace {

// The decoder's neutral settings: the stream's own sound, unmixed, unfiltered.
const float NeutralMix[9] = {1, 0, 1, 0, 1, 1, 0.5f, 0.5f, 1};
const float NeutralVolume = 1.0f;
float NeutralLineGains[576];

void ResetSoundtrack() {
  SoundOutput.Close();
  SoundDecoder.Close();
  SoundFile.Close();
  std::memset(SoundImage, 0, sizeof SoundImage);
  SoundStarted = false;
}
ResetHook soundtrackReset(ResetSoundtrack);

}  // namespace

void DecodeSoundtrack(const char* name) {
  if (SoundFile.Open(name, FileReadSeek) != 0) {
    std::fputs("Could not open input file\n", stdout);
    return;
  }
  int rate = 0, stereo = 0;
  if (SoundDecoder.Open(&SoundFile, &rate, &stereo, 1, 0, 0) != 0) {
    std::fputs("Could not open audio mpeg\n", stdout);
    return;
  }
  // Opened and closed again, never written: the image is played instead.
  if (SoundOutput.Open(rate, stereo, 1, 4608, 32) != 0) {
    std::fputs("Could not create output stream\n", stdout);
    return;
  }
  platform::SetThreadPriority(platform::ThreadPriority::TimeCritical);

  for (float& gain : NeutralLineGains) gain = 1.0f;
  SoundDecoder.Control(MpegSetMixMatrix, reinterpret_cast<intptr_t>(NeutralMix), 0);
  SoundDecoder.Control(MpegSetVolume, reinterpret_cast<intptr_t>(&NeutralVolume), 0);
  SoundDecoder.Control(MpegSetLineGains, reinterpret_cast<intptr_t>(NeutralLineGains), 0);

  // Once the stream ends the reads deliver nothing and the rest stays silent.
  uint8_t* data = SoundImage + SoundHeaderBytes;
  for (int offset = 0; offset < SoundBlocks * SoundBlockBytes; offset += SoundBlockBytes)
    SoundDecoder.Read(data + offset, SoundBlockBytes);

  SoundStarted = false;
  SoundOutput.Control(40, 0, 0);  // closing does not wait for queued blocks
  SoundOutput.Close();
  SoundDecoder.Close();
  SoundFile.Close();
  std::memcpy(SoundImage, SoundHeader, SoundHeaderBytes);
}

void StartSound() {
  if (SoundStarted) return;
  // An image without its header is refused by the player: the show runs silent.
  platform::GetSound().PlaySound(SoundImage, sizeof SoundImage);
  SoundStarted = true;
}

void StopSound() {
  SoundStarted = false;
  platform::GetSound().PlaySound(nullptr, 0);
}
