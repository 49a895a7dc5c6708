#include "tools/common/tool_exit.h"

#include <cstdio>
#include <cstdlib>

#include "framework/system/fatal.h"

namespace {
const char* toolName = "tool";
const char* toolUsage = "";
}  // namespace

void StartTool(const char* name, const char* usage) {
  toolName = name;
  toolUsage = usage;
  UseToolFatalHandler(name);
}

void Fail(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", toolName, message.c_str());
  std::exit(1);
}

void BadUsage(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n%s", toolName, message.c_str(), toolUsage);
  std::exit(1);
}
