// The decoder through 100 MB of random bytes behind a valid start: it must
// return, give no more PCM than such input can carry, and hold its memory
// whatever the length (the input is made as it is read, never stored).
#include <gtest/gtest.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>
#include "audio/mpeg/mpegstream.h"
#include "audio/stream.h"

namespace {

const int NoiseBytes = 100 * 1000 * 1000;

// Random bytes from the position alone, so seeks and peeks see the same data.
// Before `headerEnd`, every `spacing` bytes begin with the four-byte header.
class NoiseStream : public sStream {
public:
  NoiseStream(bool seekable, const uint8_t header[4], int spacing, int headerEnd)
      : spacing_(spacing), headerEnd_(headerEnd) {
    std::memcpy(header_, header, 4);
    SetOpenState(seekable ? StreamReadable | StreamSeekable : StreamReadable, 0, seekable ? NoiseBytes : 0);
  }
  ~NoiseStream() override { Close(); }
  int DoRead(void* buffer, int count) override {
    const int n = Fill(buffer, count);
    pos_ += n;
    delivered += n;
    return n;
  }
  int DoPeek(void* buffer, int count) override { return Fill(buffer, count); }
  int DoSeek(int position) override { return pos_ = std::max(0, std::min(position, NoiseBytes)); }
  int64_t delivered = 0;  // bytes read (not peeked)

private:
  int Fill(void* buffer, int count) {
    const int n = std::max(0, std::min(count, NoiseBytes - pos_));
    uint8_t* out = static_cast<uint8_t*>(buffer);
    for (int i = 0; i < n; ++i) out[i] = At(pos_ + i);
    return n;
  }
  uint8_t At(int p) const {
    if (p < headerEnd_ && p % spacing_ < 4) return header_[p % spacing_];
    uint32_t x = uint32_t(p) * 0x9E3779B1u;
    x = (x ^ x >> 15) * 0x85EBCA77u;
    return uint8_t((x ^ x >> 13) >> 8);
  }
  uint8_t header_[4];
  int spacing_, headerEnd_;
  int pos_ = 0;
};

long StatusKb(const char* field) {
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::strlen(field)));
  return -1;
}

// spacing and headerEnd: the valid frames at the start.
struct Case { const char* name; bool seekable; uint8_t header[4]; int spacing, headerEnd, pcm16, downShift, channels; };

TEST(NoiseStream, HundredMegabytesOfRandomBytesDecodeInBoundedMemory) {
  const Case cases[] = {
      // 128 kbit/s 44.1 kHz Layer III: eight frames of 417 bytes for the probe.
      {"layer 3, seekable, 16-bit", true, {0xFF, 0xFB, 0x90, 0x00}, 417, 8 * 417, 1, 0, 0},
      // Two frames, so that the second confirms the first.
      {"layer 2, not seekable, float", false, {0xFF, 0xFD, 0x94, 0x00}, 480, 2 * 480, 0, 1, 1},
      {"layer 1, seekable, quarter rate, mono on both", true, {0xFF, 0xFF, 0x94, 0xC0}, 288, 2 * 288, 1, 2, -2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::ofstream("/proc/self/clear_refs") << "5";  // restart the peak
    const long rssBefore = StatusKb("VmRSS:");
    const auto start = std::chrono::steady_clock::now();
    NoiseStream input(c.seekable, c.header, c.spacing, c.headerEnd);
    sMpegStream dec;
    int rate = 0, stereo = 0;
    ASSERT_EQ(0, dec.Open(&input, &rate, &stereo, c.pcm16, c.downShift, c.channels));
    std::vector<uint8_t> buf(65536);
    int64_t pcm = 0;
    for (int got; (got = dec.Read(buf.data(), int(buf.size()))) > 0;) pcm += got;
    EXPECT_EQ(0, dec.Read(buf.data(), 4));
    EXPECT_EQ(1, dec.AtEndOfInput());
    dec.Close();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long peak = StatusKb("VmHWM:");
    // The whole input was read once (the header search scans every byte;
    // the probe of a seekable input reads its start twice).
    EXPECT_GE(input.delivered, int64_t{NoiseBytes});
    EXPECT_LE(input.delivered, int64_t{NoiseBytes} + 65536);
    // 48 samples per channel per input byte at most, plus the first and last frames.
    const int64_t bytesPerSample = (c.pcm16 ? 2 : 4) * (stereo ? 2 : 1);
    EXPECT_LE(pcm, ((48 * int64_t{NoiseBytes} + 3 * 1152) >> c.downShift) * bytesPerSample);
    // Far less than the input: nothing holds on to what was read.
    EXPECT_LT(peak - rssBefore, 32 * 1024) << "kB of peak growth";
    std::printf("%s: %.1f s, %.0f MB/s, %lld PCM bytes, peak RSS growth %ld kB\n", c.name, seconds,
                NoiseBytes / 1e6 / seconds, static_cast<long long>(pcm), peak - rssBefore);
  }
}

}  // namespace
