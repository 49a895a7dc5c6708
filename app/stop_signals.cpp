#include "app/stop_signals.h"

#include <signal.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/window.h"

namespace {

std::atomic<int> received{0};
std::atomic<void (*)()> cleanup{nullptr};

void Die(int signal) {
  if (void (*undo)() = cleanup.exchange(nullptr)) undo();
  std::fflush(nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal);
  ::signal(signal, SIG_DFL);
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  raise(signal);
  std::_Exit(128 + signal);
}

void Watch(sigset_t set) {
  for (;;) {
    int signal = 0;
    if (sigwait(&set, &signal) != 0) return;
    if (received.exchange(signal) != 0 || !platform::HasWindow()) Die(signal);
    platform::GetWindow().PostMessage({platform::Msg::Destroy, 0, 0});
  }
}

}  // namespace

void CatchStopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  if (pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0) return;
  std::thread(Watch, set).detach();
}

int StopSignal() { return received.load(); }

void EndByStopSignal() {
  if (const int signal = received.load()) Die(signal);
}

void SetStopCleanup(void (*undo)()) { cleanup.store(undo); }
