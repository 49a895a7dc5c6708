#include "platform/thread.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace platform {

namespace {
thread_local bool platformThread = false;
std::atomic<bool> failCreation{false};

class StdThread final : public Thread {
public:
  explicit StdThread(std::function<int()> body) {
    thread_ = std::thread([this, body = std::move(body)]() {
      platformThread = true;
      int code = 0;
      try {
        code = body();
      } catch (const ThreadExit& exit) {
        code = exit.code;
      }
      exitCode_.store(code);
      finished_.store(true);
    });
  }
  ~StdThread() override {
    if (thread_.joinable()) thread_.join();
  }
  void Join() override {
    if (thread_.joinable()) thread_.join();
  }
  bool Finished() const override { return finished_.load(); }
  int ExitCode() const override { return exitCode_.load(); }

private:
  std::thread thread_;
  std::atomic<bool> finished_{false};
  std::atomic<int> exitCode_{0};
};
}  // namespace

std::unique_ptr<Thread> Thread::Start(std::function<int()> body) {
  if (failCreation.load()) return nullptr;
  try {
    return std::make_unique<StdThread>(std::move(body));
  } catch (const std::system_error&) {
    return nullptr;
  }
}

void EndThread(int code) {
  if (platformThread) throw ThreadExit{code};
  // A thread nobody waits for: end the process, keeping what was printed.
  std::fflush(nullptr);
  std::_Exit(1);
}

bool OnPlatformThread() { return platformThread; }

void SetThreadPriority(ThreadPriority priority) {
  int nice = 0;
  switch (priority) {
    case ThreadPriority::Normal: nice = 0; break;
    case ThreadPriority::Highest: nice = -5; break;
    case ThreadPriority::TimeCritical: nice = -10; break;
  }
  // Per-thread on Linux; lowering the nice value needs privileges, so failure is quiet.
  setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), nice);
}

void Sleep(unsigned milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

void FailThreadCreationForTest(bool fail) { failCreation.store(fail); }

}  // namespace platform
