// The show in a web page. Without parameters it plays as the program does,
// after a first click or key; index.html?frame=N runs the exact frames of the
// headless trace (1/60 s per frame, silent, no click), stops at frame N, shows
// it at 1:1 and puts its checksums in the page's title; ?bench=N draws N such
// frames as fast as they come and puts the frame times in the title (with
// passes=K the show is played K times and each frame's best time counts). With
// either, press=F:CODE,... sends the key with that KeyboardEvent.code through
// the page at the end of frame F. debug=1 sends the debug lines to the
// browser's console. Every page first rehearses the show unseen (see
// platform/web/rehearsal.h), so the run after it is the same show on warm code.
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "framework/system/driver.h"
#include "framework/system/fatal.h"
#include "framework/system/reset.h"
#include "framework/system/shell.h"
#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/debug.h"
#include "platform/web/page.h"
#include "platform/web/rehearsal.h"
#include "platform/web/screen.h"
#include "platform/web/tasks.h"
#include "tools/showtrace/checksum.h"
#include "vo/frame_observer.h"
#include "vo/main.h"

namespace platform::web {
VirtualClock* WebVirtualClock();
}

namespace {

namespace web = platform::web;

constexpr uint64_t MaxFrame = 10000000;  // 46 hours of show
constexpr size_t MaxPresses = 64;
constexpr uint64_t MaxPasses = 20;

struct Press {
  uint64_t frame;
  std::string code;
};

struct Exact {
  bool on = false;
  bool bench = false;
  uint64_t target = 0;
  uint64_t shown = 0;  // frames presented so far
  std::vector<Press> presses;
  uint64_t passes = 1;
  std::vector<std::vector<float>> passTimes;  // the bench's frame times, one list per pass done
  bool passEnding = false;  // the show was told to end for the next pass
};
Exact exact;

bool ParseFrame(const std::string& s, uint64_t& out) {
  if (s.empty() || s.size() > 8 || !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return false;
  out = std::stoull(s);
  return out <= MaxFrame;
}

bool ParsePresses(const std::string& s, std::vector<Press>& out) {
  size_t at = 0;
  while (at < s.size()) {
    size_t end = s.find(',', at);
    if (end == std::string::npos) end = s.size();
    const std::string item = s.substr(at, end - at);
    const size_t colon = item.find(':');
    Press p;
    if (colon == std::string::npos || !ParseFrame(item.substr(0, colon), p.frame)) return false;
    p.code = item.substr(colon + 1);
    const bool plain = std::all_of(p.code.begin(), p.code.end(), [](char c) {
      return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    });
    if (p.code.empty() || p.code.size() > 24 || !plain || out.size() >= MaxPresses) return false;
    out.push_back(p);
    at = end + 1;
  }
  return !out.empty();
}

// Frame n of the trace is shown at floor(n x 1000000 / 60) microseconds.
uint64_t FrameMicros(uint64_t n) { return n * 1000000 / 60; }

// A time that is not a number or below zero would upset the order: counted apart.
bool Measured(float t) { return t >= 0.0f && t < 1e9f; }

size_t SlowFrames(const std::vector<float>& times) {
  size_t over = 0;
  for (float t : times) over += t >= 2.0f;
  return over;
}

// "N frames median ... slowest: ..." for frame times of frames 1, 2, ... (the
// first frame is left out).
std::string Figures(const std::vector<float>& times, const std::string& label) {
  std::vector<size_t> order;
  for (size_t i = 0; i < times.size(); ++i)
    if (Measured(times[i])) order.push_back(i);
  const size_t unmeasured = times.size() - order.size();
  if (order.empty()) return "0 frames (" + std::to_string(unmeasured) + " unmeasured)";
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return times[a] < times[b]; });
  const auto at = [&](size_t rank) { return times[order[rank]]; };
  const size_t n = order.size();
  std::string s = std::to_string(n) + " frames" + label;
  char part[96];
  std::snprintf(part, sizeof part, " median %.3f p99 %.3f max %.3f ms; %zu of 2 ms or more; slowest:", at(n / 2),
                at(std::min(n - 1, n * 99 / 100)), at(n - 1), SlowFrames(times));
  s += part;
  for (size_t r = n; r > 0 && r + 5 > n; --r) {
    std::snprintf(part, sizeof part, " %zu (%.1f)", order[r - 1] + 1, at(r - 1));
    s += part;
  }
  if (unmeasured) s += "; " + std::to_string(unmeasured) + " unmeasured";
  return s;
}

std::string BenchTitle() {
  const std::vector<std::vector<float>>& passes = exact.passTimes;
  if (passes.size() == 1) return "bench " + Figures(passes[0], "");
  // Each frame's best time over the passes: what the frame costs, without
  // what the machine took from one pass or another.
  std::vector<float> best = passes[0];
  for (size_t p = 1; p < passes.size(); ++p)
    for (size_t i = 0; i < best.size() && i < passes[p].size(); ++i)
      if (Measured(passes[p][i]) && !(Measured(best[i]) && best[i] <= passes[p][i])) best[i] = passes[p][i];
  std::string s = "bench " + Figures(best, " best of " + std::to_string(passes.size()) + " passes") + "; passes: max";
  std::string over = ",";
  for (const std::vector<float>& pass : passes) {
    float most = 0.0f;
    for (float t : pass)
      if (Measured(t)) most = std::max(most, t);
    char part[32];
    std::snprintf(part, sizeof part, " %.3f", most);
    s += part;
    over += " " + std::to_string(SlowFrames(pass));
  }
  return s + " ms" + over + " of 2 ms or more";
}

// The target frame reached: its checksums, or the bench's figures, go to the
// page, and the show stops there, as it stands.
void Finish(uint64_t frame) {
  web::WebScreen* screen = web::GetWebScreen();
  if (exact.bench) {
    // Timers stand still in a browser's virtual time: a benchmark runs in
    // real time and hands its figures to the server it came from.
    const std::string figures = BenchTitle();
    web::SetTitle(figures);
    web::PostToServer("bench-result", figures);
  } else {
    platform::DDFrame f;
    screen->LastFrame(f);
    screen->DrawLast();
    char title[96];
    std::snprintf(title, sizeof title, "frame %" PRIu64 " idx %08x pal %08x", frame, FrameIndexCrc(f),
                  FramePaletteCrc(f));
    web::SetTitle(title);
  }
  web::StopTasks();
  web::WaitUntil(nullptr);
}

void OnFrame(const sFrameInfo& info, void*) {
  exact.shown = info.Frame + 1;
  for (const Press& p : exact.presses)
    if (p.frame == info.Frame) web::DispatchKey(p.code.c_str());
  if (info.Frame == exact.target && !exact.passEnding) {
    if (exact.bench) exact.passTimes.push_back(web::GetWebScreen()->TakeFrameTimes());
    if (exact.bench && exact.passTimes.size() < exact.passes) {
      // The end of a pass: the show ends as by its Escape key and runs again.
      web::EndShow();
      exact.passEnding = true;
    } else {
      Finish(info.Frame);
    }
  }
  web::WebVirtualClock()->Set(FrameMicros(info.Frame + 1));
}

// The rehearsal before the first run: the whole show (36 s at 60 frames a
// second), or as far as a test's frame; a viewer's start cuts it short.
constexpr uint64_t ShowFrames = 36 * 60;
uint64_t rehearsalFrames = ShowFrames;
uint64_t rehearsalMade = 0;
bool rehearsalEnding = false;

void OnRehearsalFrame(const sFrameInfo& info, void*) {
  rehearsalMade = info.Frame + 1;
  if (!rehearsalEnding && (info.Frame + 1 >= rehearsalFrames || (!exact.on && web::ViewerStarted()))) {
    web::EndShow();
    rehearsalEnding = true;
  }
  web::SetRehearsalTime(FrameMicros(info.Frame + 1));
  // The page goes on meanwhile: it shows the first frame and takes clicks.
  web::WaitMilliseconds(0);
}

// Debug lines on the browser's console, as TESSALINE_DEBUG=1 puts them on stderr.
class ConsoleDebug final : public platform::DebugSink {
public:
  void Write(const char* text) override { std::fputs(text, stderr); }
};
ConsoleDebug consoleDebug;

void CreateDisplay() { new sWinDriver; }  // registers itself

// The program's first thread: the shell, a rehearsal first, and after the
// show the offer to watch it again.
int FirstThread() {
  bool rehearsal = true;
  // A viewer's run and the bench's rehearse the whole show.
  rehearsalFrames = exact.on && !exact.bench ? std::min(exact.target + 1, ShowFrames) : ShowFrames;
  const double rehearsalStart = web::PageMilliseconds();
  web::BeginRehearsal();
  for (;;) {
    SetShellParts({StartDirectDraw, CreateDisplay, ReleaseDirectDraw, DemoMain});
    SetFrameObserver(rehearsal ? OnRehearsalFrame : exact.on ? OnFrame : nullptr, nullptr);
    WinMain();
    if (FatalText[0]) {
      if (exact.on) web::SetTitle(std::string("fatal: ") + FatalText);
      return 1;
    }
    if (rehearsal) {
      rehearsal = false;
      ResetProcessState();
      web::EndRehearsal();
      char line[80];
      std::snprintf(line, sizeof line, "web: rehearsed %" PRIu64 " frames in %.0f ms\n", rehearsalMade,
                    web::PageMilliseconds() - rehearsalStart);
      platform::OutputDebugString(line);
      continue;
    }
    if (exact.passEnding) {
      // A bench's next pass, from frame 0 of a new process state.
      exact.passEnding = false;
      ResetProcessState();
      web::NewPass();
      continue;
    }
    if (exact.on) {
      web::SetTitle("ended after frame " + std::to_string(exact.shown ? exact.shown - 1 : 0));
      return 0;
    }
    if (MainThreadStillRunning()) return 0;
    web::WantGesture();
    web::WaitForGesture("The show has ended. Click or press a key to watch it again.");
    ResetProcessState();
    web::GetWebScreen()->NewRun();
  }
}

bool Fail(const std::string& text) {
  web::SetUpPage(web::Layout::Fit);
  web::ShowNote(web::Note::Error, text);
  web::SetTitle("error: " + text);
  return false;
}

bool ReadOptions() {
  std::string value;
  if (web::QueryParameter("frame", value)) {
    if (!ParseFrame(value, exact.target)) return Fail("frame=" + value + ": not a frame number (0 to 10000000)");
    exact.on = true;
  }
  if (web::QueryParameter("bench", value)) {
    if (exact.on || !ParseFrame(value, exact.target) || exact.target == 0)
      return Fail("bench=" + value + ": not a number of frames (1 to 10000000), or given with frame=");
    exact.on = exact.bench = true;
  }
  if (web::QueryParameter("passes", value)) {
    if (!exact.bench || !ParseFrame(value, exact.passes) || exact.passes == 0 || exact.passes > MaxPasses)
      return Fail("passes=" + value + ": not a number of passes (1 to 20), or given without bench=");
  }
  if (web::QueryParameter("debug", value)) {
    if (value != "1") return Fail("debug=" + value + ": only debug=1");
    platform::SetDebugSink(&consoleDebug);
  }
  if (web::QueryParameter("press", value)) {
    if (!exact.on) return Fail("press= works only with frame= or bench=");
    if (!ParsePresses(value, exact.presses)) return Fail("press=" + value + ": not a list of FRAME:KEYCODE");
  }
  return true;
}

}  // namespace

int main() {
  if (!ReadOptions()) return 2;
  platform::BackendOptions options;
  options.virtualClock = exact.on;
  options.frameMicros = 0;  // the frame observer steps the clock
  if (!platform::StartBackend("web", options)) return Fail("the web backend could not start") ? 0 : 1;
  if (exact.bench) web::GetWebScreen()->SetMode(web::WebScreen::Mode::Bench);
  // Started as a thread would be, so the shell's waits work as they do elsewhere.
  auto first = web::StartTask(FirstThread, 256 * 1024);
  web::RunTasks();
  return web::TaskFinished(first) ? web::TaskExitCode(first) : 0;
}
