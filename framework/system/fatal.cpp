#include "framework/system/fatal.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "framework/system/reset.h"
#include "framework/text.h"
#include "platform/debug.h"
#include "platform/thread.h"
#include "platform/window.h"

char FatalText[256];

namespace {
char debugBuffer[256];
std::atomic<FatalHandler> handler{nullptr};
// A thread that leaves the display to the main thread (the audio thread):
// its fatal error is taken up by the main thread at its next frame.
thread_local bool leavesDisplay = false;
std::atomic<bool> otherThreadFailed{false};
char otherThreadText[256];
FatalDisplayHooks displayHooks{nullptr, nullptr};
const char* toolName = "tool";

void ReleaseDisplay() {
  if (displayHooks.release) displayHooks.release();
}

void ToolHandler(const char* text) {
  std::fflush(stdout);
  std::fprintf(stderr, "%s: %s\n", toolName, text);
  std::fflush(stderr);
  std::_Exit(1);
}

const ResetHook resetFatal([] {
  FatalText[0] = 0;
  otherThreadFailed.store(false);
  handler.store(nullptr);
  displayHooks = {nullptr, nullptr};
});

// A thread that must not touch the display ends alone: the text and the
// quit are out, the main thread releases the display and ends at its next
// frame.
[[noreturn]] void FatalLeavingDisplay(const char* text) {
  FormatText(otherThreadText, sizeof otherThreadText, "%s", text);
  FormatText(FatalText, sizeof FatalText, "Fatal:%s\n", text);
  otherThreadFailed.store(true);
  platform::GetWindow().PostQuit(0);
  platform::OutputDebugString(FatalText);  // without unlocking the display
  if (FatalHandler h = handler.load()) {
    h(text);
    std::abort();
  }
  platform::EndThread(666);
}
}  // namespace

void Fatal(const char* text) {
  if (leavesDisplay) FatalLeavingDisplay(text);
  ReleaseDisplay();
  // The text is in place before the first thread can see the quit and show it.
  FormatText(FatalText, sizeof FatalText, "Fatal:%s\n", text);
  platform::GetWindow().PostQuit(0);
  DebugPrint(FatalText);
  if (FatalHandler h = handler.load()) {
    h(text);
    std::abort();  // a handler must not return
  }
  if (!platform::OnPlatformThread()) {
    // Nobody waits for this thread to show the box: say it here.
    std::fputs(FatalText, stderr);
  }
  platform::EndThread(666);
}

void FatalBox(const char* text) {
  ReleaseDisplay();
  if (FatalHandler h = handler.load()) {
    h(text);
    std::abort();
  }
  platform::GetWindow().MessageBox(text, "Tessaline");
  std::fflush(nullptr);
  std::_Exit(1);
}

void Assertion(int line, const char* file) {
  char text[256];
  FormatText(text, sizeof text, "Assertion in line %d, file %s", line, file);
  Fatal(text);
}

void DebugPrint(const char* text) {
  if (displayHooks.unlock) displayHooks.unlock();
  platform::OutputDebugString(text);
}

void DebugPrintf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatTextV(debugBuffer, sizeof debugBuffer, format, args);
  va_end(args);
  DebugPrint(debugBuffer);
}

void LeaveDisplayOnFatal() { leavesDisplay = true; }

void EndIfAnotherThreadFailed() {
  if (!otherThreadFailed.exchange(false)) return;
  ReleaseDisplay();
  platform::GetWindow().PostQuit(0);
  if (FatalHandler h = handler.load()) {
    h(otherThreadText);
    std::abort();
  }
  platform::EndThread(666);
}

void SetFatalHandler(FatalHandler h) { handler.store(h); }

void SetFatalDisplayHooks(const FatalDisplayHooks& hooks) { displayHooks = hooks; }

void UseToolFatalHandler(const char* name) {
  toolName = name;
  SetFatalHandler(ToolHandler);
}
