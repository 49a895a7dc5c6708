// The program's threads on the browser's one thread: each is a task on a
// stack of its own (a fiber), and a task that waits lets the others run. When
// none can run, the page returns to the browser until a deadline, the next
// animation frame or a page event.
#pragma once
#include <cstddef>
#include <functional>
#include <memory>

namespace platform::web {

class Task;
using TaskHandle = std::shared_ptr<Task>;

// A new task for body, first run at the scheduler's next pass.
TaskHandle StartTask(std::function<int()> body, size_t stackBytes);
bool TaskFinished(const TaskHandle& task);
int TaskExitCode(const TaskHandle& task);
bool InTask();

// The calling task waits until ready() holds, or until deadlineMs on the page
// clock (PageMilliseconds) when it is not negative.
void WaitUntil(std::function<bool()> ready, double deadlineMs = -1);
void WaitMilliseconds(double ms);
// Waits for the browser's next animation frame.
void WaitForAnimationFrame();
// Ends the calling task now; its stack is left as it stands (nothing on it is
// destroyed, as a thread that ends itself leaves its frames).
[[noreturn]] void EndTask(int code);

// Runs the tasks on the page's own stack until every one has ended.
void RunTasks();
// Stops the scheduler at its next pass: no task runs again, RunTasks returns.
void StopTasks();
// Lets the scheduler look again (a page event changed something a task waits for).
void WakeTasks();

// Milliseconds the page has spent in the browser rather than in the tasks.
double BrowserMilliseconds();

// performance.now(): milliseconds since the page started.
double PageMilliseconds();

}  // namespace platform::web
