// sWaveOutStream: a write-only stream that plays the PCM written to it on the
// platform's waveform output device, through a ring of fixed-size blocks.
#pragma once
#include <memory>

#include "audio/stream.h"
#include "platform/sound.h"

class sWaveOutStream : public sStream {
public:
  sWaveOutStream();
  // Releases the device the base destructor cannot reach.
  ~sWaveOutStream() override;

  // 0 on success, -1 when the ring cannot be allocated or the device not opened.
  int Open(int sampleRate, int stereo, int sixteenBit, int samplesPerBlock, int blockCount);

  int DoClose() override;
  int DoWrite(const void* buffer, int count) override;
  int Control(int command, intptr_t a, int b) override;
  using sStream::Control;

  const platform::WaveFormat& Format() const { return WaveFormat; }
  int GetBlockBytes() const { return BlockBytes; }
  int GetBlockCount() const { return BlockCount; }
  const platform::WaveBlock* GetBlock(int i) const { return &Headers[i]; }

protected:
  void Release();

  std::unique_ptr<platform::WaveOutDevice> Device;
  platform::WaveFormat WaveFormat;
  int BlockBytes;
  int BlockCount;
  platform::WaveBlock* Headers;
  uint8_t* Data;
  int CurrentBlock;
  int Filled;
  int DrainOnClose;  // negative: closing waits until every queued block has played
  int Blocking;      // not 0: writing waits for a free block
};
