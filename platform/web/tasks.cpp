#include "platform/web/tasks.h"

#include <emscripten.h>
#include <emscripten/fiber.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace platform::web {

// Waits in the browser: until ms have passed (ms < 0: no deadline), the next
// animation frame (when frame is set) or a wake from a page event. 1 after an
// animation frame, else 0.
EM_ASYNC_JS(int, tess_wait, (double ms, int frame), {
  return await new Promise((resolve) => {
    let done = false;
    let timer = 0;
    let animation = 0;
    const finish = (why) => {
      if (done) return;
      done = true;
      Module.tessWakeUp = null;
      if (timer) clearTimeout(timer);
      if (animation) cancelAnimationFrame(animation);
      resolve(why);
    };
    Module.tessWakeUp = () => finish(0);
    if (ms == 0) {
      // Without the clamping that nested timers get.
      const channel = new MessageChannel();
      channel.port1.onmessage = () => finish(0);
      channel.port2.postMessage(0);
    } else if (ms > 0) {
      timer = setTimeout(() => finish(0), ms);
    }
    if (frame) animation = requestAnimationFrame(() => finish(1));
  });
});

EM_JS(void, tess_wake, (), {
  if (Module.tessWakeUp) Module.tessWakeUp();
});

class Task {
public:
  emscripten_fiber_t fiber;
  std::unique_ptr<char[]> stack;
  std::unique_ptr<char[]> unwind;
  std::function<int()> body;
  std::function<bool()> ready;  // null: runnable
  double deadline = -1;
  bool wantsFrame = false;
  bool finished = false;
  int code = 0;
};

namespace {

constexpr size_t UnwindBytes = 256 * 1024;  // the saved frames of a waiting task
constexpr size_t StackAlign = 16;
// Longest stretch the tasks may run before the browser gets the thread back.
constexpr double SliceMs = 50;

emscripten_fiber_t root;
char rootUnwind[64 * 1024];
std::vector<TaskHandle> tasks;
Task* current = nullptr;
unsigned animationFrames = 0;
bool stopped = false;
double inBrowser = 0;

int WaitInBrowser(double ms, int frame) {
  const double from = emscripten_get_now();
  const int why = tess_wait(ms, frame);
  inBrowser += emscripten_get_now() - from;
  return why;
}

void Entry(void* arg) {
  Task* task = static_cast<Task*>(arg);
  EndTask(task->body());
}

bool Runnable(const Task& t, double now) {
  if (t.finished) return false;
  if (!t.ready) return true;
  if (t.deadline >= 0 && now >= t.deadline) return true;
  return t.ready();
}

}  // namespace

TaskHandle StartTask(std::function<int()> body, size_t stackBytes) {
  auto task = std::make_shared<Task>();
  // Compiled code takes the stack pointer to be 16-byte aligned; from a
  // stack on malloc's 8 it loses stores to its 16-byte aligned locals (the
  // leading digit of printf's "%.3f" of 0.6, for one).
  task->stack.reset(new char[stackBytes + StackAlign]);
  char* base = task->stack.get();
  base += (StackAlign - reinterpret_cast<uintptr_t>(base) % StackAlign) % StackAlign;
  task->unwind.reset(new char[UnwindBytes]);
  task->body = std::move(body);
  emscripten_fiber_init(&task->fiber, Entry, task.get(), base, stackBytes & ~(StackAlign - 1), task->unwind.get(),
                        UnwindBytes);
  tasks.push_back(task);
  return task;
}

bool TaskFinished(const TaskHandle& task) { return task->finished; }
int TaskExitCode(const TaskHandle& task) { return task->code; }
bool InTask() { return current != nullptr; }

void WaitUntil(std::function<bool()> ready, double deadlineMs) {
  if (!current) {
    // Nothing else can run here: the page's own stack only schedules.
    std::fputs("a wait outside the program's tasks\n", stderr);
    std::abort();
  }
  Task* self = current;
  self->ready = ready ? std::move(ready) : [] { return false; };
  self->deadline = deadlineMs;
  emscripten_fiber_swap(&self->fiber, &root);
  self->ready = nullptr;
  self->deadline = -1;
  self->wantsFrame = false;
}

void WaitMilliseconds(double ms) { WaitUntil(nullptr, PageMilliseconds() + (ms > 0 ? ms : 0)); }

void WaitForAnimationFrame() {
  const unsigned seen = animationFrames;
  if (current) current->wantsFrame = true;
  WaitUntil([seen] { return animationFrames != seen; });
}

void EndTask(int code) {
  Task* self = current;
  if (!self) {
    std::fflush(nullptr);
    std::_Exit(code ? 1 : 0);
  }
  self->code = code;
  self->finished = true;
  // Never resumed: the scheduler drops it.
  for (;;) emscripten_fiber_swap(&self->fiber, &root);
}

void RunTasks() {
  emscripten_fiber_init_from_current_context(&root, rootUnwind, sizeof rootUnwind);
  double sliceStart = PageMilliseconds();
  while (!stopped) {
    bool ran = false;
    bool alive = false;
    // By index: a task may start others.
    for (size_t i = 0; i < tasks.size(); ++i) {
      TaskHandle t = tasks[i];
      if (t->finished || stopped) continue;
      alive = true;
      if (!Runnable(*t, PageMilliseconds())) continue;
      current = t.get();
      emscripten_fiber_swap(&root, &t->fiber);
      current = nullptr;
      ran = true;
    }
    std::vector<TaskHandle> live;
    for (TaskHandle& t : tasks)
      if (!t->finished) live.push_back(t);
    tasks.swap(live);
    if (!alive && tasks.empty()) return;
    const double now = PageMilliseconds();
    if (ran) {
      if (now - sliceStart >= SliceMs) {
        WaitInBrowser(0, 0);
        sliceStart = PageMilliseconds();
      }
      continue;
    }
    double next = -1;
    bool frame = false;
    for (const TaskHandle& t : tasks) {
      if (t->deadline >= 0 && (next < 0 || t->deadline < next)) next = t->deadline;
      frame = frame || t->wantsFrame;
    }
    const double ms = next < 0 ? -1 : (next > now ? next - now : 0);
    if (WaitInBrowser(ms, frame ? 1 : 0)) ++animationFrames;
    sliceStart = PageMilliseconds();
  }
}

void StopTasks() {
  stopped = true;
  tess_wake();
}

void WakeTasks() { tess_wake(); }

double PageMilliseconds() { return emscripten_get_now(); }
double BrowserMilliseconds() { return inBrowser; }

}  // namespace platform::web
