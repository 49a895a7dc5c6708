// Fill rate of the software rasterizer on a 640 x 480 0565 screen: pixels
// per second for flat, Gouraud and textured triangles, large and small.
#include "platform/soft/rasterizer.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

using namespace platform;

constexpr int Width = 640, Height = 480;

struct Scene {
  std::vector<uint8_t> screen = std::vector<uint8_t>(Width * Height * 2);
  std::vector<uint8_t> zbuffer = std::vector<uint8_t>(Width * Height * 2);
  std::vector<uint16_t> texels = std::vector<uint16_t>(256 * 256);
  RasterTexture texture;
  Rasterizer raster;

  Scene() {
    raster.SetTarget({screen.data(), Width * 2, Width, Height, RasterFormat::R5G6B5});
    raster.SetDepth({zbuffer.data(), Width * 2, 16});
    for (int j = 0; j < 256; ++j)
      for (int i = 0; i < 256; ++i) texels[j * 256 + i] = static_cast<uint16_t>((i ^ j) * 0x0821u);
    texture = {reinterpret_cast<const uint8_t*>(texels.data()), 512, 256, 256};
    raster.State().perspective = true;
    raster.State().cull = CullMode::None;
  }
};

enum Mode { Flat, Gouraud, Textured, TexturedLinear, TexturedModulate, ZTested, Blended };
const char* const ModeNames[] = {"flat",          "gouraud",  "textured nearest", "textured linear",
                                  "textured modulate", "z-tested", "alpha-blended"};

void Configure(Scene& s, Mode mode) {
  RasterState& st = s.raster.State();
  st.shade = mode == Flat ? ShadeMode::Flat : ShadeMode::Gouraud;
  if (mode == Textured || mode == TexturedLinear || mode == TexturedModulate) {
    st.texture = &s.texture;
    st.textureBlend = mode == TexturedModulate ? TextureBlend::Modulate : TextureBlend::Decal;
    st.magFilter = mode == TexturedLinear ? TextureFilter::Linear : TextureFilter::Nearest;
  }
  if (mode == ZTested) {
    st.zEnable = true;
    st.zWrite = true;
    st.zFunc = CompareFunc::GreaterEqual;
  }
  if (mode == Blended) {
    st.blendEnable = true;
    st.srcBlend = BlendFactor::SrcAlpha;
    st.destBlend = BlendFactor::InvSrcAlpha;
  }
}

RasterVertex Vertex(float x, float y, uint32_t color, float u, float v) {
  return RasterVertex{x, y, 0.5f, 1.0f, color, 0, u, v};
}

// The whole screen as one quad, redrawn each iteration.
void BigTriangles(benchmark::State& state) {
  Scene s;
  Configure(s, static_cast<Mode>(state.range(0)));
  RasterVertex quad[4] = {Vertex(0, 0, 0x80FF0000, 0, 0), Vertex(640, 0, 0x8000FF00, 2.5f, 0),
                          Vertex(0, 480, 0x800000FF, 0, 1.875f), Vertex(640, 480, 0x80FFFFFF, 2.5f, 1.875f)};
  for (auto _ : state) {
    if (state.range(0) == ZTested) s.raster.ClearDepth(0, 0, Width, Height, 0);
    s.raster.DrawStrip(quad, 4);
    benchmark::DoNotOptimize(s.screen.data());
  }
  state.counters["pixels/s"] = benchmark::Counter(static_cast<double>(s.raster.PixelsDrawn()), benchmark::Counter::kIsRate);
  state.SetLabel(ModeNames[state.range(0)]);
}

// A screen-covering mesh of cell x cell quads: setup cost shows at small cells.
void SmallTriangles(benchmark::State& state) {
  Scene s;
  Configure(s, static_cast<Mode>(state.range(0)));
  const int cell = static_cast<int>(state.range(1));
  std::vector<RasterVertex> strip;
  for (auto _ : state) {
    for (int y = 0; y + cell <= Height; y += cell) {
      strip.clear();
      for (int x = 0; x <= Width; x += cell) {
        float u = x / 256.0f, v = y / 256.0f;
        strip.push_back(Vertex(static_cast<float>(x), static_cast<float>(y), 0xFF808080u + x, u, v));
        strip.push_back(Vertex(static_cast<float>(x), static_cast<float>(y + cell), 0xFF404040u + y, u, v + cell / 256.0f));
      }
      s.raster.DrawStrip(strip.data(), static_cast<int>(strip.size()));
    }
    benchmark::DoNotOptimize(s.screen.data());
  }
  state.counters["pixels/s"] = benchmark::Counter(static_cast<double>(s.raster.PixelsDrawn()), benchmark::Counter::kIsRate);
  state.counters["triangles/s"] =
      benchmark::Counter(2.0 * (Width / cell) * (Height / cell) * state.iterations(), benchmark::Counter::kIsRate);
  state.SetLabel(ModeNames[state.range(0)]);
}

void Modes(benchmark::internal::Benchmark* b) {
  b->ArgName("mode");
  for (int m = Flat; m <= Blended; ++m) b->Arg(m);
}

BENCHMARK(BigTriangles)->Apply(Modes)->Unit(benchmark::kMillisecond);
BENCHMARK(SmallTriangles)->ArgsProduct({{Flat, Gouraud, Textured}, {16, 4}})->ArgNames({"mode", "cell"})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
