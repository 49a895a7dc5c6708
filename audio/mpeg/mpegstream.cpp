#include "audio/mpeg/mpegstream.h"

#include <algorithm>
#include <climits>

sMpegStream::sMpegStream() : Decoder(new sMpegDecoder) {}

sMpegStream::~sMpegStream() { Close(); }

int sMpegStream::Open(sStream* input, int* rate, int* stereo, int pcm16, int downShift,
                      int channels) {
  Close();
  if (!input) return -1;
  Adapter.In = input;
  if (Decoder->Open(&Adapter, rate, stereo, pcm16, downShift, channels) != 0) return -1;
  int flags = Decoder->InputSeekable() ? StreamReadable | StreamSeekable : StreamReadable;
  // The stream's 32-bit length holds about three hours of 44.1 kHz stereo;
  // longer streams are reachable to there.
  SetOpenState(flags, 0, int(std::min<int64_t>(Decoder->Length(), INT_MAX)));
  return 0;
}

int sMpegStream::DoClose() {
  // The input may already be gone when an owner closes; the closing seek of
  // Finish must not decode from it.
  Decoder->Detach();
  Finish();
  return 0;
}

int sMpegStream::DoRead(void* buffer, int count) { return Decoder->Read(buffer, count); }

int sMpegStream::DoPeek(void* buffer, int count) { return Decoder->Peek(buffer, count); }

int sMpegStream::DoSeek(int position) {
  return int(std::min<int64_t>(Decoder->Seek(position), INT_MAX));
}

int64_t sMpegStream::sInputAdapter::Seek(int64_t position) {
  return In->Seek(int(std::min<int64_t>(position, INT_MAX)));
}

int sMpegStream::Control(int command, intptr_t a, int b) {
  switch (command) {
    case MpegSetVolume:
    case MpegSetMixMatrix:
    case MpegSetBandGains:
    case MpegSetLineGains:
    case 49:
      return Decoder->Control(command, reinterpret_cast<void*>(a));
  }
  return sStream::Control(command, a, b);
}
