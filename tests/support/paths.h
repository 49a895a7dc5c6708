// Where tests find the build tree and the sources (test data lives under tests/data).
#pragma once
#include <cstdint>
#include <string>
#include <vector>
namespace testpaths {
std::string Build();   // the top of the build tree
std::string Source();  // the top of the source tree
// A fresh empty folder under the system's temporary folder.
std::string TempDir(const std::string& tag);
// A whole file as text ("" when it cannot be read), and a file written whole.
std::string ReadText(const std::string& path);
bool WriteFile(const std::string& path, const std::string& text);
bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
}  // namespace testpaths
