// sMpegStream: the MPEG audio decoder as a readable stream of PCM bytes. It
// reads its compressed input from another stream (not owned, never closed).
#pragma once
#include <memory>

#include "audio/mpeg/decoder.h"
#include "audio/stream.h"

class sMpegStream : public sStream {
public:
  sMpegStream();
  ~sMpegStream() override;

  // 0 on success, -1 when the input is not an MPEG audio stream. rate and
  // stereo receive the output format; pcm16 selects 16-bit (else float)
  // samples; downShift 0..2 divides the rate; channels 0 as the stream,
  // 1 mono, 2 stereo, -2 the mono mix on both channels.
  int Open(sStream* input, int* rate, int* stereo, int pcm16, int downShift, int channels);

  // The port's option: synthesis with the standard's window table (takes
  // effect at the next Open).
  void SetStandardWindow(bool on) { Decoder->SetStandardWindow(on); }
  // Gapless output (sMpegDecoder::SetGapless; takes effect at the next Open).
  void SetGapless(bool on) { Decoder->SetGapless(on); }
  // The kernels' instruction path (MpegSimdPaths in audio/mpeg/kernels.h);
  // false when this machine lacks it.
  bool SetSimdPath(const char* name) { return Decoder->SetSimdPath(name); }
  const sMpegDecoder& Core() const { return *Decoder; }

  int DoClose() override;
  int DoRead(void* buffer, int count) override;
  int DoPeek(void* buffer, int count) override;
  int DoSeek(int position) override;
  int Control(int command, intptr_t a, int b) override;
  using sStream::Control;

private:
  class sInputAdapter : public sMpegInput {
  public:
    sStream* In = nullptr;
    int Seekable() override { return (In->GetFlags() & StreamSeekable) != 0; }
    int Read(void* buffer, int count) override { return In->Read(buffer, count); }
    int64_t Seek(int64_t position) override;
    int64_t Length() override { return In->GetLength(); }
  };

  sInputAdapter Adapter;
  std::unique_ptr<sMpegDecoder> Decoder;
};
