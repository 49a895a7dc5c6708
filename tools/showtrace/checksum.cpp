#include "tools/showtrace/checksum.h"

#include <cstdio>

namespace {
struct CrcTable {
  uint32_t v[256];
  CrcTable() {
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
      v[i] = c;
    }
  }
};
const CrcTable table;
}  // namespace

uint32_t Crc32(const uint8_t* data, size_t n, uint32_t crc) {
  crc = ~crc;
  for (size_t i = 0; i < n; ++i) crc = table.v[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

uint32_t FrameIndexCrc(const platform::DDFrame& f) {
  uint32_t crc = 0;
  for (int y = 0; y < f.height; ++y) crc = Crc32(f.pixels.data() + static_cast<size_t>(y) * f.pitch, f.width, crc);
  return crc;
}

uint32_t FramePaletteCrc(const platform::DDFrame& f) {
  uint8_t rgb[768];
  for (int i = 0; i < 256; ++i) {
    rgb[3 * i] = f.palette[i].red;
    rgb[3 * i + 1] = f.palette[i].green;
    rgb[3 * i + 2] = f.palette[i].blue;
  }
  return Crc32(rgb, sizeof rgb);
}

bool FileFnv1a64(const std::string& path, uint64_t* hash) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  uint64_t h = 1469598103934665603ull;
  for (int c; (c = std::fgetc(f)) != EOF;) {
    h ^= static_cast<uint8_t>(c);
    h *= 1099511628211ull;
  }
  std::fclose(f);
  *hash = h;
  return true;
}
