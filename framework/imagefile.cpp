// Loading the image file format: "BMAP", depth, flags, optional palette,
// optional rows of one or more levels, "bmap".
#include <cstring>
#include <memory>
#include <vector>

#include "framework/bitmap.h"
#include "framework/bitmap_kinds.h"
#include "framework/file.h"
#include "framework/system/fatal.h"

namespace {
const char* const Source = "bitmap";
// The largest image with short rows (4096 x 4096 at 32 bits); the show's
// pictures are far smaller.
const int64_t MaxImageBytes = sBitmap::MaxLoadBytes;

int ReadByte(sFile* f) {
  uint8_t b;
  f->Read(&b, 1);
  return b;
}

int Read16(sFile* f) {
  uint8_t b[2];
  f->Read(b, 2);
  return b[0] | b[1] << 8;
}
}  // namespace

void sBitmap::Load(sFile* file) {
  char tag[4];
  file->Read(tag, 4);
  if (std::memcmp(tag, "BMAP", 4) != 0) Assertion(708, Source);

  const int depth = ReadByte(file);
  const int flags = ReadByte(file);
  int kind;
  switch (depth) {
    case 1: kind = KindMono; break;
    case 8: kind = KindIndex8; break;
    case 16: kind = Kind0565; break;
    case 24: kind = Kind0888; break;
    default: Assertion(728, Source);
  }

  std::vector<sColor> palette;
  const bool hasPalette = flags & 1;
  if (hasPalette) {
    kind = KindIndex8;
    const int count = Read16(file);
    if (count > 256) Assertion(735, Source);
    palette.resize(static_cast<size_t>(count));
    file->Read(palette.data(), count * 4);
  }

  if (flags & 2) {
    const int width = Read16(file);
    const int height = Read16(file);
    const int rowBytes = Read16(file);
    int levels = 1;
    if (flags & 4) {
      levels = ReadByte(file);
      if (levels < 1 || levels > 16) Assertion(746, Source);
    }
    if (width >= 1 && height >= 1 && levels < 16) {
      // Create rounds the size up to whole 2^(levels - 1) blocks: 4 x 8
      // pixels with 15 levels is 16384 x 16384.
      const int64_t align = int64_t{1} << (levels - 1);
      const int64_t w = (width + align - 1) / align * align, h = (height + align - 1) / align * align;
      const int bits = KindBits[kind];
      // The rows' own check comes first, as reading them would stop there.
      for (int l = 0; l < levels; ++l) {
        const int64_t lw = w >> l > 0 ? w >> l : 1;
        if ((height >> l) > 0 && (rowBytes >> l) > (lw * bits + 127) / 128 * 16) Assertion(754, Source);
      }
      // Rows the file cannot hold would never reach the closing tag: say so
      // before allocating, so a tiny file cannot demand a huge image.
      int64_t needed = 0;
      for (int l = 0; l < levels; ++l) needed += int64_t{height >> l} * (rowBytes >> l);
      if (needed > file->BytesLeft()) Fatal("sBitmap::Load() image data beyond the end of the file");
      // A file that holds every row of the bitmap bounds it by its own size;
      // short rows do not, and a ten-byte header must not make us allocate
      // gigabytes.
      const bool complete = h == height && int64_t{rowBytes} * 8 >= w * bits;
      if (!complete && w * h * bits / 8 > MaxImageBytes) Fatal("sBitmap::Load() image too large");
    }
    Create(width, height, kind, levels);
    for (int l = 0; l < levels; ++l) {
      const int bytes = rowBytes >> l;
      for (int y = 0; y < (height >> l); ++y) {
        if (bytes > Pitch[l]) Assertion(754, Source);
        file->Read(PixelAddress(0, y, l), bytes);
      }
    }
  } else {
    Create(1, 1, kind, 1);
  }

  if (hasPalette && !palette.empty()) std::memcpy(Palette, palette.data(), palette.size() * sizeof(sColor));

  file->Read(tag, 4);
  if (std::memcmp(tag, "bmap", 4) != 0) Assertion(771, Source);
}

void sBitmap::Load(const char* name) {
  auto file = std::make_unique<sFile>();
  file->Open(name, sFile::ModeRead);
  Load(file.get());
  file->Close();
}
