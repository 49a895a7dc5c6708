#include "tests/fuzz/fuzz_support.h"
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include "framework/system/fatal.h"
namespace fuzz {
namespace {
[[noreturn]] void Throw(const char* text) { throw FatalExit(text); }
}  // namespace
void ThrowOnFatal() { SetFatalHandler(Throw); }
const char* WriteScratch(const char* tag, const uint8_t* data, size_t size) {
  static std::string path;
  const char* tmp = std::getenv("TMPDIR");
  path = std::string(tmp && *tmp ? tmp : "/tmp") + "/tess-fuzz-" + tag + "-" + std::to_string(getpid());
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    std::perror(path.c_str());
    std::abort();
  }
  if (size && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
  return path.c_str();
}
}  // namespace fuzz
