// scl's PNG reader on any bytes, from a file as the tool reads it: a picture
// or a message, never more pixels than allowed. A crash, a sanitizer report,
// a hang or a huge allocation is a find.
#include <cstdlib>
#include <string>
#include "tests/fuzz/fuzz_support.h"
#include "tools/common/png_io.h"
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* path = fuzz::WriteScratch("png", data, size);
  PngImage image;
  std::string error;
  const int64_t limit = int64_t{1} << 20;
  if (!ReadPng(path, &image, &error, limit)) {
    if (error.empty()) std::abort();
    return 0;
  }
  const size_t pixels = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
  if (image.width < 1 || image.height < 1 || static_cast<int64_t>(pixels) > limit || image.rgba.size() != pixels)
    std::abort();
  if (image.indexed && (image.indices.size() != pixels || image.palette.empty() || image.palette.size() > 256))
    std::abort();
  unsigned sum = 0;
  for (const sColor& c : image.rgba) sum = sum * 31 + c.r + c.g + c.b + c.a;
  volatile unsigned keep = sum;
  (void)keep;
  return 0;
}
