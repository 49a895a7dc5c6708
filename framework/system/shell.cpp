#include "framework/system/shell.h"

#include <memory>

#include "framework/math.h"
#include "framework/system/cd.h"
#include "framework/system/devices.h"
#include "framework/system/fatal.h"
#include "framework/system/input.h"
#include "framework/system/reset.h"
#include "platform/thread.h"

std::atomic<int> ActiveFlag{1};
std::atomic<int> MenuMode{0};

namespace {

void Nothing() {}

ShellParts Parts{Nothing, Nothing, Nothing, Nothing};
std::unique_ptr<platform::Thread> MainThreadHandle;
std::unique_ptr<platform::Thread> AudioThreadHandle;
bool WindowDestroyed = false;
bool StillRunning = false;

void ResetShell() {
  ActiveFlag.store(1);
  MenuMode.store(0);
  WindowDestroyed = false;
  StillRunning = false;
}

const ResetHook resetShell([] {
  ResetShell();
  Parts = {Nothing, Nothing, Nothing, Nothing};
  // Threads left by a test have ended by now, or are abandoned with it.
  if (MainThreadHandle && MainThreadHandle->Finished()) MainThreadHandle.reset();
  if (AudioThreadHandle && AudioThreadHandle->Finished()) AudioThreadHandle.reset();
  (void)MainThreadHandle.release();
  (void)AudioThreadHandle.release();
});

// How long the first thread waits for a main thread that did not post the quit
// itself (an audio-thread failure) before it ends the program anyway.
constexpr int MainThreadGraceMs = 1000;

}  // namespace

void SetShellParts(const ShellParts& parts) {
  Parts.startDisplay = parts.startDisplay ? parts.startDisplay : Nothing;
  Parts.createDisplay = parts.createDisplay ? parts.createDisplay : Nothing;
  Parts.releaseDisplay = parts.releaseDisplay ? parts.releaseDisplay : Nothing;
  Parts.demoMain = parts.demoMain ? parts.demoMain : Nothing;
}

int WinMain() {
  ResetShell();
  AudioCommand.store(0);
  AudioThreadRunning.store(0);
  FatalText[0] = 0;
  platform::Window& window = platform::GetWindow();
  if (!window.RegisterClass("Tessaline")) FatalBox("Internal Error: Could not register Window Class");
  // Without a window no paint would ever start the threads.
  if (!window.Create("Tessaline", 0, 0, 320, 200)) FatalBox("Internal Error: Could not create Window");
  window.Show();

  platform::Message message;
  while (window.GetMessage(message)) WindowProc(message);

  if (AudioThreadHandle) {
    AudioCommand.store(CdQuit);
    while (AudioThreadRunning.load()) platform::Sleep(10);
    AudioThreadHandle->Join();
    AudioThreadHandle.reset();
  }
  if (MainThreadHandle) {
    // The main thread posts the quit as its last act, and Fatal just before it
    // ends the thread; give it that moment, so its FatalText is complete.
    for (int waited = 0; !WindowDestroyed && !MainThreadHandle->Finished() && waited < MainThreadGraceMs;
         waited += 10)
      platform::Sleep(10);
    if (MainThreadHandle->Finished()) {
      MainThreadHandle->Join();
      MainThreadHandle.reset();
    } else {
      // Not waited for, as the original returned with it still running: the
      // caller ends the process without destroying the handle.
      StillRunning = true;
    }
  }
  if (FatalText[0]) window.MessageBox(FatalText, "Tessaline");
  return 0;
}

intptr_t WindowProc(const platform::Message& message) {
  platform::Window& window = platform::GetWindow();
  switch (message.id) {
    case platform::Msg::Paint:
      if (!MainThreadHandle) {
        MainThreadHandle = platform::Thread::Start(MainThread);
        if (!MainThreadHandle) FatalBox("Could not create main thread");
      }
      if (!AudioThreadHandle) {
        // Raised before the thread runs: it clears the flag as it ends.
        AudioThreadRunning.store(1);
        AudioThreadHandle = platform::Thread::Start(AudioThread);
        if (!AudioThreadHandle) {
          AudioThreadRunning.store(0);
          FatalBox("Could not create audio thread");
        }
      }
      return 0;
    case platform::Msg::Destroy:
      WindowDestroyed = true;
      window.PostQuit(0);
      return 0;
    case platform::Msg::Move:
    case platform::Msg::Size:
    case platform::Msg::DisplayChange:
      if (ActiveFlag.load() && !window.IsMinimized()) window.PlaceOverScreen();
      return 0;
    case platform::Msg::ActivateApp: ActiveFlag.store(message.wParam ? 1 : 0); return 0;
    case platform::Msg::SetCursor:
      if (ActiveFlag.load() && !MenuMode.load()) {
        window.SetCursorVisible(false);
        return 1;
      }
      window.SetCursorVisible(true);  // the class's arrow
      return 0;
    case platform::Msg::EnterMenuLoop: MenuMode.store(1); return 0;
    case platform::Msg::ExitMenuLoop: MenuMode.store(0); return 0;
    case platform::Msg::Input: return 0;  // read through the input devices
    case platform::Msg::Quit: return 0;
  }
  return 0;
}

int MainThread() {
  platform::SetThreadPriority(platform::ThreadPriority::Highest);
  InitMathTables();
  ClearDevices();
  Parts.startDisplay();
  InitInput();
  Parts.createDisplay();
  new sCdAudio;  // registers itself; destroyed with the other devices
  Parts.demoMain();
  DestroyDevices();
  ShutdownInput();
  Parts.releaseDisplay();
  platform::GetWindow().PostQuit(0);
  return 234;
}

bool MainThreadStillRunning() { return StillRunning; }

void JoinMainThread() {
  if (!MainThreadHandle) return;
  MainThreadHandle->Join();
  MainThreadHandle.reset();
  StillRunning = false;
}
