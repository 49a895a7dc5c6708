#include "framework/system/shell.h"
#include <gtest/gtest.h>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>
#include "framework/system/cd.h"
#include "framework/system/devices.h"
#include "framework/system/fatal.h"
#include "framework/system/input.h"
#include "platform/debug.h"
#include "platform/headless/cd.h"
#include "platform/headless/input.h"
#include "platform/thread.h"
#include "tests/support/fatal_capture.h"

namespace {

using platform::Message;
using platform::Msg;

// A log shared by threads.
class Log {
public:
  void Add(const std::string& s) { std::lock_guard<std::mutex> hold(lock_); lines_.push_back(s); }
  std::vector<std::string> Lines() { std::lock_guard<std::mutex> hold(lock_); return lines_; }
  void Clear() { std::lock_guard<std::mutex> hold(lock_); lines_.clear(); }

private:
  std::mutex lock_;
  std::vector<std::string> lines_;
};

// A window that records what the shell asks of it.
class TestWindow final : public platform::Window {
public:
  bool RegisterClass(const char* name) override { return calls.Add(std::string("class ") + name), registerOk; }
  bool Create(const char* title, int x, int y, int w, int h) override {
    calls.Add(std::string("create ") + title + " " + std::to_string(x) + "," + std::to_string(y) + " " +
              std::to_string(w) + "x" + std::to_string(h));
    for (int i = 0; i < paints; ++i) PostMessage({Msg::Paint, 0, 0});
    return true;
  }
  void Show() override { calls.Add("show"); }
  bool GetMessage(Message& m) override {
    std::unique_lock<std::mutex> hold(lock_);
    ready_.wait(hold, [this] { return !queue_.empty(); });
    m = queue_.front();
    queue_.pop_front();
    return m.id != Msg::Quit;
  }
  void PostMessage(const Message& m) override {
    { std::lock_guard<std::mutex> hold(lock_); queue_.push_back(m); }
    ready_.notify_one();
  }
  bool IsMinimized() override { return minimized; }
  void PlaceOverScreen() override { calls.Add("place"); }
  void SetCursorVisible(bool visible) override { calls.Add(visible ? "cursor on" : "cursor off"); }
  void MessageBox(const char* text, const char* caption) override { calls.Add(std::string("box ") + caption + ": " + text); }
  Log calls;
  bool registerOk = true;
  bool minimized = false;
  int paints = 1;

private:
  std::mutex lock_;
  std::condition_variable ready_;
  std::deque<Message> queue_;
};

// What the main thread did, in order, seen from the parts it calls.
Log order;
void Note(const std::string& s) { order.Add(s); }
std::vector<std::string> Order() { return order.Lines(); }

struct Probe : sDevice {
  ~Probe() override { Note("display destroyed"); }
};

void StartDisplay() {
  Note(std::string("start display, registry ") + (GetDevice(DeviceKeyboard, -1) ? "full" : "empty"));
}
void CreateDisplay() {
  Note(std::string("create display, keyboard ") + (GetDevice(DeviceKeyboard, -1) ? "yes" : "no"));
  RegisterDevice(DeviceDisplay, new Probe);
}
void ReleaseDisplay() { Note("release display"); }
void Demo() {
  Note(std::string("demo, cd ") + (GetDevice(DeviceCD, -1) ? "yes" : "no") + ", pointer " +
       (GetDevice(DevicePointer, -1) ? "yes" : "no"));
}

std::atomic<bool> demoMayEnd{false};
std::atomic<bool> mainThreadDone{false};
void BlockingDemo() {
  Note("demo");
  while (!demoMayEnd.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}
void ReleaseDisplayLast() {
  Note("release display");
  mainThreadDone.store(true);
}
void FailingDemo() { Fatal("the show broke"); }

void FastSleep(unsigned) { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }

class ShellTest : public ::testing::Test {
protected:
  void SetUp() override {
    order.Clear();
    demoMayEnd = false;
    mainThreadDone = false;
    platform::SetWindow(&window_);
    platform::SetInput(&input_);
    platform::SetDebugSink(&debug_);
    SetAudioThreadSleep(FastSleep);
  }
  void TearDown() override {
    platform::FailThreadCreationForTest(false);
    platform::SetCdAudio(nullptr);
    platform::SetDebugSink(nullptr);
    platform::SetInput(nullptr);
    platform::SetWindow(nullptr);
  }
  TestWindow window_;
  platform::HeadlessInput input_{{}};
  platform::DebugCapture debug_;
};

TEST_F(ShellTest, StartUpAndShutdownOrder) {
  window_.paints = 3;  // a second paint starts no threads
  SetShellParts({StartDisplay, CreateDisplay, ReleaseDisplay, Demo});
  EXPECT_EQ(0, WinMain());
  EXPECT_FALSE(MainThreadStillRunning());
  EXPECT_EQ((std::vector<std::string>{"start display, registry empty", "create display, keyboard yes",
                                      "demo, cd yes, pointer yes", "display destroyed", "release display"}),
            Order());
  EXPECT_EQ((std::vector<std::string>{"class Tessaline", "create Tessaline 0,0 320x200", "show"}), window_.calls.Lines())
      << "no box without a fatal text";
  EXPECT_EQ(0, AudioThreadRunning.load()) << "the audio thread was told to quit and awaited";
  EXPECT_EQ(234, MainThread()) << "the thread's own result";
}

TEST_F(ShellTest, FatalOnTheMainThreadIsShownAtExit) {
  SetFatalHandler(nullptr);  // the real path: the main thread ends with 666
  SetShellParts({nullptr, nullptr, ReleaseDisplay, FailingDemo});
  EXPECT_EQ(0, WinMain());
  EXPECT_FALSE(MainThreadStillRunning());
  EXPECT_STREQ("Fatal:the show broke\n", FatalText);
  EXPECT_EQ("box Tessaline: Fatal:the show broke\n", window_.calls.Lines().back());
  EXPECT_EQ(0, AudioThreadRunning.load());
  for (const std::string& s : Order()) EXPECT_NE("release display", s) << "no shutdown after a fatal error";
  DestroyDevices();  // the dead thread left them registered
}

TEST_F(ShellTest, FatalOnTheAudioThreadEndsTheProgramWithoutHanging) {
  SetFatalHandler(nullptr);
  platform::FakeCdAudio cd(platform::FakeDisc::Even(12, 1000));
  platform::SetCdAudio(&cd);
  SetShellParts({nullptr, nullptr, ReleaseDisplayLast, [] {
                   AudioCommand.store(CdOpen);
                   while (AudioCommand.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
                   AudioCommand.store(CdPlay + 13);
                   BlockingDemo();
                 }});
  EXPECT_EQ(0, WinMain());
  EXPECT_STREQ("Fatal:Assertion in line 2912, file system\n", FatalText);
  EXPECT_TRUE(MainThreadStillRunning()) << "the show was still running when the loop ended";
  EXPECT_EQ(0, AudioThreadRunning.load());
  demoMayEnd = true;
  JoinMainThread();
  EXPECT_TRUE(mainThreadDone.load());
  CloseCd();
}

TEST_F(ShellTest, ClosedWindowEndsTheLoopWhileTheShowRuns) {
  SetShellParts({nullptr, nullptr, ReleaseDisplayLast, BlockingDemo});
  std::thread closer([this] {
    while (Order().empty()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    window_.PostMessage({Msg::Destroy, 0, 0});
  });
  EXPECT_EQ(0, WinMain());
  closer.join();
  EXPECT_TRUE(MainThreadStillRunning()) << "the loop ended without waiting for the show";
  EXPECT_EQ(0, FatalText[0]);
  demoMayEnd = true;
  JoinMainThread();
  EXPECT_TRUE(mainThreadDone.load());
}

TEST_F(ShellTest, WindowMessagesAndFatalBoxesOfAFailedStart) {
  EXPECT_EQ(0, WindowProc({Msg::Move, 0, 0}));
  EXPECT_EQ(1, WindowProc({Msg::SetCursor, 0, 0})) << "active: the cursor is removed";
  EXPECT_EQ((std::vector<std::string>{"place", "cursor off"}), window_.calls.Lines());
  window_.calls.Clear();
  WindowProc({Msg::EnterMenuLoop, 0, 0});
  EXPECT_EQ(1, MenuMode.load());
  EXPECT_EQ(0, WindowProc({Msg::SetCursor, 0, 0})) << "in a menu the cursor stays";
  WindowProc({Msg::ExitMenuLoop, 0, 0});
  EXPECT_EQ(1, WindowProc({Msg::SetCursor, 0, 0}));
  EXPECT_EQ((std::vector<std::string>{"cursor on", "cursor off"}), window_.calls.Lines());
  window_.calls.Clear();
  WindowProc({Msg::ActivateApp, 0, 0});
  EXPECT_EQ(0, ActiveFlag.load());
  WindowProc({Msg::Size, 0, 0});
  WindowProc({Msg::DisplayChange, 0, 0});
  EXPECT_EQ(0, WindowProc({Msg::SetCursor, 0, 0}));
  WindowProc({Msg::ActivateApp, 1, 0});
  window_.minimized = true;
  WindowProc({Msg::Size, 0, 0});
  window_.minimized = false;
  WindowProc({Msg::DisplayChange, 0, 0});
  EXPECT_EQ(0, WindowProc({Msg::Input, 0, 0}));
  EXPECT_EQ((std::vector<std::string>{"cursor on", "place"}), window_.calls.Lines())
      << "in the background or minimised the window is left where it is";
  platform::FailThreadCreationForTest(true);
  EXPECT_FATAL(WindowProc({Msg::Paint, 0, 0}), "Could not create main thread");
  window_.registerOk = false;
  EXPECT_FATAL(WinMain(), "Internal Error: Could not register Window Class");
}

}  // namespace
