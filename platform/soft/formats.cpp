#include "platform/display.h"

namespace platform {

DDPixelFormat FormatIndexed(int bits) {
  DDPixelFormat f;
  f.bitCount = static_cast<uint32_t>(bits);
  switch (bits) {
    case 1: f.flags = DDPF_PALETTEINDEXED1; break;
    case 2: f.flags = DDPF_PALETTEINDEXED2; break;
    case 4: f.flags = DDPF_PALETTEINDEXED4; break;
    default: f.flags = DDPF_PALETTEINDEXED8; f.bitCount = 8; break;
  }
  return f;
}

namespace {
DDPixelFormat Rgb(uint32_t bits, uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
  DDPixelFormat f;
  f.flags = DDPF_RGB | (a ? DDPF_ALPHAPIXELS : 0u);
  f.bitCount = bits;
  f.redMask = r;
  f.greenMask = g;
  f.blueMask = b;
  f.alphaMask = a;
  return f;
}
}  // namespace

uint32_t LoadRowPixel(const uint8_t* row, int x, int bits) {
  if (bits < 8) {
    const int bit = x * bits;
    return static_cast<uint32_t>(row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
  }
  uint32_t v = 0;
  for (int i = 0; i < bits / 8; ++i) v |= static_cast<uint32_t>(row[x * (bits / 8) + i]) << (8 * i);
  return v;
}

void StoreRowPixel(uint8_t* row, int x, int bits, uint32_t value) {
  if (bits < 8) {
    const int bit = x * bits, shift = 8 - bits - bit % 8;
    const uint32_t mask = ((1u << bits) - 1) << shift;
    row[bit / 8] = static_cast<uint8_t>((row[bit / 8] & ~mask) | ((value << shift) & mask));
    return;
  }
  for (int i = 0; i < bits / 8; ++i) row[x * (bits / 8) + i] = static_cast<uint8_t>(value >> (8 * i));
}

DDPixelFormat Format0565() { return Rgb(16, 0xF800, 0x07E0, 0x001F, 0); }
DDPixelFormat Format1555() { return Rgb(16, 0x7C00, 0x03E0, 0x001F, 0x8000); }
DDPixelFormat Format4444() { return Rgb(16, 0x0F00, 0x00F0, 0x000F, 0xF000); }
DDPixelFormat Format0888() { return Rgb(24, 0xFF0000, 0xFF00, 0xFF, 0); }
DDPixelFormat Format8888() { return Rgb(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u); }

const std::vector<DDModeInfo>& ClassicModes() {
  static const std::vector<DDModeInfo> modes = [] {
    static const int sizes[][2] = {{320, 200},  {320, 240},  {400, 300},  {512, 384},
                                   {640, 400},  {640, 480},  {800, 600},  {1024, 768},
                                   {1152, 864}, {1280, 960}, {1280, 1024}};
    // A screen's 1555 mode is reported without its alpha bit.
    DDPixelFormat screen1555 = Format1555();
    screen1555.flags = DDPF_RGB;
    screen1555.alphaMask = 0;
    // 32-bit screens carry no alpha either.
    DDPixelFormat screen8888 = Format8888();
    screen8888.flags = DDPF_RGB;
    screen8888.alphaMask = 0;
    const DDPixelFormat formats[] = {FormatIndexed(8), Format0565(), screen1555, Format0888(), screen8888};
    std::vector<DDModeInfo> list;
    for (const auto& s : sizes)
      for (const DDPixelFormat& f : formats) list.push_back({s[0], s[1], f});
    return list;
  }();
  return modes;
}

}  // namespace platform
