// Frame bit buffer, sync search, headers, probe, geometry and the Layer III
// main-data reservoir.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "audio/mpeg/decoder.h"
#include "audio/mpeg/tables.h"

namespace {

const int kVersionOfCode[4] = {2, 3, 1, 0};
// The longest frame: Layer II at 384 kbit/s and 32 kHz, padded.
const int kMaxFrameBytes = 1729;
// Refill when fewer bytes than this remain: a frame and the header after it
// always lie in the buffer.
const int kKeepAhead = 4096;
// How far into leading junk the first frame is looked for.
const int64_t kJunkLimit = 65536;

struct sHeader {
  int version = 0, layer = 0, crc = 0, bitIndex = 0, rateIndex = 0, padding = 0, mode = 0;
  int length = 0;  // bytes; 0 for free format
};

// A syntactically valid header (free format allowed, index 15 not).
bool ParseHeader(const uint8_t* p, sHeader& h) {
  if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
  h.version = kVersionOfCode[(p[1] >> 3) & 3];
  h.layer = 3 - ((p[1] >> 1) & 3);
  h.crc = (p[1] & 1) == 0;
  h.bitIndex = p[2] >> 4;
  h.rateIndex = (p[2] >> 2) & 3;
  h.padding = (p[2] >> 1) & 1;
  h.mode = p[3] >> 6;
  if (h.version == 3 || h.layer == 3 || h.rateIndex == 3 || h.bitIndex == 15) return false;
  if (h.version == 2 && h.layer != 2) return false;
  int bitRate = mpegtab::kBitRates[h.version ? 1 : 0][h.layer][h.bitIndex] * 1000;
  int rate = mpegtab::kSampleRates[h.version][h.rateIndex];
  if (h.layer == 0)
    h.length = (12 * bitRate / rate + h.padding) * 4;
  else
    h.length = (h.layer == 2 && h.version != 0 ? 72 : 144) * bitRate / rate + h.padding;
  return true;
}

}  // namespace

void sMpegDecoder::ResetFrameBuffer() {
  BufferFill = 0;
  BitPosition = 0;
  BufferBase = 0;
  InputDone = false;
  SyncExpected = true;
  std::memset(Buffer, 0, sizeof Buffer);
}

void sMpegDecoder::FillBuffer() {
  if (BitPosition > 8 * BufferFill) BitPosition = 8 * BufferFill;
  if (BitPosition < 0) BitPosition = 0;
  int consumed = BitPosition / 8;
  int remaining = BufferFill - consumed;
  if (remaining > kKeepAhead || InputDone) return;
  std::memmove(Buffer, Buffer + consumed, size_t(remaining));
  BitPosition -= 8 * consumed;
  BufferFill -= consumed;
  BufferBase += consumed;
  // A pipe delivers what it has: read until there is enough to work on.
  while (BufferFill < 2 * kKeepAhead) {
    int64_t want = kBufferCapacity - BufferFill;
    if (!InputNotSeekable) want = std::min(want, AudioEnd - (BufferBase + BufferFill));
    int got = want > 0 ? Input->Read(Buffer + BufferFill, int(want)) : 0;
    // An input that delivers nothing without reaching its end would loop for ever.
    if (got <= 0) {
      InputDone = true;
      break;
    }
    BufferFill += got;
  }
  if (InputDone && InputNotSeekable) {
    // Tags at the end of a pipe are seen only once it has ended.
    int64_t from = BufferBase + BitPosition / 8;
    int64_t end = mpegtags::EndTagsStart(BufferBase + BufferFill, from, [&](int64_t at, uint8_t* dest, int n) {
      if (at < from || at + n > BufferBase + BufferFill) return false;
      std::memcpy(dest, Buffer + (at - BufferBase), size_t(n));
      return true;
    });
    BufferFill = int(end - BufferBase);
  }
  std::memset(Buffer + BufferFill, 0, sizeof Buffer - size_t(BufferFill));
}

void sMpegDecoder::PositionInput(int64_t position) {
  position = std::max<int64_t>(0, std::min(position, AudioEnd));
  BufferBase = Input->Seek(position);
  BufferFill = 0;
  BitPosition = 0;
  InputDone = false;
  SyncExpected = true;
}

void sMpegDecoder::SkipInput(int64_t bytes) {
  int here = BitPosition / 8;
  if (bytes <= BufferFill - here) {
    BitPosition += int(8 * bytes);
    return;
  }
  if (!InputNotSeekable) {
    PositionInput(BufferBase + here + bytes);
    return;
  }
  bytes -= BufferFill - here;
  BufferBase += BufferFill;
  BufferFill = 0;
  BitPosition = 0;
  while (bytes > 0 && !InputDone) {
    int got = Input->Read(nullptr, int(std::min<int64_t>(bytes, 1 << 20)));
    if (got <= 0) InputDone = true;
    bytes -= std::max(got, 0);
    BufferBase += std::max(got, 0);
  }
}

bool sMpegDecoder::Accepts(const uint8_t* p) const {
  sHeader h;
  if (!ParseHeader(p, h) || h.bitIndex == 0) return false;
  return h.version == RefVersion && h.layer == RefLayer && h.rateIndex == RefRateIndex &&
         (h.mode == 1 ? 0 : h.mode) == RefMode;
}

// The header after the frame at `at` agrees with it (version, layer, rate),
// or the input ends exactly where the frame does.
bool sMpegDecoder::Confirmed(int at, int length) const {
  if (length <= 0) return false;
  int next = at + length;
  if (next + 4 > BufferFill) return InputDone && next == BufferFill;
  sHeader a, b;
  if (!ParseHeader(Buffer + at, a) || !ParseHeader(Buffer + next, b)) return false;
  return b.bitIndex != 0 && a.version == b.version && a.layer == b.layer && a.rateIndex == b.rateIndex;
}

void sMpegDecoder::CopyBytes(uint8_t* dest, int n) {
  int start = std::min(BitPosition / 8, int(kBufferCapacity));
  int avail = kBufferCapacity - start;
  int c = std::max(0, std::min(n, avail));
  std::memcpy(dest, Buffer + start, c);
  if (c < n) std::memset(dest + c, 0, n - c);
  BitPosition += 8 * n;
}

int sMpegDecoder::ReadHeader() {
  BitPosition = (BitPosition + 7) & ~7;
  int64_t lostAt = -1;
  for (;;) {
    FillBuffer();
    int i = BitPosition / 8;
    if (BufferFill - i < 4) break;
    if (SyncExpected) {
      if (Accepts(Buffer + i)) break;
      // Joined files: the next one's tag.
      int64_t tag = BufferFill - i >= 10 ? mpegtags::Id3v2Size(Buffer + i) : 0;
      if (tag > 0) {
        SkipInput(tag);
        continue;
      }
      SyncExpected = false;
      lostAt = BufferBase + i;
      ++i;
    }
    // After a rejected header a frame counts only when the next one confirms it.
    int limit = InputDone ? BufferFill - 4 : BufferFill - kMaxFrameBytes - 4;
    bool found = false;
    for (; i <= limit; ++i) {
      if (Buffer[i] != 0xFF || (Buffer[i + 1] & 0xE0) != 0xE0 || !Accepts(Buffer + i)) continue;
      sHeader h;
      ParseHeader(Buffer + i, h);
      if (Confirmed(i, h.length)) {
        found = true;
        break;
      }
    }
    BitPosition = 8 * i;
    if (!found) {
      if (InputDone) break;
      continue;
    }
    SyncExpected = true;
    // Skipping more than the smallest frame may have lost one: the main data
    // gathered so far no longer leads up to what follows.
    if (lostAt >= 0) {
      sHeader h;
      ParseHeader(Buffer + i, h);
      int rate = mpegtab::kSampleRates[RefVersion][RefRateIndex];
      int smallest = mpegtab::kBitRates[RefVersion ? 1 : 0][RefLayer][1] * 1000 *
                     (RefLayer == 0 ? 12 : RefLayer == 2 && RefVersion ? 72 : 144) / rate;
      if (BufferBase + i - lostAt >= smallest) MainDataValid = 0;
    }
    break;
  }
  int i = BitPosition / 8;
  if (!SyncExpected || BufferFill - i < 4 || !Accepts(Buffer + i)) {
    HBitRateIndex = 0;
    return 0;
  }
  sHeader h;
  ParseHeader(Buffer + i, h);
  HVersion = h.version;
  HLayer = h.layer;
  HCrc = h.crc;
  HBitRateIndex = h.bitIndex;
  HRateIndex = h.rateIndex;
  HPadding = h.padding;
  HMode = h.mode;
  HModeExt = (Buffer[i + 3] >> 4) & 3;
  HeaderStart = 8 * i;
  BitPosition = 8 * i + 32 + (HCrc ? 16 : 0);
  ReaderBytes = Buffer;
  ReaderPos = &BitPosition;
  ReaderLimit = 8 * kBufferCapacity;
  SilentFrame = Info.present && BufferBase + i == AudioStart;
  return 1;
}

int sMpegDecoder::LocateFirstFrame() {
  Failure = FailureNoFrame;
  Info = mpegtags::sInfoFrame();
  AudioStart = 0;
  AudioEnd = INT64_MAX;
  ResetFrameBuffer();
  if (!InputNotSeekable) {
    AudioEnd = mpegtags::EndTagsStart(Input->Length(), 0, [&](int64_t at, uint8_t* dest, int n) {
      if (Input->Seek(at) != at) return false;
      int got = 0;
      while (got < n) {
        int r = Input->Read(dest + got, n - got);
        if (r <= 0) return false;
        got += r;
      }
      return true;
    });
    PositionInput(0);
  }
  // Tags at the start are skipped by their size.
  for (;;) {
    FillBuffer();
    int i = BitPosition / 8;
    int64_t tag = BufferFill - i >= 10 ? mpegtags::Id3v2Size(Buffer + i) : 0;
    if (!tag) break;
    SkipInput(tag);
  }
  int64_t searchEnd = BufferBase + BitPosition / 8 + kJunkLimit;
  bool firstHeader = true;
  for (;;) {
    FillBuffer();
    int i = BitPosition / 8;
    int limit = InputDone ? BufferFill - 4 : BufferFill - kMaxFrameBytes - 4;
    for (; i <= limit && BufferBase + i <= searchEnd; ++i) {
      sHeader h;
      if (Buffer[i] != 0xFF || !ParseHeader(Buffer + i, h)) continue;
      if (h.bitIndex == 0 && firstHeader) Failure = FailureFreeFormat;
      firstHeader = false;
      if (!Confirmed(i, h.length)) continue;
      RefVersion = h.version;
      RefLayer = h.layer;
      RefRateIndex = h.rateIndex;
      RefMode = h.mode == 1 ? 0 : h.mode;
      AudioStart = BufferBase + i;
      BitPosition = 8 * i;
      SyncExpected = true;
      Failure = 0;
      MeasureStream(i);
      return 1;
    }
    BitPosition = 8 * i;
    if (InputDone || BufferBase + i > searchEnd) return 0;
  }
}

// The Info frame and the bit rate that lengths and seeks are computed with:
// the first frame's for Layers I and II, the mean of up to eight for Layer
// III (the frames after an Info frame, whose own rate may differ).
void sMpegDecoder::MeasureStream(int at) {
  sHeader h;
  ParseHeader(Buffer + at, h);
  if (h.layer == 2 && at + h.length <= BufferFill) {
    Info = mpegtags::ParseInfoFrame(Buffer + at, h.length, h.version, h.mode, h.crc != 0);
    if (Info.present) {
      at += h.length;
      InfoEnd = BufferBase + at;
    }
  }
  BitRate = 0;
  ConstantRate = !Info.vbr;
  FrameIndex.clear();
  if (InputNotSeekable) return;
  int sum = 0, count = 0, first = -1;
  for (int n = 0; n < 8 && at + 4 <= BufferFill; ++n) {
    sHeader f;
    if (!ParseHeader(Buffer + at, f) || f.bitIndex == 0 || f.version != RefVersion || f.layer != RefLayer ||
        f.rateIndex != RefRateIndex)
      break;
    if (first < 0) first = f.bitIndex;
    ConstantRate = ConstantRate && f.bitIndex == first;
    if (h.layer == 2 || count == 0) {
      sum += mpegtab::kBitRates[f.version ? 1 : 0][f.layer][f.bitIndex] * 1000;
      ++count;
    }
    at += f.length;
  }
  if (count == 0) {
    // Only the Info frame: its own rate.
    sum = mpegtab::kBitRates[h.version ? 1 : 0][h.layer][h.bitIndex] * 1000;
    count = 1;
  }
  BitRate = sum / count;
}

// Positions the input on MPEG frame `frame`: by the bit rate for a constant
// rate, else by walking from header to header (every 64th position is kept,
// so later seeks walk little).
void sMpegDecoder::SeekToFrame(int64_t frame) {
  if (ConstantRate) {
    SyncNear(FramePosition(frame));
    return;
  }
  const int64_t step = 64;
  if (FrameIndex.empty()) FrameIndex.push_back(AudioStart);
  int64_t known = std::min<int64_t>(frame / step, int64_t(FrameIndex.size()) - 1);
  PositionInput(FrameIndex[size_t(known)]);
  for (int64_t f = known * step; f < frame; ++f) {
    if (!ReadHeader()) return;
    sHeader h;
    ParseHeader(Buffer + HeaderStart / 8, h);
    BitPosition = HeaderStart + 8 * h.length;
    if ((f + 1) % step == 0 && (f + 1) / step == int64_t(FrameIndex.size()))
      FrameIndex.push_back(BufferBase + BitPosition / 8);
  }
}

// Where an MPEG frame starts by the measured bit rate (exact for constant
// rates up to the padding, which SyncNear absorbs).
int64_t sMpegDecoder::FramePosition(int64_t frame) const {
  int k = RefLayer == 0 ? 12 : RefLayer == 2 && RefVersion != 0 ? 72 : 144;
  int64_t base = AudioStart;
  if (Info.present) {
    if (frame == 0) return AudioStart;
    base = InfoEnd;
    --frame;
  }
  return base + frame * k * BitRate / SampleRate * SlotBytes;
}

// Positions the input on the frame header nearest to `position`; without
// one within half a frame, the next header search resynchronises.
bool sMpegDecoder::SyncNear(int64_t position) {
  int k = RefLayer == 0 ? 12 : RefLayer == 2 && RefVersion != 0 ? 72 : 144;
  int64_t window = int64_t(k) * BitRate / SampleRate * SlotBytes / 2 + 2;
  PositionInput(std::max(AudioStart, position - window));
  FillBuffer();
  int limit = InputDone ? BufferFill - 4 : BufferFill - kMaxFrameBytes - 4;
  int best = -1;
  for (int i = 0; i <= limit && BufferBase + i <= position + window; ++i) {
    if (Buffer[i] != 0xFF || !Accepts(Buffer + i)) continue;
    sHeader h;
    ParseHeader(Buffer + i, h);
    if (!Confirmed(i, h.length)) continue;
    int64_t distance = std::abs(BufferBase + i - position);
    if (best < 0 || distance < std::abs(BufferBase + best - position)) best = i;
  }
  if (best >= 0) {
    BitPosition = 8 * best;
    return true;
  }
  SyncExpected = false;
  return false;
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
  // The Info frame's bytes are not main data.
  ReservoirShort = SilentFrame || mainDataBegin > MainDataValid;
  MainDataValid = SilentFrame ? 0 : std::min(MainDataValid + n, int(kMainDataSize));
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
  MainDataValid = 0;
  int perFrame = RefVersion == 0 ? 1 : 2;
  for (int f = missing; f <= SeekBackFrames - 2; ++f)
    for (int m = 0; m < perFrame; ++m) {
      if (!ReadHeader()) return;
      ReadSideInfo(nullptr);
    }
}
