// How a command-line tool gives up: "<tool>: <message>" on stderr and exit
// status 1 for bad data; a bad command line is one line with a hint to
// --help and exit status 2.
#pragma once
#include <string>

// Names the tool for its messages and its fatal errors.
void StartTool(const char* name);
[[noreturn]] void Fail(const std::string& message);
[[noreturn]] void BadUsage(const std::string& message);

// A name from a user or a file as it may be shown on a terminal: control
// characters as \xNN.
std::string Printable(const std::string& text);
