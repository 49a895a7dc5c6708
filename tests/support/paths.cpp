#include "tests/support/paths.h"
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
namespace testpaths {
namespace {
std::string Env(const char* name, const char* fallback) {
  const char* v = std::getenv(name);
  return v && *v ? v : fallback;
}
}  // namespace
#ifndef TESS_DEFAULT_BUILD
#define TESS_DEFAULT_BUILD "."
#define TESS_DEFAULT_SOURCE ".."
#endif
std::string Build() { return Env("TESS_BUILD", TESS_DEFAULT_BUILD); }
std::string Source() { return Env("TESS_SOURCE", TESS_DEFAULT_SOURCE); }
std::string TempDir(const std::string& tag) {
  std::random_device rd;
  auto dir = std::filesystem::temp_directory_path() /
             ("tess-" + tag + "-" + std::to_string(rd()) + std::to_string(rd()));
  std::filesystem::create_directories(dir);
  return dir.string();
}
std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
bool WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  return static_cast<bool>(out.write(text.data(), static_cast<std::streamsize>(text.size())).flush());
}
bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  return WriteFile(path, std::string(bytes.begin(), bytes.end()));
}
}  // namespace testpaths
