// Small files on disk and 640 x 480 screens in memory for the layer and effect tests.
#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>
#include "framework/bitmap.h"
#include "tests/support/paths.h"

namespace votest {

using testpaths::WriteFile;

// An image file: depth 8 with a grey palette (or depth 16 without one), one level,
// its pixel bytes repeating `pixels`.
inline void WriteImage(const std::string& path, int w, int h, const std::vector<uint8_t>& pixels, int depth = 8) {
  std::vector<uint8_t> out = {'B', 'M', 'A', 'P', static_cast<uint8_t>(depth), uint8_t(depth == 8 ? 3 : 2)};
  auto put16 = [&](int v) { out.insert(out.end(), {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)}); };
  if (depth == 8) {  // palette and pixels
    put16(256);
    for (int i = 0; i < 256; ++i) out.insert(out.end(), {uint8_t(i), uint8_t(i), uint8_t(i), 255});
  }
  const int rowBytes = w * depth / 8;
  put16(w), put16(h), put16(rowBytes);
  for (int i = 0; i < h * rowBytes; ++i) out.push_back(pixels[i % pixels.size()]);
  out.insert(out.end(), {'b', 'm', 'a', 'p'});
  WriteFile(path, out);
}

// The test body runs inside a fresh folder with a vo/ sub-folder.
class InTempFolder {
public:
  explicit InTempFolder(const char* tag) : old_(std::filesystem::current_path()) {
    const std::string dir = testpaths::TempDir(tag);
    std::filesystem::create_directories(dir + "/vo");
    std::filesystem::current_path(dir);
  }
  ~InTempFolder() {
    const std::filesystem::path dir = std::filesystem::current_path();
    std::filesystem::current_path(old_);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }

private:
  std::filesystem::path old_;
};

// A 640 x 480 Index 8 screen filled with one index, and a picture of given pixels.
inline std::unique_ptr<sBitmap> Picture(int w, int h, const std::vector<uint8_t>& pixels) {
  auto b = std::make_unique<sBitmap>();
  b->Create(w, h, KindIndex8, 1);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) *b->PixelAddress(x, y, 0) = pixels[(y * w + x) % pixels.size()];
  return b;
}
inline std::unique_ptr<sBitmap> Screen(uint8_t fill) {
  auto s = std::make_unique<sBitmap>();
  s->Create(640, 480, KindIndex8, 1);
  s->Clear(fill);
  return s;
}
inline uint8_t At(const sBitmap& b, int x, int y) { return b.Pixels[0][b.Pitch[0] * y + x]; }

}  // namespace votest
