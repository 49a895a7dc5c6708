// Replays inputs through a harness without libFuzzer: every file named, and
// every file in every folder named (sorted, not recursing). Used where the
// compiler has no libFuzzer and by the regression tests.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_support.h"

namespace fs = std::filesystem;

namespace {
bool RunFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return false;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::printf("%s (%zu bytes)\n", path.c_str(), bytes.size());
  std::fflush(stdout);
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  return true;
}
}  // namespace

int main(int argc, char** argv) {
  int runs = 0;
  for (int i = 1; i < argc; ++i) {
    const fs::path arg(argv[i]);
    std::error_code ec;
    if (fs::is_directory(arg, ec)) {
      std::vector<fs::path> files;
      for (const auto& e : fs::directory_iterator(arg))
        if (e.is_regular_file() && e.path().filename().string()[0] != '.' && e.path().extension() != ".md")
          files.push_back(e.path());
      std::sort(files.begin(), files.end());
      for (const auto& f : files) runs += RunFile(f);
    } else if (RunFile(arg)) {
      ++runs;
    } else {
      return 1;
    }
  }
  std::printf("%d inputs replayed\n", runs);
  // Nothing replayed means the test lost its inputs: fail rather than pass.
  return runs > 0 ? 0 : 1;
}
