// Decoder control: open, frame decoding, PCM reads, peeks and seeks.
#include "audio/mpeg/decoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "audio/mpeg/decodetables.h"
#include "audio/mpeg/tables.h"

sMpegDecoder::sMpegDecoder() : Kernels(&DefaultMpegKernels()) {
  std::memset(Subband, 0, sizeof Subband);
  std::memset(Synth, 0, sizeof Synth);
  std::memset(Overlap, 0, sizeof Overlap);
  std::memset(MainData, 0, sizeof MainData);
  std::memset(Buffer, 0, sizeof Buffer);
  std::memset(Granules, 0, sizeof Granules);
  std::memset(ScaleFactors, 0, sizeof ScaleFactors);
  std::fill(Mix, Mix + 9, 0.0f);
  std::fill(BandGains, BandGains + 32, 1.0f);
  std::fill(LineGains, LineGains + 576, 1.0f);
  std::fill(ShortLineGains, ShortLineGains + 192, 1.0f);
}

bool sMpegDecoder::SetSimdPath(const char* name) {
  const sMpegKernels* k = FindMpegKernels(name);
  if (k) Kernels = k;
  return k != nullptr;
}

int sMpegDecoder::Open(sMpegInput* input, int* rate, int* stereo, int pcm16, int downShift,
                       int channels) {
  Input = input;
  InputNotSeekable = !input->Seekable();
  OutChannels = channels;
  DownShift = std::max(0, std::min(downShift, 2));
  BytesPerSample = pcm16 ? 2 : 4;
  FrameNumber = 0;
  ReadOffset = 0;
  FrameCount = 0;
  FrameBytes = 0;
  EndOfStream = false;
  MainDataValid = 0;
  GaplessOn = false;
  TrimHead = 0;
  TrimLength = -1;
  EmitFlush = true;
  if (!LocateFirstFrame()) {
    Input = nullptr;
    return -1;
  }
  FirstFrame = true;
  int ok = DecodeFrame(Pcm);
  FirstFrame = false;
  if (!ok) {
    Failure = FailureNoFrame;
    Input = nullptr;
    return -1;
  }
  if (rate) *rate = mpegtab::kSampleRates[0][RefRateIndex] >> (RefVersion + DownShift);
  if (stereo) *stereo = OutChannels == 2 ? 1 : 0;
  if (GaplessWanted) SetUpGapless();
  return 0;
}

int sMpegDecoder::DecodeFrame(uint8_t* dest) {
  if (!Input) return 0;
  if (EndOfStream) return 0;
  if (!ReadHeader()) {
    if (FirstFrame || !EmitFlush) {
      EndOfStream = true;
      return 0;
    }
    EndOfStream = true;
  }
  if (FirstFrame) {
    SampleRate = mpegtab::kSampleRates[RefVersion][RefRateIndex];
    if (RefLayer == 0)
      InitLayer1(BitRate);
    else if (RefLayer == 1)
      InitLayer2(BitRate);
    else if (RefLayer == 2)
      InitLayer3(BitRate);
    else
      return 0;
    FrameCount = 0;
    if (BitRate > 0 && Info.frames >= 0) {
      int perDecoded = RefLayer == 0 ? 3 : RefLayer == 2 && RefVersion != 0 ? 2 : 1;
      FrameCount = (Info.frames + 1 + perDecoded - 1) / perDecoded;
    } else if (BitRate > 0) {
      int64_t divisor = (int64_t(FrameSlots) * SampleRate + FrameSlotRemainder) * SlotBytes;
      double frames = double(AudioEnd - AudioStart + SlotBytes) * SampleRate / double(divisor);
      FrameCount = int64_t(std::floor(frames + 0.5));
    }
  }
  if (RefLayer == 0)
    DecodeLayer1();
  else if (RefLayer == 1)
    DecodeLayer2();
  else
    DecodeLayer3();
  if (FirstFrame) {
    StreamChannels = RefMode == 3 ? 1 : 2;
    InitSynthesis();
    ReadOffset = 0;
    FrameBytes = (BytesPerSample * 1152 * OutChannels) >> DownShift;
    FrameNumber = 1;
    PcmFrame = dest == Pcm ? 1 : 0;
  }
  Synthesize(dest);
  return 1;
}

// Gapless: what the Xing/Info frame says is not the source's sound comes
// off both ends (the frame itself, the encoder delay plus the decoder's 529
// samples, the padding).
void sMpegDecoder::SetUpGapless() {
  GaplessOn = true;
  if (!Info.present) {
    EmitFlush = false;
    return;
  }
  int perFrame = RefLayer == 0 ? 384 : RefLayer == 2 && RefVersion != 0 ? 576 : 1152;
  int64_t sampleBytes = int64_t(BytesPerSample) * OutChannels;
  int64_t head = perFrame + std::max(Info.delay, 0) + 529;
  TrimHead = (head >> DownShift) * sampleBytes;
  if (Info.frames >= 0) {
    int64_t total = Info.frames * perFrame - std::max(Info.delay, 0) - std::max(Info.padding, 0);
    TrimLength = (std::max<int64_t>(total, 0) >> DownShift) * sampleBytes;
  }
  uint8_t scratch[4608];
  for (int64_t left = TrimHead; left > 0;) {
    int got = RawRead(scratch, int(std::min<int64_t>(left, sizeof scratch)));
    if (got <= 0) break;
    left -= got;
  }
}

int sMpegDecoder::Read(void* buffer, int count) {
  if (TrimLength >= 0) count = int(std::max<int64_t>(0, std::min<int64_t>(count, TrimLength - Position())));
  return RawRead(buffer, count);
}

int sMpegDecoder::Peek(void* buffer, int count) {
  if (TrimLength >= 0) count = int(std::max<int64_t>(0, std::min<int64_t>(count, TrimLength - Position())));
  return RawPeek(buffer, count);
}

int64_t sMpegDecoder::Seek(int64_t position) {
  if (!GaplessOn) return RawSeek(position);
  if (InputNotSeekable) return Position();
  position = std::max<int64_t>(0, position);
  if (TrimLength >= 0) position = std::min(position, TrimLength);
  return std::max<int64_t>(0, RawSeek(position + TrimHead) - TrimHead);
}

int sMpegDecoder::AtEnd() const {
  if (TrimLength >= 0 && Position() >= TrimLength) return 1;
  return ReadOffset == FrameBytes && EndOfStream;
}

int64_t sMpegDecoder::Length() const {
  if (TrimLength >= 0) return TrimLength;
  return std::max<int64_t>(0, FrameCount * FrameBytes - TrimHead);
}

int sMpegDecoder::RawRead(void* buffer, int count) {
  uint8_t* out = static_cast<uint8_t*>(buffer);
  int done = 0;
  while (done < count && FrameBytes > 0) {
    if (ReadOffset == FrameBytes) {
      if (count - done >= FrameBytes) {
        if (!DecodeFrame(out + done)) break;
        ++FrameNumber;
        done += FrameBytes;
        continue;
      }
      if (!DecodeFrame(Pcm)) break;
      ReadOffset = 0;
      PcmFrame = ++FrameNumber;
    }
    int n = std::min(FrameBytes - ReadOffset, count - done);
    std::memcpy(out + done, Pcm + ReadOffset, n);
    ReadOffset += n;
    done += n;
  }
  return done;
}

int sMpegDecoder::RawPeek(void* buffer, int count) {
  if (FrameBytes <= 0 || count <= 0) return 0;
  if (ReadOffset == FrameBytes) {
    if (!DecodeFrame(Pcm)) return 0;
    ReadOffset = 0;
    PcmFrame = ++FrameNumber;
  }
  int n = std::min(FrameBytes - ReadOffset, count);
  std::memcpy(buffer, Pcm + ReadOffset, n);
  return n;
}

int64_t sMpegDecoder::RawSeek(int64_t position) {
  if (InputNotSeekable || !Input || FrameBytes <= 0) return 0;
  // The length is an estimate; frames decoded beyond it stay reachable (a
  // Peek on a seekable stream seeks back after reading).
  int64_t limit = std::max<int64_t>(FrameCount, FrameNumber) * FrameBytes;
  int64_t pos = std::max<int64_t>(0, std::min(position, limit));
  int64_t target = pos / FrameBytes;
  int offset = int(pos % FrameBytes);
  // The frame in the buffer (a frame decoded straight into a reader's
  // memory is not there).
  if (target + 1 == FrameNumber && PcmFrame == FrameNumber) {
    ReadOffset = offset;
    return RawPosition();
  }
  FrameNumber = int(target);
  int64_t start = target - SeekBackFrames;
  int missing = start < 0 ? int(-start) : 0;
  start += missing;
  int perDecoded = RefLayer == 0 ? 3 : RefLayer == 2 && RefVersion != 0 ? 2 : 1;
  SeekToFrame(start * perDecoded);
  // The synthesis rotates its start column by 36 slots a frame; restarting
  // it where a straight decode would stand keeps seeks bit-exact.
  ClearSynthesis();
  int firstFrame = int(missing != SeekBackFrames ? target - 1 : target);
  SynthOffset = (-36 * firstFrame) & 15;
  // A seek to the very start leaves no stale overlap behind either.
  if (missing == SeekBackFrames) std::memset(Overlap, 0, sizeof Overlap);
  EndOfStream = false;
  MainDataValid = 0;
  if (RefLayer == 2) PreRoll(missing);
  if (missing != SeekBackFrames) DecodeFrame(nullptr);
  if (offset != 0) {
    if (DecodeFrame(Pcm)) {
      PcmFrame = ++FrameNumber;
      ReadOffset = offset;
    } else {
      ReadOffset = FrameBytes;
    }
  } else {
    ReadOffset = FrameBytes;
  }
  return RawPosition();
}
