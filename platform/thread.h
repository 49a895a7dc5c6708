// Threads, their priorities, sleeping, and ending the calling thread.
#pragma once
#include <functional>
#include <system_error>
#include <memory>

namespace platform {

enum class ThreadPriority { Normal, Highest, TimeCritical };

// Thrown by EndThread; caught at the entry of every thread started here.
// Private to the thread machinery: nothing else should catch it.
struct ThreadExit {
  int code;
};

class Thread {
public:
  // Starts `body` at once on a new thread; its result becomes the exit code.
  // Returns null when the thread could not be created.
  static std::unique_ptr<Thread> Start(std::function<int()> body);
  virtual ~Thread() = default;
  virtual void Join() = 0;            // waits for the thread to end
  virtual bool Finished() const = 0;  // the body has returned or ended itself
  virtual int ExitCode() const = 0;   // valid once finished
};

// Ends the calling thread with `code`. On a thread started by Thread::Start this
// unwinds to its entry. Any other thread (the process's first thread, a thread of
// a library) cannot be ended alone: the process exits with status 1.
[[noreturn]] void EndThread(int code);
bool OnPlatformThread();

// Best effort: nice values for the calling thread, never real-time scheduling.
void SetThreadPriority(ThreadPriority priority);

// Sleeps the calling thread.
void Sleep(unsigned milliseconds);

// Makes later Thread::Start calls fail (tests of the thread-creation fatal path).
void FailThreadCreationForTest(bool fail);

}  // namespace platform
