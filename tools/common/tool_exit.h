// How a command-line tool gives up: "<tool>: <message>" on stderr (with the
// usage text after a bad command line) and exit status 1.
#pragma once
#include <string>

// Names the tool for its messages and its fatal errors; usage is kept, not copied.
void StartTool(const char* name, const char* usage);
[[noreturn]] void Fail(const std::string& message);
[[noreturn]] void BadUsage(const std::string& message);
