// Command lines of every program alike: "--name value" and "--name=value",
// --help on the standard output and --version with exit status 0, a usage
// error as one line on stderr with a hint to --help and exit status 2.
#pragma once
#include <string>

constexpr int ExitBadData = 1;
constexpr int ExitBadUsage = 2;

// "scl (Tessaline) 1.0.0"; for the program itself "tessaline 1.0.0".
std::string VersionLine(const char* program);

// "<program>: <problem> (try '<program> --help')" on stderr, exit status 2.
[[noreturn]] void ExitUsage(const char* program, const std::string& problem);

// Walks the arguments once. "-" alone is an operand, and after "--" every
// argument is. The walk stops at --help, -h or --version and at the first
// problem; Finish then answers them the same way in every program.
class sCommandLine {
public:
  enum Request { None, Help, Version };

  sCommandLine(int argc, const char* const* argv);

  // Steps to the next argument: false at the end, at a request or a problem.
  bool Next();
  bool IsOperand() const { return operand_; }
  // The current argument as given.
  const std::string& Text() const { return text_; }

  // The current argument is this option ("--kind" or "--kind=..."), or its
  // short alias ("-C"; short aliases take no "=").
  bool Is(const char* name, const char* alias = nullptr);
  // The current option takes no value; "--window=yes" is a problem.
  bool Flag();
  // The option's value: after '=' or the next argument; never empty.
  std::string Value();
  // An optional value, only after '=' ("--window=800x600"): false without one.
  bool Optional(std::string& value);
  // The value as a whole number or a number within [low, high].
  long Integer(long low, long high);
  double Real(double low, double high);

  void Unknown();  // "unknown option '--x'" or "unexpected argument 'x'"
  void Problem(const std::string& text);

  Request Wants() const { return request_; }
  bool Failed() const { return !error_.empty(); }
  const std::string& Error() const { return error_; }

  // After the walk: --help prints help to stdout and --version the version
  // line, both exit 0; a problem exits through ExitUsage. Otherwise returns.
  void Finish(const char* program, const char* help) const;

private:
  int argc_;
  const char* const* argv_;
  int index_ = 0;
  bool operandsOnly_ = false;
  bool operand_ = false;
  bool inline_ = false;  // the value came after '='
  std::string text_, name_, value_, error_;
  Request request_ = None;
};
