#include "tools/common/command_line.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifndef TESS_VERSION
#define TESS_VERSION "0"
#endif

std::string VersionLine(const char* program) {
  if (std::strcmp(program, "tessaline") == 0) return std::string(program) + " " TESS_VERSION;
  return std::string(program) + " (Tessaline) " TESS_VERSION;
}

void ExitUsage(const char* program, const std::string& problem) {
  std::fprintf(stderr, "%s: %s (try '%s --help')\n", program, problem.c_str(), program);
  std::exit(ExitBadUsage);
}

sCommandLine::sCommandLine(int argc, const char* const* argv) : argc_(argc), argv_(argv) {}

bool sCommandLine::Next() {
  if (request_ != None || Failed()) return false;
  for (;;) {
    if (++index_ >= argc_) return false;
    text_ = argv_[index_];
    inline_ = false;
    value_.clear();
    name_ = text_;
    operand_ = operandsOnly_ || text_.size() < 2 || text_[0] != '-';
    if (operand_) return true;
    if (text_ == "--") {
      operandsOnly_ = true;
      continue;
    }
    if (text_.compare(0, 2, "--") == 0) {
      const size_t eq = text_.find('=');
      if (eq != std::string::npos) {
        name_ = text_.substr(0, eq);
        value_ = text_.substr(eq + 1);
        inline_ = true;
      }
    }
    if (name_ == "--help" || name_ == "-h" || name_ == "--version") {
      if (inline_) {
        Problem(name_ + " takes no value");
        return false;
      }
      request_ = name_ == "--version" ? Version : Help;
      return false;
    }
    return true;
  }
}

bool sCommandLine::Is(const char* name, const char* alias) {
  if (operand_) return false;
  if (name_ == name) return true;
  return alias && !inline_ && name_ == alias;
}

bool sCommandLine::Flag() {
  if (inline_) Problem(name_ + " takes no value");
  return !inline_;
}

std::string sCommandLine::Value() {
  if (!inline_) {
    if (index_ + 1 < argc_) value_ = argv_[++index_];
    else value_.clear();
  }
  if (value_.empty()) Problem(name_ + " needs a value");
  return value_;
}

bool sCommandLine::Optional(std::string& value) {
  if (!inline_) return false;
  value = Value();
  return !Failed();
}

long sCommandLine::Integer(long low, long high) {
  const std::string text = Value();
  if (Failed()) return low;
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || errno == ERANGE || v < low || v > high) {
    Problem(name_ + " wants a whole number from " + std::to_string(low) + " to " + std::to_string(high));
    return low;
  }
  return v;
}

double sCommandLine::Real(double low, double high) {
  const std::string text = Value();
  if (Failed()) return low;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (*end != '\0' || !(v >= low && v <= high)) {
    char range[64];
    std::snprintf(range, sizeof range, "%g to %g", low, high);
    Problem(name_ + " wants a number from " + range);
    return low;
  }
  return v;
}

void sCommandLine::Unknown() {
  Problem(operand_ ? "unexpected argument '" + text_ + "'" : "unknown option '" + name_ + "'");
}

void sCommandLine::Problem(const std::string& text) {
  if (error_.empty()) error_ = text;
}

void sCommandLine::Finish(const char* program, const char* help) const {
  if (Failed()) ExitUsage(program, error_);
  if (request_ == Help) {
    std::fputs(help, stdout);
    std::exit(std::fflush(stdout) == 0 ? 0 : ExitBadData);
  }
  if (request_ == Version) {
    std::printf("%s\n", VersionLine(program).c_str());
    std::exit(std::fflush(stdout) == 0 ? 0 : ExitBadData);
  }
}
