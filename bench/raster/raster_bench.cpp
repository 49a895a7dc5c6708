// Bitmaps, image loading and pack lookups: figures, not assertions.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "framework/bitmap.h"
#include "framework/file.h"
#include "framework/pack.h"
#include "tools/common/pack_writer.h"
#include "tools/common/scl_writer.h"
#include "tools/common/whole_file.h"

namespace {

std::string Scratch() {
  static std::string dir = [] {
    auto d = std::filesystem::temp_directory_path() / "tess-raster-bench";
    std::filesystem::create_directories(d);
    return d.string();
  }();
  return dir;
}

void Fill(sBitmap& b) {
  for (int y = 0; y < b.Height; ++y)
    for (int x = 0; x < b.Width; ++x) b.SetPixel(static_cast<uint32_t>(x * 7 + y * 13), x, y, 0);
}

void BM_Clear640x480(benchmark::State& state) {
  sBitmap b;
  b.Create(640, 480, static_cast<int>(state.range(0)), 1);
  for (auto _ : state) {
    b.Clear(0x5A);
    benchmark::DoNotOptimize(b.Pixels[0][0]);
  }
  state.SetBytesProcessed(state.iterations() * b.Size[0]);
  state.SetLabel(KindNames[b.Kind]);
}
BENCHMARK(BM_Clear640x480)->Arg(KindIndex8)->Arg(Kind0565)->Arg(Kind0888)->Arg(Kind8888);

void BM_ConvertIndex8To(benchmark::State& state) {
  sBitmap src, dst;
  src.Create(256, 256, KindIndex8, 1);
  Fill(src);
  dst.Create(256, 256, static_cast<int>(state.range(0)), 1);
  const sBlitRect area{0, 0, 0, 0, 256, 256};
  for (auto _ : state) dst.Convert(&src, &area);
  state.SetItemsProcessed(state.iterations() * 256 * 256);
  state.SetLabel(KindNames[dst.Kind]);
}
BENCHMARK(BM_ConvertIndex8To)->Arg(Kind0565)->Arg(Kind8888)->Arg(KindIndex8);

void BM_Load640x480(benchmark::State& state) {
  sBitmap b;
  b.Create(640, 480, static_cast<int>(state.range(0)), 1);
  Fill(b);
  std::vector<uint8_t> bytes;
  std::string error;
  const std::string path = Scratch() + "/load.scl";
  if (!EncodeScl(b, &bytes, &error) || !WriteWholeFile(path, bytes, &error)) state.SkipWithError(error.c_str());
  for (auto _ : state) {
    sBitmap loaded;
    loaded.Load(path.c_str());
    benchmark::DoNotOptimize(loaded.Pixels[0]);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
  state.SetLabel(KindNames[b.Kind]);
}
BENCHMARK(BM_Load640x480)->Arg(KindIndex8)->Arg(Kind0888);

// The lookup walks the directory: the last of 64 names is the worst case.
void BM_PackOpenLastOf64(benchmark::State& state) {
  // The pack opens once per process; later runs of this function reuse it.
  static const bool opened = [] {
    PackWriter w;
    std::string error;
    for (int i = 0; i < 64; ++i) w.Add("vo/v01_entry" + std::to_string(i) + ".scl", {1, 2, 3}, &error);
    const std::string path = Scratch() + "/bench.dat";
    if (!w.Write(path, &error)) return false;
    OpenPackFile(path.c_str());
    return true;
  }();
  if (!opened) state.SkipWithError("cannot write the pack");
  for (auto _ : state) {
    sFile f;
    f.Open("VO/V01_ENTRY63.SCL", sFile::ModeRead);
    benchmark::DoNotOptimize(f.Size);
  }
}
BENCHMARK(BM_PackOpenLastOf64);

}  // namespace

BENCHMARK_MAIN();
