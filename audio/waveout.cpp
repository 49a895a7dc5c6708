#include "audio/waveout.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

using platform::WaveBlockDone;
using platform::WaveBlockPrepared;

sWaveOutStream::sWaveOutStream()
    : BlockBytes(0), BlockCount(0), Headers(nullptr), Data(nullptr), CurrentBlock(0), Filled(0), DrainOnClose(-1),
      Blocking(1) {}

sWaveOutStream::~sWaveOutStream() { Close(); }

void sWaveOutStream::Release() {
  delete[] Headers;
  delete[] Data;
  Headers = nullptr;
  Data = nullptr;
}

int sWaveOutStream::Open(int sampleRate, int stereo, int sixteenBit, int samplesPerBlock, int blockCount) {
  Close();
  int channels = stereo ? 2 : 1, bytesPerSample = sixteenBit ? 2 : 1;
  // An empty ring would make writing wait forever; an oversized one cannot be addressed.
  if (samplesPerBlock < 1 || blockCount < 1 ||
      int64_t(samplesPerBlock) * channels * bytesPerSample * blockCount > INT_MAX)
    return -1;
  BlockBytes = samplesPerBlock * channels * bytesPerSample;
  BlockCount = blockCount;
  Headers = new (std::nothrow) platform::WaveBlock[size_t(BlockCount)];
  Data = new (std::nothrow) uint8_t[size_t(BlockCount) * size_t(BlockBytes)];
  if (!Headers || !Data) {
    Release();
    return -1;
  }

  WaveFormat.formatTag = 1;
  WaveFormat.channels = uint16_t(channels);
  WaveFormat.samplesPerSec = uint32_t(sampleRate);
  WaveFormat.bitsPerSample = uint16_t(bytesPerSample * 8);
  WaveFormat.blockAlign = uint16_t(channels * bytesPerSample);
  WaveFormat.avgBytesPerSec = uint32_t(sampleRate) * WaveFormat.blockAlign;
  Device = platform::GetSound().OpenWaveOut(WaveFormat);
  if (!Device) {
    Release();
    return -1;
  }

  for (int i = 0; i < BlockCount; ++i) Headers[i].flags.store(0);
  CurrentBlock = 0;
  Filled = 0;
  Blocking = 1;
  DrainOnClose = -1;
  SetOpenState(StreamWritable, 0, 0);
  return 0;
}

int sWaveOutStream::DoWrite(const void* buffer, int count) {
  const uint8_t* src = static_cast<const uint8_t*>(buffer);
  int taken = 0;
  while (taken < count) {
    if (Filled == 0) {
      for (int i = 0; i < BlockCount; ++i)
        if (Headers[i].flags.load() & WaveBlockDone) Device->Unprepare(Headers[i]);
      int free = -1;
      for (int i = 0; i < BlockCount && free < 0; ++i)
        if (!(Headers[i].flags.load() & WaveBlockPrepared)) free = i;
      if (free < 0) {
        if (!Blocking) return taken;
        Device->Sleep(20);
        continue;
      }
      CurrentBlock = free;
    }
    int n = std::min(count - taken, BlockBytes - Filled);
    std::memcpy(Data + size_t(CurrentBlock) * size_t(BlockBytes) + Filled, src + taken, size_t(n));
    Filled += n;
    taken += n;
    if (Filled == BlockBytes) {
      platform::WaveBlock& block = Headers[CurrentBlock];
      block.data = Data + size_t(CurrentBlock) * size_t(BlockBytes);
      block.length = uint32_t(BlockBytes);
      block.flags.store(0);
      Device->Prepare(block);
      Device->Write(block);
      Filled = 0;
    }
  }
  return taken;
}

int sWaveOutStream::DoClose() {
  Finish();
  while (DrainOnClose < 0) {
    bool queued = false;
    for (int i = 0; i < BlockCount && !queued; ++i) {
      uint32_t f = Headers[i].flags.load();
      queued = (f & WaveBlockPrepared) && !(f & WaveBlockDone);
    }
    if (!queued) break;
    Device->Sleep(50);
  }
  Device->Reset();
  for (int i = 0; i < BlockCount; ++i)
    if (Headers[i].flags.load() & WaveBlockPrepared) Device->Unprepare(Headers[i]);
  Device.reset();
  Release();
  Filled = 0;  // a partly filled block is dropped
  return 0;
}

int sWaveOutStream::Control(int command, intptr_t a, int b) {
  if (Inner) return Inner->Control(command, a, b);
  int old;
  switch (command) {
    case 38: old = Blocking; Blocking = b; return old;
    case 39: return Blocking;
    case 40: old = DrainOnClose; DrainOnClose = b; return old;
    case 41: return DrainOnClose;
    default: return sStream::Control(command, a, b);
  }
}
