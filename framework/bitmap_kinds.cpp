#include "framework/bitmap_kinds.h"

const int KindBits[KindCount] = {1, 4, 8, 16, 16, 16, 24, 32};

const char* const KindNames[KindCount] = {"Mono   ", "Index 4", "Index 8", "0565-16",
                                          "1555-16", "4444-16", "0888-24", "8888-32"};

bool DirectColorToIndex(int kind, int r, int g, int b, int a, uint32_t* value) {
  uint32_t ur = static_cast<uint32_t>(r), ug = static_cast<uint32_t>(g);
  uint32_t ub = static_cast<uint32_t>(b), ua = static_cast<uint32_t>(a);
  switch (kind) {
    case Kind0565:
      *value = (ur & 0xF8) << 8 | (ug & 0xFC) << 3 | ((ub >> 3) & 0x1F);
      return true;
    case Kind1555:
      *value = (ua & 0x80) << 8 | (ur & 0xF8) << 7 | (ug & 0xF8) << 2 | ((ub >> 3) & 0x1F);
      return true;
    case Kind4444:
      *value = (ua & 0xF0) << 8 | (ur & 0xF0) << 4 | (ug & 0xF0) | ((ub >> 4) & 0x0F);
      return true;
    case Kind0888:
      *value = ur << 16 | ug << 8 | ub;
      return true;
    case Kind8888:
      *value = ua << 24 | ur << 16 | ug << 8 | ub;
      return true;
    default:
      return false;
  }
}

bool DirectIndexToColor(int kind, uint32_t v, sColor* out) {
  switch (kind) {
    case Kind0565:
      out->r = static_cast<uint8_t>((v >> 8) & 0xF8);
      out->g = static_cast<uint8_t>((v >> 3) & 0xFC);
      out->b = static_cast<uint8_t>((v << 3) & 0xF8);
      out->a = 255;
      return true;
    case Kind1555:
      out->r = static_cast<uint8_t>((v >> 7) & 0xF8);
      out->g = static_cast<uint8_t>((v >> 2) & 0xF8);
      out->b = static_cast<uint8_t>((v << 3) & 0xF8);
      out->a = (v & 0x8000) ? 255 : 0;
      return true;
    case Kind4444:
      out->r = static_cast<uint8_t>(((v >> 8) & 0xF) * 17);
      out->g = static_cast<uint8_t>(((v >> 4) & 0xF) * 17);
      out->b = static_cast<uint8_t>((v & 0xF) * 17);
      out->a = static_cast<uint8_t>(((v >> 12) & 0xF) * 17);
      return true;
    case Kind0888:
      out->r = static_cast<uint8_t>(v >> 16);
      out->g = static_cast<uint8_t>(v >> 8);
      out->b = static_cast<uint8_t>(v);
      return true;
    case Kind8888:
      out->r = static_cast<uint8_t>(v >> 16);
      out->g = static_cast<uint8_t>(v >> 8);
      out->b = static_cast<uint8_t>(v);
      out->a = static_cast<uint8_t>(v >> 24);
      return true;
    default:
      return false;
  }
}
