// Fatal errors, assertions and debug output.
#pragma once

// The text shown in the message box at exit: "Fatal:" + message + line break.
extern char FatalText[256];

[[noreturn]] void Fatal(const char* text);
[[noreturn]] void FatalBox(const char* text);
[[noreturn]] void Assertion(int line, const char* file);
void DebugPrint(const char* text);
void DebugPrintf(const char* format, ...);

// The calling thread leaves the display to the main thread (the audio thread
// calls it): its Fatal writes the text and posts the quit but releases
// nothing, and the main thread ends at its next frame through
// EndIfAnotherThreadFailed, as its own Fatal would.
void LeaveDisplayOnFatal();
// Main thread, at the start of each frame.
void EndIfAnotherThreadFailed();

// Replaces the end of a fatal path (ending the thread, or exiting for FatalBox).
// It receives the bare message ("Assertion in line 530, file system") and must
// not return: tests throw, command-line tools print and exit with status 1.
using FatalHandler = void (*)(const char* text);
void SetFatalHandler(FatalHandler handler);

// The display driver's part in these paths: DebugPrint unlocks a locked back
// buffer first; Fatal and FatalBox release the display.
struct FatalDisplayHooks {
  void (*unlock)();   // unlock the back buffer if it is locked
  void (*release)();  // release DirectDraw and Direct3D
};
void SetFatalDisplayHooks(const FatalDisplayHooks& hooks);

// Handler for command-line tools: "<tool>: <message>" on stderr, exit status 1.
void UseToolFatalHandler(const char* toolName);
