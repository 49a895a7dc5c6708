#include "vo/blobfield.h"

#include <cmath>
#include <cstring>

#include "framework/system/reset.h"

namespace {
// The first field of the program lays its blobs out differently from later ones.
bool firstFieldMade = false;
const ResetHook resetBlobField(ForgetBlobFields);

}  // namespace

void ForgetBlobFields() { firstFieldMade = false; }

namespace {
void AddSaturated(uint8_t* dst, const uint8_t* src, int n) {
  for (int i = 0; i < n; ++i) {
    const unsigned v = dst[i] + src[i];
    dst[i] = static_cast<uint8_t>(v > 255 ? 255 : v);
  }
}

int Position(int32_t coord, int limit) {
  if (coord < 0) return 0;
  const int v = coord / 65536;
  return v < limit ? v : limit;
}
}  // namespace

sBlobField::sBlobField(const uint8_t* blob, int blobSize) : Blob(blob), BlobSize(blobSize) {
  std::memset(Points, 0, sizeof Points);
  std::memset(Field, 0, sizeof Field);
  const bool first = !firstFieldMade;
  firstFieldMade = true;
  const int range = Size - blobSize;
  for (int b = 0; b < Blobs; ++b) {
    for (int i = 0; i < PathPoints; ++i) {
      sPathPoint& p = Points[b][i];
      p.Time = i * 65536;
      int x, y;
      if (first) {
        const double s = 150 * b * 0.025;
        x = static_cast<int>(std::sin((2 * i + b) * 1.7) * s + 150.0);
        y = static_cast<int>(std::cos((i + b) * 1.7) * s + 150.0);
      } else {
        const int r = (150 * b) / 40;
        const double a = (5 * b + 5 * i) * -1.7;
        x = static_cast<int>(std::sin(a) * r + 150.0);
        y = static_cast<int>(std::cos(a) * r + 150.0);
      }
      p.Coord[1] = (x % range) * 65536;
      p.Coord[2] = (y % range) * 65536;
    }
    Paths[b].Init(Points[b], PathPoints);
    Paths[b].Advance(65536);
  }
}

void sBlobField::Render(int step) {
  std::memset(Field, 0, sizeof Field);
  const bool big = BlobSize == 64;
  const int count = big ? 38 : 40;
  const int32_t dt = step * (big ? 32 : 64);
  const int size = big ? 64 : 32;
  // A blob never reaches past the field's edge, whatever the blob size.
  const int limit = Size - (BlobSize > size ? BlobSize : size);
  for (int b = 0; b < count; ++b) {
    sPath& path = Paths[b];
    if (!path.Advance(dt)) path.Init(Points[b], PathPoints - 1);
    const int row = Position(path.Value[2], limit);
    const int col = Position(path.Value[1], limit);
    for (int y = 0; y < size; ++y) AddSaturated(&Field[(row + y) * Size + col], Blob + y * size, size);
  }
}
