#include "tools/common/scl_writer.h"

namespace {
void Put16(std::vector<uint8_t>* out, int v) {
  out->push_back(static_cast<uint8_t>(v));
  out->push_back(static_cast<uint8_t>(v >> 8));
}
}  // namespace

bool EncodeScl(const sBitmap& b, std::vector<uint8_t>* out, std::string* error) {
  int depth;
  switch (b.Kind) {
    case KindMono: depth = 1; break;
    case KindIndex8: depth = 8; break;
    case Kind0565: depth = 16; break;
    case Kind0888: depth = 24; break;
    default:
      *error = std::string("pixel kind ") + (b.Kind >= 0 && b.Kind < KindCount ? KindNames[b.Kind] : "?") +
               " has no depth in the image file format";
      return false;
  }
  if (b.Levels < 1 || b.Levels > 15) {
    *error = "an image file holds 1 to 15 levels";
    return false;
  }
  const int64_t rowBytes = (int64_t{b.Width} * b.Bits + 7) / 8;
  if (b.Width < 1 || b.Height < 1 || b.Width > 0xFFFF || b.Height > 0xFFFF || rowBytes > 0xFFFF) {
    *error = "image of " + std::to_string(b.Width) + " x " + std::to_string(b.Height) +
             " does not fit the 16-bit sizes of the image file format";
    return false;
  }
  // The loader halves the row bytes per level: every level's pixels must still fit.
  for (int l = 1; l < b.Levels; ++l) {
    int w = b.Width >> l < 1 ? 1 : b.Width >> l;
    if ((rowBytes >> l) < (int64_t{w} * b.Bits + 7) / 8 || (b.Height >> l) < 1) {
      *error = "level " + std::to_string(l) + " is too small to be stored (the format halves row bytes and rows)";
      return false;
    }
  }

  const bool palette = b.Kind == KindIndex8;
  out->clear();
  out->insert(out->end(), {'B', 'M', 'A', 'P'});
  out->push_back(static_cast<uint8_t>(depth));
  out->push_back(static_cast<uint8_t>(2 | (palette ? 1 : 0) | (b.Levels > 1 ? 4 : 0)));
  if (palette) {
    int count = b.PaletteSize > 256 ? 256 : b.PaletteSize;
    Put16(out, count);
    for (int i = 0; i < count; ++i) {
      const sColor& c = b.Palette[i];
      out->insert(out->end(), {c.r, c.g, c.b, c.a});
    }
  }
  Put16(out, b.Width);
  Put16(out, b.Height);
  Put16(out, static_cast<int>(rowBytes));
  if (b.Levels > 1) out->push_back(static_cast<uint8_t>(b.Levels));
  for (int l = 0; l < b.Levels; ++l) {
    const int bytes = static_cast<int>(rowBytes >> l);
    for (int y = 0; y < (b.Height >> l); ++y) {
      const uint8_t* row = b.PixelAddress(0, y, l);
      out->insert(out->end(), row, row + bytes);
    }
  }
  out->insert(out->end(), {'b', 'm', 'a', 'p'});
  return true;
}
