// Where tests find the build tree and the sources (test data lives under tests/data).
#pragma once
#include <string>

namespace testpaths {
std::string Build();   // the top of the build tree
std::string Source();  // the top of the source tree
// A fresh empty folder under the system's temporary folder.
std::string TempDir(const std::string& tag);
}  // namespace testpaths
