// The MPEG decoder stream fed any bytes. The first two bytes choose how it is
// opened and driven; the rest is the compressed input.
//   byte 0: bit 0 seekable input, bit 1 16-bit output, bits 2-3 downShift
//           (3 checks the clamp), bits 4-5 channels 0, 1, 2 or -2, bit 6
//           peeks before reads, bit 7 a seek after the first pass
//   byte 1: bits 0-2 read size, bits 3-4 volume and mix controls, bits 5-7
//           where the seek lands
// A fatal error would be a clean end, but the decoder has none; a crash, a
// sanitizer report, a hang or output beyond what the input can carry is a find.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>
#include "audio/mpeg/mpegstream.h"
#include "audio/stream.h"
#include "tests/fuzz/fuzz_support.h"
namespace {
// Compressed input from memory, seekable or not.
class InputStream : public sStream {
public:
  InputStream(const uint8_t* data, int size, bool seekable) : data_(data), size_(size) {
    SetOpenState(seekable ? StreamReadable | StreamSeekable : StreamReadable, 0, seekable ? size : 0);
  }
  ~InputStream() override { Close(); }
  int DoRead(void* buffer, int count) override {
    const int n = DoPeek(buffer, count);
    pos_ += n;
    return n;
  }
  int DoPeek(void* buffer, int count) override {
    const int n = std::max(0, std::min(count, size_ - pos_));
    if (n) std::memcpy(buffer, data_ + pos_, size_t(n));
    return n;
  }
  int DoSeek(int position) override {
    pos_ = std::max(0, std::min(position, size_));
    return pos_;
  }
private:
  const uint8_t* data_;
  int size_;
  int pos_ = 0;
};
const int ReadSizes[8] = {1, 3, 100, 1000, 2304, 4608, 9216, 20000};
const int Channels[4] = {0, 1, 2, -2};
// Samples per channel one pass can yield: 48 per input byte (the shortest
// frames) plus the first frame and the flushed last one.
long SampleBound(size_t inputBytes) { return 48L * long(inputBytes) + 3 * 1152; }
// Reads to the end; false when the output outgrows what the input can carry.
bool Drain(sMpegStream& dec, std::vector<uint8_t>& buf, int chunk, bool peek, long byteLimit) {
  long total = 0;
  for (;;) {
    if (peek) dec.Peek(buf.data(), chunk);
    const int got = dec.Read(buf.data(), chunk);
    if (got < 0 || got > chunk) std::abort();
    if (got == 0) return true;
    total += got;
    if (total > byteLimit) return false;
  }
}
}  // namespace
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2 || size > (1u << 30)) return 0;
  const uint8_t how = data[0], drive = data[1];
  const bool seekable = how & 1;
  const int pcm16 = (how >> 1) & 1;
  const int downShift = (how >> 2) & 3;
  const int channels = Channels[(how >> 4) & 3];
  const bool peek = how & 64, seek = how & 128;
  const int chunk = ReadSizes[drive & 7];
  const uint8_t* stream = data + 2;
  const int streamBytes = int(size - 2);
  InputStream input(stream, streamBytes, seekable);
  sMpegStream dec;
  int rate = 0, stereo = -1;
  if (dec.Open(&input, &rate, &stereo, pcm16, downShift, channels) != 0) return 0;
  // The output format follows from the header alone.
  if (rate < 2000 || rate > 48000 || (stereo != 0 && stereo != 1)) std::abort();
  if (channels == 1 && stereo != 0) std::abort();
  if ((channels == 2 || channels == -2) && stereo != 1) std::abort();
  if (drive & 8) {
    const float volume = 0.25f * float(drive >> 5);
    dec.Control(MpegSetVolume, reinterpret_cast<intptr_t>(&volume), 0);
  }
  if (drive & 16) {
    float mix[9], gains[576];
    for (int i = 0; i < 9; ++i) mix[i] = float((i * 7 + drive) % 5) * 0.5f - 1.0f;
    for (int i = 0; i < 576; ++i) gains[i] = float((i + drive) % 9) * 0.25f;
    dec.Control(MpegSetMixMatrix, reinterpret_cast<intptr_t>(mix), 0);
    dec.Control(MpegSetLineGains, reinterpret_cast<intptr_t>(gains), 0);
    dec.Control(MpegSetBandGains, reinterpret_cast<intptr_t>(gains + 100), 0);
  }
  const int frameChannels = stereo ? 2 : 1;
  const long byteLimit = (SampleBound(size) >> std::min(downShift, 2)) * frameChannels * (pcm16 ? 2 : 4);
  std::vector<uint8_t> buf(static_cast<size_t>(chunk));
  if (!Drain(dec, buf, chunk, peek, byteLimit)) std::abort();
  if (dec.Read(buf.data(), chunk) != 0) std::abort();  // the end stays the end
  if (seek && seekable) {
    const int length = dec.GetLength();
    const int target = int(int64_t(length) * (drive >> 5) / 6);
    const int at = dec.Seek(target);
    if (at < 0) std::abort();
    if (!Drain(dec, buf, chunk, peek, byteLimit)) std::abort();
    dec.Seek(int(std::min<int64_t>(int64_t(length) + 12345, INT32_MAX)));  // beyond the end
    if (!Drain(dec, buf, chunk, false, byteLimit)) std::abort();
  }
  dec.Close();
  return 0;
}
