// Throughput of the stream paths the decoder leans on (byte reads, peeks
// while searching for a header, bit fields) and of the sound mixer.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "audio/stream.h"
#include "audio/values.h"
#include "platform/soundmixer.h"

namespace {

class Memory : public sStream {
public:
  explicit Memory(size_t n, int flags) : data_(n) {
    for (size_t i = 0; i < n; ++i) data_[i] = uint8_t(i * 31);
    SetOpenState(flags, 0, int(n));
  }
  int DoRead(void* b, int n) override {
    n = std::min(n, int(data_.size()) - pos_);
    std::memcpy(b, data_.data() + pos_, size_t(n));
    pos_ += n;
    return n;
  }
  int DoPeek(void* b, int n) override {
    n = std::min(n, int(data_.size()) - pos_);
    std::memcpy(b, data_.data() + pos_, size_t(n));
    return n;
  }
  int DoSeek(int p) override { return pos_ = p; }

private:
  std::vector<uint8_t> data_;
  int pos_ = 0;
};

const size_t Size = 1 << 20;

void ReadChunks(benchmark::State& state) {
  int chunk = int(state.range(0)), buffer = int(state.range(1));
  std::vector<uint8_t> out(static_cast<size_t>(chunk));
  for (auto _ : state) {
    Memory s(Size, StreamReadable | StreamSeekable);
    s.SetBufferSize(buffer);
    while (s.Read(out.data(), chunk) == chunk) {
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Size));
}
BENCHMARK(ReadChunks)->Args({4608, 0})->Args({1, 0})->Args({1, 4096})->Args({4, 4096});

// The header search: peek four bytes, step one.
void PeekAndStep(benchmark::State& state) {
  int flags = int(state.range(0));
  for (auto _ : state) {
    Memory s(Size / 16, flags);
    uint32_t sum = 0;
    while (!s.AtEndOfInput()) {
      sum += PeekUInt32BE(&s);
      s.ReadByte();
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Size / 16));
}
BENCHMARK(PeekAndStep)->Arg(StreamReadable | StreamSeekable)->Arg(StreamReadable);

void ReadBitFields(benchmark::State& state) {
  int flags = int(state.range(0));
  for (auto _ : state) {
    Memory s(Size / 16, flags);
    s.Control(23, 0, 1);
    uint32_t sum = 0;
    for (int i = 0; i < int(Size / 16) * 8 / 13 - 1; ++i) sum += s.ReadBits(13);
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Size / 16));
}
BENCHMARK(ReadBitFields)->Arg(StreamReadable | StreamSeekable)->Arg(StreamReadable);

// One 1024-frame device buffer of an image at 44.1 kHz (copied) or 22.05 kHz (resampled).
void MixImage(benchmark::State& state) {
  uint32_t rate = uint32_t(state.range(0));
  size_t frames = rate * 10;
  std::vector<uint8_t> img(44 + frames * 4);
  std::memcpy(img.data(), "RIFF\0\0\0\0WAVEfmt ", 16);
  uint32_t v[] = {16, 0x00020001u, rate, rate * 4, 0x00100004u};
  std::memcpy(img.data() + 16, v, sizeof v);
  std::memcpy(img.data() + 36, "data", 4);
  uint32_t bytes = uint32_t(frames * 4), riff = bytes + 36;
  std::memcpy(img.data() + 40, &bytes, 4);
  std::memcpy(img.data() + 4, &riff, 4);
  platform::SoundMixer mixer;
  std::vector<int16_t> out(2048);
  mixer.PlaySound(img.data(), img.size());
  for (auto _ : state) {
    if (!mixer.ImagePlaying()) mixer.PlaySound(img.data(), img.size());
    mixer.Render(out.data(), 1024);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * 1024);
}
BENCHMARK(MixImage)->Arg(44100)->Arg(22050);

}  // namespace

BENCHMARK_MAIN();
