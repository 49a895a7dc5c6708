// The program's entry, its window procedure and the main thread: one window
// whose messages the first thread pumps, a main thread that starts the
// framework and runs the show, an audio thread that serves the CD mailbox.
#pragma once
#include <atomic>
#include <cstdint>

#include "platform/window.h"

// Written by the window procedure on the first thread, read by the others.
extern std::atomic<int> ActiveFlag;
extern std::atomic<int> MenuMode;

// What the main thread starts around the show: the display's platform
// start-up, its driver (which registers itself), the platform shut-down, and
// the show itself.
struct ShellParts {
  void (*startDisplay)();
  void (*createDisplay)();
  void (*releaseDisplay)();
  void (*demoMain)();
};
void SetShellParts(const ShellParts& parts);

// Registers the class, creates the window, pumps messages until quit, stops
// the audio thread and shows a fatal text. Returns 0, as the original did; the
// caller turns a fatal end into a failure status.
int WinMain();
intptr_t WindowProc(const platform::Message& message);
// Start-up, the show, shutdown; posts quit and returns 234.
int MainThread();

// After WinMain: the main thread had not ended (the window was closed while
// the show ran, or another thread failed). The process must then end without
// tearing down what that thread still uses.
bool MainThreadStillRunning();
// Waits for a main thread that outlived WinMain and lets it go; nothing when
// there is none. Only where it is known to be ending (the tests): the program
// itself ends the process instead.
void JoinMainThread();
