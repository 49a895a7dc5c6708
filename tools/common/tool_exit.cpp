#include "tools/common/tool_exit.h"

#include <cstdio>
#include <cstdlib>

#include "framework/system/fatal.h"
#include "tools/common/command_line.h"

namespace {
const char* toolName = "tool";
}  // namespace

void StartTool(const char* name) {
  toolName = name;
  UseToolFatalHandler(name);
}

void Fail(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", toolName, message.c_str());
  std::exit(ExitBadData);
}

void BadUsage(const std::string& message) { ExitUsage(toolName, message); }

std::string Printable(const std::string& text) {
  std::string shown;
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      shown += escaped;
    } else {
      shown += static_cast<char>(c);
    }
  }
  return shown;
}
