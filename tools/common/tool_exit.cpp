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

const char* ToolName() { return toolName; }

void Fail(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", toolName, message.c_str());
  std::exit(ExitBadData);
}

void BadUsage(const std::string& message) { ExitUsage(toolName, message); }
