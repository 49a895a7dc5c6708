// sBitmap::Load of any bytes, read from a file as the demo reads its images.
// A fatal error (assertion or format error) is a clean end; a crash, a
// sanitizer report, a hang or a huge allocation from a small file is a find.
#include <cstdlib>
#include "framework/bitmap.h"
#include "framework/file.h"
#include "framework/system/reset.h"
#include "tests/fuzz/fuzz_support.h"
namespace {
// Touches every stored row of every level, so a level smaller than its rows
// shows up under the address sanitizer.
unsigned Checksum(const sBitmap& b) {
  unsigned sum = 0;
  for (int l = 0; l < b.Levels; ++l) {
    const int rows = b.Height >> l;
    for (int y = 0; y < rows; ++y) {
      const uint8_t* row = b.PixelAddress(0, y, l);
      sum = sum * 31 + row[0] + row[b.Pitch[l] - 1];
    }
  }
  return sum;
}
}  // namespace
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResetProcessState();
  fuzz::ThrowOnFatal();
  const char* path = fuzz::WriteScratch("bitmap", data, size);
  try {
    sBitmap bitmap;
    bitmap.Load(path);
    if (bitmap.Width < 1 || bitmap.Height < 1 || bitmap.Levels < 1 || bitmap.Levels > 15) std::abort();
    if (bitmap.Kind == KindIndex8 && bitmap.PaletteSize != 256) std::abort();
    volatile unsigned sum = Checksum(bitmap);
    (void)sum;
  } catch (const fuzz::FatalExit&) {
  }
  return 0;
}
