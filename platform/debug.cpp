#include "platform/debug.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace platform {

namespace {
std::atomic<DebugSink*> sink{nullptr};
std::mutex defaultLock;

void DefaultWrite(const char* text) {
  static const char* target = std::getenv("TESSALINE_DEBUG");
  if (!target || !*target || std::strcmp(target, "0") == 0) return;
  std::lock_guard<std::mutex> hold(defaultLock);
  if (std::strcmp(target, "1") == 0) {
    std::fputs(text, stderr);
    return;
  }
  static FILE* log = std::fopen(target, "a");
  if (log) {
    std::fputs(text, log);
    std::fflush(log);
  }
}
}  // namespace

void OutputDebugString(const char* text) {
  if (!text) return;
  if (DebugSink* s = sink.load()) {
    s->Write(text);
    return;
  }
  DefaultWrite(text);
}

void SetDebugSink(DebugSink* s) { sink.store(s); }

}  // namespace platform
