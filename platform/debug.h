// The debugger output: where debug lines go. Nothing depends on their delivery.
#pragma once
#include <string>

namespace platform {

class DebugSink {
public:
  virtual ~DebugSink() = default;
  virtual void Write(const char* text) = 0;
};

// Writes one debug text to the current sink.
void OutputDebugString(const char* text);

// The default sink writes to stderr when TESSALINE_DEBUG is set ("1", or a file
// name to append to); otherwise debug text is dropped, as it was without a debugger.
// A non-null sink replaces it (tests capture lines this way).
void SetDebugSink(DebugSink* sink);

// Collects debug text in memory.
class DebugCapture final : public DebugSink {
public:
  void Write(const char* text) override { text_ += text; }
  const std::string& Text() const { return text_; }
  void Clear() { text_.clear(); }

private:
  std::string text_;
};

}  // namespace platform
