// A shell command line run as a user runs it.
#pragma once
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "tests/support/paths.h"

namespace testpaths {
// `s` in single quotes for sh.
inline std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}
// Exit status of `line` under sh (-1 when it did not exit); its standard output and errors in *said.
inline int Sh(const std::string& line, std::string* said = nullptr) {
  std::FILE* p = popen(("(" + line + ") 2>&1").c_str(), "r");
  if (!p) return -1;
  std::string out;
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  const int raw = pclose(p);
  if (said) *said = out;
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}
}  // namespace testpaths
// What a program said holds `text`.
#define EXPECT_SAYS(said, text) \
  EXPECT_NE(std::string(said).find(text), std::string::npos) << "wanted: " << (text) << "\nin: " << (said)
namespace testpaths {
// The built program with the given arguments, bounded in time; its exit status, what it said in *said.
inline int RunProgram(const std::string& args, std::string* said = nullptr) {
  return Sh("timeout 120 " + Quote(Build() + "/app/tessaline") + " " + args, said);
}
}  // namespace testpaths
