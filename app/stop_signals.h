// SIGINT and SIGTERM end the show the way closing its window does: the
// window loop ends, the program stops its sound and leaves the screen.
#pragma once

// Before any thread starts: the two signals are blocked in every thread and
// one thread of ours waits for them. A second signal, or one that arrives
// before the window exists, ends the process at once.
void CatchStopSignals();
// The signal that ended the show, or 0.
int StopSignal();
// After the program has tidied up: ends the process by that signal, so the
// caller sees how it ended. Returns when there was none.
void EndByStopSignal();
// Work to undo before a signal ends the process at once (an export's
// unfinished files); it runs on the thread that waits for the signals.
void SetStopCleanup(void (*cleanup)());
