// OpenPackFile of any bytes, then every entry opened, loaded whole, read as
// an image and as strings. The pack state is process-wide and set once, so
// each input starts from ResetProcessState. A fatal error is a clean end; a
// crash, a sanitizer report, a hang or a huge allocation is a find.
#include <cstdlib>
#include <cstring>
#include <new>
#include "framework/bitmap.h"
#include "framework/file.h"
#include "framework/pack.h"
#include "framework/system/reset.h"
#include "tests/fuzz/fuzz_support.h"
namespace {
template <typename F>
void Try(F f) {
  try {
    f();
  } catch (const fuzz::FatalExit&) {
  }
}
}  // namespace
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResetProcessState();
  fuzz::ThrowOnFatal();
  const char* path = fuzz::WriteScratch("pack", data, size);
  bool open = false;
  Try([&] {
    OpenPackFile(path);
    open = true;
  });
  if (open) {
    const int count = PackEntryCount();
    if (count < 0 || size_t(count) > size) std::abort();
    for (int i = 0; i < count; ++i) {
      const sPackEntry* e = PackEntryAt(i);
      if (!e || strnlen(e->name, sizeof e->name) > 63) std::abort();
      Try([&] {
        int bytes = -1;
        void* whole = LoadFile(e->name, &bytes);
        // The first entry of that name is the one opened (names may repeat).
        if (bytes != FindPackEntry(e->name)->size) std::abort();
        ::operator delete(whole);
      });
      Try([&] {
        sBitmap image;
        image.Load(e->name);
      });
      Try([&] {
        sFile f;
        f.Open(e->name, sFile::ModeRead);
        char text[16];
        f.ReadString(text, sizeof text);
        f.Seek(f.GetSize() / 2);
        f.ReadString(text, 1);
        f.Close();
      });
    }
    Try([&] {
      sFile f;
      f.Open("not/in/the/pack", sFile::ModeRead);
    });
  }
  ResetProcessState();
  return 0;
}
