// Frame bit buffer, sync search, headers, probe, geometry and the Layer III
// main-data reservoir.
#include <algorithm>
#include <cstring>

#include "audio/mpeg/decoder.h"
#include "audio/mpeg/tables.h"

namespace {
const int kVersionOfCode[4] = {2, 3, 1, 0};
}

void sMpegDecoder::ResetFrameBuffer() {
  RefillThreshold = InputNotSeekable ? kBufferCapacity : 2048;
  BufferFill = 0;
  BitPosition = 0;
  std::memset(Buffer, 0, sizeof Buffer);
}

void sMpegDecoder::FillBuffer() {
  if (BitPosition > 8 * BufferFill) BitPosition = 8 * BufferFill;
  if (BitPosition < 0) BitPosition = 0;
  int consumed = BitPosition / 8;
  int remaining = BufferFill - consumed;
  if (remaining > RefillThreshold) return;
  std::memmove(Buffer, Buffer + consumed, remaining);
  BitPosition -= 8 * consumed;
  BufferFill -= consumed;
  while (!Input->AtEnd() && BufferFill < 2048) {
    int got = Input->Read(Buffer + BufferFill, kBufferCapacity - BufferFill);
    // An input that delivers nothing without reaching its end would loop for ever.
    if (got <= 0) break;
    BufferFill += got;
  }
  std::memset(Buffer + BufferFill, 0, sizeof Buffer - BufferFill);
}

int sMpegDecoder::FindSync() {
  BitPosition = (BitPosition + 7) & ~7;
  for (;;) {
    FillBuffer();
    if (BufferFill < 4) return 0;
    int i = BitPosition / 8;
    while (i + 1 < BufferFill && !(Buffer[i] == 0xFF && Buffer[i + 1] >= 0xE0)) ++i;
    while (i + 1 < BufferFill && Buffer[i] == 0xFF && Buffer[i + 1] >= 0xE0) ++i;
    BitPosition = 8 * i;
    if (i < BufferFill) {
      BitPosition += 3;
      FillBuffer();
      return 1;
    }
  }
}

void sMpegDecoder::CopyBytes(uint8_t* dest, int n) {
  int start = std::min(BitPosition / 8, int(kBufferCapacity));
  int avail = kBufferCapacity - start;
  int c = std::max(0, std::min(n, avail));
  std::memcpy(dest, Buffer + start, c);
  if (c < n) std::memset(dest + c, 0, n - c);
  BitPosition += 8 * n;
}

int sMpegDecoder::ReadHeader(int first) {
  for (;;) {
    if (!FindSync()) {
      HBitRateIndex = 0;
      return 0;
    }
    ReaderBytes = Buffer;
    ReaderPos = &BitPosition;
    ReaderLimit = 8 * kBufferCapacity;
    HeaderStart = BitPosition - 11;
    int version = kVersionOfCode[GetBits(2)];
    int layer = 3 - int(GetBits(2));
    HCrc = GetBits(1) == 0;
    HBitRateIndex = GetBits(4);
    HRateIndex = GetBits(2);
    HPadding = GetBits(1);
    GetBits(1);
    HMode = GetBits(2);
    HModeExt = GetBits(2);
    GetBits(4);
    HVersion = version;
    HLayer = layer;
    int folded = HMode == 1 ? 0 : HMode;
    // The header search may start inside the first frame (the probe took
    // its first byte); a false sync there must not fix the reference fields.
    if (first && (version != ProbeVersion || layer != ProbeLayer || HRateIndex != ProbeRateIndex)) {
      BitPosition -= 20;
      continue;
    }
    if (first) {
      RefVersion = version;
      RefLayer = layer;
      RefRateIndex = HRateIndex;
      RefMode = folded;
    }
    if (version == RefVersion && layer == RefLayer && HRateIndex == RefRateIndex &&
        HBitRateIndex != 0 && HBitRateIndex != 15 && folded == RefMode && version != 3 &&
        layer >= 0 && layer <= 2 && HRateIndex != 3) {
      if (HCrc) BitPosition += 16;
      return 1;
    }
    BitPosition -= 20;
  }
}

int sMpegDecoder::ProbeStream() {
  uint8_t b[4] = {0, 0, 0, 0};
  bool skipped = false;
  if (!InputNotSeekable) {
    Input->Seek(0);
    if (Input->Peek(b, 4) == 4 && b[0] == 0x49 && b[1] == 0x44 && b[2] == 0x33 && b[3] == 0x03) {
      for (;;) {
        uint8_t c = 0;
        if (Input->Read(&c, 1) != 1) break;
        if (c != 0xFF) continue;
        uint8_t next = 0;
        if (Input->Peek(&next, 1) != 1 || next >= 0xE0) break;
      }
      skipped = true;
    }
  }
  if (!skipped) {
    uint8_t c = 0;
    if (Input->Read(&c, 1) != 1 || c != 0xFF) return 0;
  }
  int sum = 0;
  uint8_t h[3] = {0, 0, 0};
  for (int frame = 0; frame < 8; ++frame) {
    int got = Input->Peek(h, 3);
    if (frame == 0 && got < 3) return 0;
    if (h[0] < 0xE0) return 0;
    int version = kVersionOfCode[(h[0] >> 3) & 3];
    int layer = 3 - ((h[0] >> 1) & 3);
    if (version == 3 || layer == 3) return 0;
    if (version == 2 && layer != 2) return 0;
    int padding = (h[1] >> 1) & 1;
    int rate = mpegtab::kSampleRates[version][(h[1] >> 2) & 3];
    int bitRate = mpegtab::kBitRates[version ? 1 : 0][layer][h[1] >> 4] * 1000;
    if (rate == 0 || bitRate == 0) return 0;
    if (frame == 0) {
      ProbeVersion = version;
      ProbeLayer = layer;
      ProbeRateIndex = (h[1] >> 2) & 3;
    }
    if (InputNotSeekable || layer != 2) {
      BitRate = bitRate;
      return 1;
    }
    sum += bitRate;
    Input->SeekRelative((version == 0 ? 144 : 72) * bitRate / rate + padding);
  }
  BitRate = sum / 8;
  Input->Seek(0);
  return 1;
}

void sMpegDecoder::InitLayer3(int bitRate) {
  int v = RefVersion, r = std::min(RefRateIndex, 2);
  for (int i = 0; i < 23; ++i) LongBands[i] = mpegtab::kLongBands[v][r][i];
  for (int i = 0; i < 14; ++i) ShortBands[i] = 3 * mpegtab::kShortBands[v][r][i];
  for (int p = 0; p < 576; ++p) {
    Reorder[0][p] = int16_t(p);
    Reorder[1][p] = int16_t(p);
    Reorder[2][p] = int16_t(p);
  }
  for (int b = 0; b < 13; ++b) {
    int w = (ShortBands[b + 1] - ShortBands[b]) / 3;
    for (int k = 0; k < 3; ++k)
      for (int i = 0; i < w; ++i) {
        int p = ShortBands[b] + k * w + i;
        int s = ShortBands[b] + k + 3 * i;
        Reorder[1][p] = int16_t(s);
        if (b >= 3) Reorder[2][p] = int16_t(s);
      }
  }
  std::memset(Overlap, 0, sizeof Overlap);
  MainDataFill = 0;
  MainDataPos = 0;
  LineGainsEnabled = false;
  SlotBytes = 1;
  if (bitRate > 0) {
    FrameSlots = 144 * bitRate / SampleRate;
    FrameSlotRemainder = 144 * bitRate % SampleRate;
    SeekBackFrames = (RefVersion == 0 ? 510 : 254) / std::max(1, FrameSlots - 38) + 4;
  }
}

int sMpegDecoder::MainDataBytes() const {
  int bitRate = mpegtab::kBitRates[HVersion ? 1 : 0][2][HBitRateIndex] * 1000;
  int rate = mpegtab::kSampleRates[HVersion][HRateIndex & 3];
  if (!rate) return 0;
  bool mono = HMode == 3;
  int side = HVersion == 0 ? (mono ? 17 : 32) : (mono ? 9 : 17);
  int n = (HVersion == 0 ? 144 : 72) * bitRate / rate + HPadding - 4 - (HCrc ? 2 : 0) - side;
  return std::max(0, n);
}

void sMpegDecoder::MainDataStep(int mainDataBegin) {
  int n = std::min(MainDataBytes(), kMainDataSize - mainDataBegin);
  if (MainDataFill < mainDataBegin) MainDataFill = mainDataBegin;
  std::memmove(MainData, MainData + MainDataFill - mainDataBegin, mainDataBegin);
  CopyBytes(MainData + mainDataBegin, n);
  MainDataFill = mainDataBegin + n;
  ReaderBytes = MainData;
  ReaderPos = &MainDataPos;
  ReaderLimit = 8 * MainDataFill;
}

void sMpegDecoder::PreRoll(int missing) {
  if (missing != SeekBackFrames) std::memset(Overlap, 0, sizeof Overlap);
  MainDataFill = 0;
  int perFrame = RefVersion == 0 ? 1 : 2;
  for (int f = missing; f <= SeekBackFrames - 2; ++f)
    for (int m = 0; m < perFrame; ++m) {
      if (!ReadHeader(0)) return;
      ReadSideInfo(nullptr);
    }
}
