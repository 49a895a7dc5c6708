#include "tests/vo/files.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "tests/support/paths.h"

namespace votest {

namespace {
void Put16(std::vector<uint8_t>& out, int v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
}  // namespace

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot write " + path);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

void WriteImage(const std::string& path, int w, int h, const std::vector<uint8_t>& pixels, int depth) {
  std::vector<uint8_t> out = {'B', 'M', 'A', 'P', static_cast<uint8_t>(depth)};
  const int bytesPerPixel = depth / 8;
  if (depth == 8) {
    out.push_back(3);  // palette and pixels
    Put16(out, 256);
    for (int i = 0; i < 256; ++i) out.insert(out.end(), {uint8_t(i), uint8_t(i), uint8_t(i), 255});
  } else {
    out.push_back(2);
  }
  Put16(out, w);
  Put16(out, h);
  Put16(out, w * bytesPerPixel);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w * bytesPerPixel; ++x) out.push_back(pixels[(y * w * bytesPerPixel + x) % pixels.size()]);
  out.insert(out.end(), {'b', 'm', 'a', 'p'});
  WriteBytes(path, out);
}

InTempFolder::InTempFolder(const char* tag) {
  old_ = std::filesystem::current_path().string();
  const std::string dir = testpaths::TempDir(tag);
  std::filesystem::create_directories(dir + "/vo");
  std::filesystem::current_path(dir);
}

InTempFolder::~InTempFolder() {
  const std::filesystem::path dir = std::filesystem::current_path();
  std::filesystem::current_path(old_);
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
}

}  // namespace votest
