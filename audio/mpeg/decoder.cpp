// Decoder control: open, frame decoding, PCM reads, peeks and seeks.
#include "audio/mpeg/decoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "audio/mpeg/decodetables.h"
#include "audio/mpeg/tables.h"

sMpegDecoder::sMpegDecoder() {
  std::memset(Subband, 0, sizeof Subband);
  std::memset(SynthBuf, 0, sizeof SynthBuf);
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

int sMpegDecoder::Open(sMpegInput* input, int* rate, int* stereo, int pcm16, int downShift,
                       int channels) {
  Input = input;
  InputNotSeekable = !input->Seekable();
  ResetFrameBuffer();
  OutChannels = channels;
  DownShift = std::max(0, std::min(downShift, 2));
  BytesPerSample = pcm16 ? 2 : 4;
  FrameNumber = 0;
  ReadOffset = 0;
  FrameCount = 0;
  FrameBytes = 0;
  FirstFrame = true;
  int ok = DecodeFrame(Pcm);
  FirstFrame = false;
  if (!ok) {
    Input = nullptr;
    return -1;
  }
  if (rate) *rate = mpegtab::kSampleRates[0][RefRateIndex] >> (RefVersion + DownShift);
  if (stereo) *stereo = OutChannels == 2 ? 1 : 0;
  return 0;
}

int sMpegDecoder::DecodeFrame(uint8_t* dest) {
  if (!Input) return 0;
  if (FirstFrame) {
    InputNotSeekable = !Input->Seekable();
    BitRate = 0;
    if (!ProbeStream()) return 0;
    if (InputNotSeekable) BitRate = 0;
    EndOfStream = false;
  }
  if (EndOfStream) return 0;
  if (!ReadHeader(FirstFrame ? 1 : 0)) {
    if (FirstFrame) return 0;
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
    if (BitRate > 0) {
      int divisor = (FrameSlots * SampleRate + FrameSlotRemainder) * SlotBytes;
      double frames = double(Input->Length() + SlotBytes) * SampleRate / divisor;
      FrameCount = int(std::floor(frames + 0.5));
    } else {
      FrameCount = 0;
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
  }
  Synthesize(dest);
  return 1;
}

int sMpegDecoder::Read(void* buffer, int count) {
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
      ++FrameNumber;
    }
    int n = std::min(FrameBytes - ReadOffset, count - done);
    std::memcpy(out + done, Pcm + ReadOffset, n);
    ReadOffset += n;
    done += n;
  }
  return done;
}

int sMpegDecoder::Peek(void* buffer, int count) {
  if (FrameBytes <= 0 || count <= 0) return 0;
  if (ReadOffset == FrameBytes) {
    if (!DecodeFrame(Pcm)) return 0;
    ReadOffset = 0;
    ++FrameNumber;
  }
  int n = std::min(FrameBytes - ReadOffset, count);
  std::memcpy(buffer, Pcm + ReadOffset, n);
  return n;
}

int sMpegDecoder::Seek(int position) {
  if (InputNotSeekable || !Input || FrameBytes <= 0) return 0;
  // The length is an estimate; frames decoded beyond it stay reachable (a
  // Peek on a seekable stream seeks back after reading).
  int limit = std::max(FrameCount, FrameNumber) * FrameBytes;
  int pos = std::max(0, std::min(position, limit));
  int target = pos / FrameBytes, offset = pos % FrameBytes;
  if (target + 1 == FrameNumber) {
    ReadOffset = offset;
    return (FrameNumber - 1) * FrameBytes + ReadOffset;
  }
  FrameNumber = target;
  int start = target - SeekBackFrames;
  int missing = start < 0 ? -start : 0;
  start += missing;
  int64_t slots = int64_t(start) * FrameSlots + int64_t(start) * FrameSlotRemainder / SampleRate;
  // A straight Layer I/II decode starts with the second MPEG frame (the probe
  // took the first one's first byte): land inside the frame before the one
  // wanted, as the header search did then.
  if (RefLayer == 0) slots += FrameSlots / 6;
  if (RefLayer == 1) slots += FrameSlots / 2;
  Input->Seek(int(slots * SlotBytes));
  BufferFill = 0;
  BitPosition = 0;
  std::memset(Buffer, 0, sizeof Buffer);
  // The synthesis rotates its start column by 36 slots a frame; restarting
  // it where a straight decode would stand keeps seeks bit-exact.
  ClearSynthesis();
  int firstFrame = missing != SeekBackFrames ? target - 1 : target;
  SynthOffset = (-36 * firstFrame) & 15;
  // A seek to the very start leaves no stale overlap behind either.
  if (missing == SeekBackFrames) std::memset(Overlap, 0, sizeof Overlap);
  EndOfStream = false;
  if (RefLayer == 2) PreRoll(missing);
  if (missing != SeekBackFrames) DecodeFrame(nullptr);
  if (offset != 0) {
    if (DecodeFrame(Pcm)) {
      ++FrameNumber;
      ReadOffset = offset;
    } else {
      ReadOffset = FrameBytes;
    }
  } else {
    ReadOffset = FrameBytes;
  }
  return (FrameNumber - 1) * FrameBytes + ReadOffset;
}
