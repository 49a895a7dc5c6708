// Small files on disk for the layer and effect tests.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace votest {

// An image file: depth 8 with a grey palette (or depth 16 without one), one level.
void WriteImage(const std::string& path, int w, int h, const std::vector<uint8_t>& pixels, int depth = 8);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// Runs the test body inside a fresh folder with a vo/ sub-folder, then returns.
class InTempFolder {
public:
  explicit InTempFolder(const char* tag);
  ~InTempFolder();

private:
  std::string old_;
};

}  // namespace votest
