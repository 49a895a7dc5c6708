// Threads in the browser: tasks on the page's one thread (platform/web/tasks.h).
#include "platform/thread.h"

#include <atomic>

#include "platform/web/tasks.h"

namespace platform {

namespace {
std::atomic<bool> failCreation{false};

// The main thread decodes the soundtrack and draws through deep calls; the
// others only poll.
constexpr size_t StackBytes = 1024 * 1024;

class TaskThread final : public Thread {
public:
  explicit TaskThread(web::TaskHandle task) : task_(std::move(task)) {}
  void Join() override {
    web::TaskHandle task = task_;
    if (!web::TaskFinished(task)) web::WaitUntil([task] { return web::TaskFinished(task); });
  }
  bool Finished() const override { return web::TaskFinished(task_); }
  int ExitCode() const override { return web::TaskExitCode(task_); }

private:
  web::TaskHandle task_;
};
}  // namespace

std::unique_ptr<Thread> Thread::Start(std::function<int()> body) {
  if (failCreation.load()) return nullptr;
  return std::make_unique<TaskThread>(web::StartTask(std::move(body), StackBytes));
}

void EndThread(int code) { web::EndTask(code); }

bool OnPlatformThread() { return web::InTask(); }

void SetThreadPriority(ThreadPriority) {}

void Sleep(unsigned milliseconds) { web::WaitMilliseconds(milliseconds); }

void FailThreadCreationForTest(bool fail) { failCreation.store(fail); }

}  // namespace platform
