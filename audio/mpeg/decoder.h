// The MPEG audio decoder core: frame parsing, Layers I-III, synthesis and the
// output controls. sMpegStream wraps it as a stream; it reads its compressed
// input through sMpegInput.
#pragma once
#include <cstdint>

#include "audio/mpeg/input.h"

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

  // Forget the input: later decodes and seeks do nothing.
  void Detach() { Input = nullptr; }

  // Returns 0 on success, -1 when the input is not an MPEG audio stream.
  int Open(sMpegInput* input, int* rate, int* stereo, int pcm16, int downShift, int channels);

  // PCM access (bytes of interleaved output samples).
  int Read(void* buffer, int count);
  int Peek(void* buffer, int count);
  int Seek(int position);
  int AtEnd() const { return ReadOffset == FrameBytes && EndOfStream; }
  int Length() const { return FrameCount * FrameBytes; }
  int Control(int command, void* a);

  // Stream facts.
  int Version() const { return RefVersion; }
  int Layer() const { return RefLayer + 1; }
  int SampleRateHz() const { return SampleRate; }
  int StreamChannelCount() const { return StreamChannels; }
  int OutputChannels() const { return OutChannels; }
  int FrameByteCount() const { return FrameBytes; }
  int TotalFrames() const { return FrameCount; }
  int ProbedBitRate() const { return BitRate; }
  int LookBackFrames() const { return SeekBackFrames; }
  bool InputSeekable() const { return !InputNotSeekable; }

  void SetVolume(const float* v);
  void SetMixMatrix(const float* nine);
  void SetBandGains(const float* gains);
  void SetLineGains(const float* gains);

 private:
  friend struct sMpegDecoderTest;

  // Frame buffer and headers.
  void ResetFrameBuffer();
  void FillBuffer();
  int FindSync();
  int ReadHeader(int first);
  inline unsigned GetBits(int n);
  // GetBits where the caller knows 0 < n < 32 and the bits lie within the limit.
  inline unsigned GetBitsInside(int n);
  void CopyBytes(uint8_t* dest, int n);
  int ProbeStream();
  void InitLayer3(int bitRate);
  void InitLayer1(int bitRate);
  void InitLayer2(int bitRate);
  int MainDataBytes() const;
  void MainDataStep(int mainDataBegin);
  void PreRoll(int missing);

  // Layer III.
  int ReadSideInfo(sGranuleInfo (*records)[2]);
  void ReadScaleFactors(sGranuleInfo& gi, int* list);
  // Requantisation factors of the bands in coded order; returns the count.
  int BandFactors(const sGranuleInfo& gi, const int* sf, sBandFactor* out) const;
  // Returns the coded lines decoded; those beyond are zero.
  int DecodeHuffman(const sGranuleInfo& gi, float* lines, const sBandFactor* factors);
  void JointStereo(const sGranuleInfo& right, float* lines, const int* rightSf);
  void HybridFilter(const sGranuleInfo& gi, float* out, float* overlap, float* lines);
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

  sMpegInput* Input = nullptr;
  bool InputNotSeekable = false;
  bool StandardWindow = false;

  // Frame bit buffer (with padding so three-byte loads never leave it).
  uint8_t Buffer[kBufferCapacity + 8];
  int RefillThreshold = 2048;
  int BufferFill = 0;
  int BitPosition = 0;
  // The bit reader: which bytes and which position it reads.
  const uint8_t* ReaderBytes = nullptr;
  int* ReaderPos = nullptr;
  int ReaderLimit = 0;  // bits; reads beyond give zeros

  // Main-data buffer (Layer III).
  uint8_t MainData[kMainDataSize + 8];
  int MainDataPos = 0;
  int MainDataFill = 0;

  // Current header.
  int HVersion = 0, HLayer = 0, HCrc = 0, HBitRateIndex = 0, HRateIndex = 0;
  int HPadding = 0, HMode = 0, HModeExt = 0;
  int HeaderStart = 0;  // bit position of the header's first bit
  // Reference fields.
  int RefVersion = 0, RefLayer = 0, RefRateIndex = 0, RefMode = 0;
  int ProbeVersion = 0, ProbeLayer = 0, ProbeRateIndex = 0;  // the probe's first frame
  bool FirstFrame = false;

  // Geometry.
  int SlotBytes = 1, FrameSlots = 0, FrameSlotRemainder = 0, SampleRate = 0;
  int SeekBackFrames = 1;
  int BitRate = 0;

  // PCM frame.
  uint8_t Pcm[9216];
  int FrameNumber = 0, ReadOffset = 0, FrameCount = 0, FrameBytes = 0;
  bool EndOfStream = false;

  // Subband samples: [channel][36 slots x 32].
  alignas(16) float Subband[2][1152];

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
  alignas(16) float SynthBuf[2][2][272];
  int SynthOffset = 0;
  float WindowP[1024];  // sign-folded window rows for the current rate
  float WindowQ[1024];  // the same rows reversed

  // Layer III state.
  int LongBands[23];
  int ShortBands[14];  // lines x 3
  int16_t Reorder[3][576];
  alignas(16) float Overlap[2][32][18];
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

inline unsigned sMpegDecoder::GetBitsInside(int n) {
  int pos = *ReaderPos;
  *ReaderPos = pos + n;
  const uint8_t* p = ReaderBytes + (pos >> 3);
  uint32_t w = (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
  w <<= (pos & 7);
  return w >> (32 - n);
}
