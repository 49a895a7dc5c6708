// Replays inputs through a harness without libFuzzer: every file named, and
// every file in every folder named (sorted, not recursing). Used where the
// compiler has no libFuzzer and by the regression tests. `--mutate N` also
// runs N damaged copies of each input (a fixed seed; TESS_FUZZ_SEED varies it).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>
#include "tests/fuzz/fuzz_support.h"
namespace fs = std::filesystem;
namespace {
int mutations = 0;
std::mt19937 rng;
// One to four edits: a byte replaced, a bit flipped, a cut, a byte inserted.
void Mutate(std::vector<uint8_t>& d) {
  for (int e = 0, edits = 1 + static_cast<int>(rng() % 4); e < edits; ++e) {
    const size_t at = rng() % (d.size() + 1);
    switch (rng() % 4) {
      case 0: if (at < d.size()) d[at] = static_cast<uint8_t>(rng()); break;
      case 1: if (at < d.size()) d[at] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;
      case 2: d.resize(at); break;
      default: d.insert(d.begin() + static_cast<long>(at), static_cast<uint8_t>(rng())); break;
    }
  }
}
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
  for (int i = 0; i < mutations; ++i) {
    std::vector<uint8_t> damaged = bytes;
    Mutate(damaged);
    LLVMFuzzerTestOneInput(damaged.data(), damaged.size());
  }
  return true;
}
}  // namespace
int main(int argc, char** argv) {
  const char* seed = std::getenv("TESS_FUZZ_SEED");
  rng.seed(20261206u ^ (seed ? static_cast<uint32_t>(std::strtoul(seed, nullptr, 10)) : 0u));
  int runs = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--mutate") == 0 && i + 1 < argc) {
      mutations = std::atoi(argv[++i]);
      continue;
    }
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
  std::printf("%d inputs replayed, each with %d damaged copies\n", runs, mutations);
  // Nothing replayed means the test lost its inputs: fail rather than pass.
  return runs > 0 ? 0 : 1;
}
