// The MPEG audio decoder core: frame parsing, Layers I-III, synthesis and the
// output controls. sMpegStream wraps it as a stream; it reads its compressed
// input through sMpegInput.
#pragma once
#include <algorithm>
#include <cstdint>
#include <vector>

#include "audio/mpeg/input.h"
#include "audio/mpeg/tags.h"
#include "audio/mpeg/kernels.h"

// Control codes of the decoder stream.
enum {
  MpegSetVolume = 4096,
  MpegSetMixMatrix = 4097,
  MpegSetBandGains = 4098,
  MpegSetLineGains = 4099,
};

// One granule and channel of Layer III side information.
struct sGranuleInfo {
  int granule, channel;
  int blockType, mixed;
  int tableSelect[3];
  int region1Start, region2Start, bigValues;
  int part23Start, part23End;
  int globalGain, scalefacCompress, intensitySelect;
  int preflag, scalefacScale, count1Table;
  int subblockGain[3];
  int scfsi[4];
};

// Coded lines below `end` (and from the previous entry's end) take `factor`.
struct sBandFactor {
  int end;
  float factor;
};

// Which Layer II allocation table a frame uses (index into kAllocTables): the
// lower-sampling-rate table, or for MPEG-1 by the bit rate per channel.
int Layer2AllocTable(int version, int rate, int kbps, int channels);

class sMpegDecoder {
 public:
  static const int kBufferCapacity = 16384;
  static const int kMainDataSize = 4096;

  sMpegDecoder();

  // Options the port adds (not part of the original control set).
  void SetStandardWindow(bool on) { StandardWindow = on; }
  // Gapless output, from the next Open on: the Xing/Info frame, the encoder's
  // delay and its padding are left out, so the output has the source's
  // length; a stream without that frame loses only its end-of-stream flush.
  void SetGapless(bool on) { GaplessWanted = on; }
  // The instruction path of the kernels (MpegSimdPaths) for the decodes that
  // follow; false when this machine lacks it. Every path gives the same bits.
  bool SetSimdPath(const char* name);
  const char* SimdPath() const { return Kernels->name; }

  // Forget the input: later decodes and seeks do nothing.
  void Detach() { Input = nullptr; }

  // Returns 0 on success, -1 when the input is not an MPEG audio stream
  // (OpenFailure says why).
  int Open(sMpegInput* input, int* rate, int* stereo, int pcm16, int downShift, int channels);
  enum { FailureNoFrame = 1, FailureFreeFormat = 2 };
  int OpenFailure() const { return Failure; }

  // PCM access (bytes of interleaved output samples).
  int Read(void* buffer, int count);
  int Peek(void* buffer, int count);
  int64_t Seek(int64_t position);
  int64_t Position() const { return std::max<int64_t>(0, RawPosition() - TrimHead); }
  int AtEnd() const;
  int64_t Length() const;
  int Control(int command, void* a);

  // Stream facts.
  int Version() const { return RefVersion; }
  int Layer() const { return RefLayer + 1; }
  int SampleRateHz() const { return SampleRate; }
  int StreamChannelCount() const { return StreamChannels; }
  int OutputChannels() const { return OutChannels; }
  int FrameByteCount() const { return FrameBytes; }
  int64_t TotalFrames() const { return FrameCount; }
  int ProbedBitRate() const { return BitRate; }
  int LookBackFrames() const { return SeekBackFrames; }
  bool InputSeekable() const { return !InputNotSeekable; }
  int64_t AudioStartByte() const { return AudioStart; }
  int64_t AudioEndByte() const { return AudioEnd; }
  const mpegtags::sInfoFrame& InfoFrame() const { return Info; }
  bool Gapless() const { return GaplessOn; }

  void SetVolume(const float* v);
  void SetMixMatrix(const float* nine);
  void SetBandGains(const float* gains);
  void SetLineGains(const float* gains);

 private:
  friend struct sMpegDecoderTest;

  // Frame buffer, headers, the first frame and the frame positions.
  void ResetFrameBuffer();
  void FillBuffer();
  void SkipInput(int64_t bytes);
  void PositionInput(int64_t position);
  bool Accepts(const uint8_t* p) const;
  bool Confirmed(int at, int length) const;
  int ReadHeader();
  inline unsigned GetBits(int n);
  void CopyBytes(uint8_t* dest, int n);
  int LocateFirstFrame();
  void MeasureStream(int at);
  int64_t FramePosition(int64_t mpegFrame) const;
  bool SyncNear(int64_t position);
  void SeekToFrame(int64_t mpegFrame);
  void InitLayer3(int bitRate);
  void InitLayer1(int bitRate);
  void InitLayer2(int bitRate);
  int MainDataBytes() const;
  void MainDataStep(int mainDataBegin);
  void PreRoll(int missing);

  // Layer III.
  // The main data from the current position, bits beyond the limit as zeros.
  struct sBitCache MainDataBits();
  int ReadSideInfo(sGranuleInfo (*records)[2]);
  void ReadScaleFactors(sGranuleInfo& gi, int* list);
  // Requantisation factors of the bands in coded order; returns the count.
  int BandFactors(const sGranuleInfo& gi, const int* sf, sBandFactor* out) const;
  // Returns the coded lines decoded; those beyond are zero.
  int DecodeHuffman(const sGranuleInfo& gi, float* lines, const sBandFactor* factors);
  void JointStereo(const sGranuleInfo& right, float* lines, const int* rightSf);
  // Lines at and above `bound` are zero (before the anti-alias step).
  void HybridFilter(const sGranuleInfo& gi, float* out, float* overlap, float* lines, int bound);
  void DecodeLayer3();

  // Layers I and II.
  void DecodeLayer1();
  void DecodeLayer2();

  // Synthesis and output.
  void InitSynthesis();
  void ClearSynthesis();
  void Synthesize(uint8_t* dest);
  int DecodeFrame(uint8_t* dest);
  void ConfigureChannels();
  // The decoder's own output, before the gapless trim.
  int RawRead(void* buffer, int count);
  int RawPeek(void* buffer, int count);
  int64_t RawSeek(int64_t position);
  int64_t RawPosition() const { return int64_t(FrameNumber - 1) * FrameBytes + ReadOffset; }
  void SetUpGapless();

  sMpegInput* Input = nullptr;
  bool InputNotSeekable = false;
  bool StandardWindow = false;
  bool GaplessWanted = false, GaplessOn = false;
  int Failure = 0;

  // Where the audio lies in the input: tags and leading junk excluded.
  int64_t AudioStart = 0, AudioEnd = INT64_MAX;
  mpegtags::sInfoFrame Info;
  int64_t InfoEnd = 0;  // input position of the frame after the Info frame
  bool ConstantRate = true;
  std::vector<int64_t> FrameIndex;  // input positions of every 64th MPEG frame (variable rates)
  // The gapless trim in output bytes: left out at the start, and the length
  // kept (-1: up to the end).
  int64_t TrimHead = 0, TrimLength = -1;
  bool EmitFlush = true;

  // Frame bit buffer (with padding so three-byte loads never leave it).
  uint8_t Buffer[kBufferCapacity + 8];
  int BufferFill = 0;
  int BitPosition = 0;
  int64_t BufferBase = 0;   // input position of Buffer[0]
  bool InputDone = false;   // the input has given its last byte of audio
  bool SyncExpected = true; // the next header should start right at the position
  // The bit reader: which bytes and which position it reads.
  const uint8_t* ReaderBytes = nullptr;
  int* ReaderPos = nullptr;
  int ReaderLimit = 0;  // bits; reads beyond give zeros

  // Main-data buffer (Layer III).
  uint8_t MainData[kMainDataSize + 8];
  int MainDataPos = 0;
  int MainDataFill = 0;
  // Bytes of main data gathered since the reservoir was last lost (a seek,
  // a loss of sync); a frame reaching back further is silent.
  int MainDataValid = 0;
  bool ReservoirShort = false;
  bool SilentFrame = false;  // the Info frame: no audio

  // Current header.
  int HVersion = 0, HLayer = 0, HCrc = 0, HBitRateIndex = 0, HRateIndex = 0;
  int HPadding = 0, HMode = 0, HModeExt = 0;
  int HeaderStart = 0;  // bit position of the header's first bit
  // Reference fields.
  int RefVersion = 0, RefLayer = 0, RefRateIndex = 0, RefMode = 0;
  bool FirstFrame = false;

  // Geometry.
  int SlotBytes = 1, FrameSlots = 0, FrameSlotRemainder = 0, SampleRate = 0;
  int SeekBackFrames = 1;
  int BitRate = 0;

  // PCM frame.
  uint8_t Pcm[9216];
  int FrameNumber = 0, ReadOffset = 0, FrameBytes = 0;
  int PcmFrame = 0;  // the frame Pcm holds
  int64_t FrameCount = 0;
  bool EndOfStream = false;

  // Subband samples: [channel][36 slots x 32].
  alignas(32) float Subband[2][1152];

  // Output configuration.
  int OutChannels = 0, DownShift = 0, BytesPerSample = 2;
  int StreamChannels = 2, SynthChannels = 2;
  bool MixToMono = false, MonoToBoth = false;

  // Controls.
  float Volume = 1.0f;
  float Mix[9];
  bool MixEnabled = false;
  float BandGains[32];
  bool BandGainsEnabled = false;
  float LineGains[576];
  float ShortLineGains[192];
  bool LineGainsEnabled = false;

  // Synthesis state.
  const sMpegKernels* Kernels;
  sSynthState Synth[2];
  int SynthOffset = 0;
  sSynthWindow Window;  // for the window choice and rate of this stream
  alignas(32) float PcmFloat[2][1152 + 8];  // one decoded frame before the output conversion

  // Layer III state.
  int LongBands[23];
  int ShortBands[14];  // lines x 3
  int16_t Reorder[3][576];
  alignas(32) float Overlap[2][18][32];  // [channel][time slot][subband]
  alignas(16) float Lines[2][576];
  int ScaleFactors[2][39];
  int IntensityPos[576];
  sGranuleInfo Granules[2][2];
  int Scfsi[2][4];
};

// Most significant bit first; bits at or beyond the reader's limit read 0.
inline unsigned sMpegDecoder::GetBits(int n) {
  int pos = *ReaderPos;
  *ReaderPos = pos + n;
  if (n <= 0 || pos < 0 || pos + n > ReaderLimit) {
    if (n <= 0 || pos < 0 || pos >= ReaderLimit) return 0;
    unsigned v = 0;
    for (int i = 0; i < n; ++i, ++pos)
      v = (v << 1) | (pos < ReaderLimit ? (ReaderBytes[pos >> 3] >> (7 - (pos & 7))) & 1 : 0);
    return v;
  }
  const uint8_t* p = ReaderBytes + (pos >> 3);
  uint32_t w = (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
  w <<= (pos & 7);
  return n >= 32 ? w : w >> (32 - n);
}

