// The web backend: the page's canvas, WebAudio and DOM events, with the
// program's threads as tasks on the browser's one thread.
#include <emscripten/html5.h>

#include <cstdio>
#include <deque>
#include <memory>

#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/headless/sound.h"
#include "platform/sound.h"
#include "platform/web/input.h"
#include "platform/web/keymap.h"
#include "platform/web/page.h"
#include "platform/web/rehearsal.h"
#include "platform/web/screen.h"
#include "platform/web/tasks.h"
#include "platform/window.h"

namespace platform::web {

namespace {

class WebWindow final : public Window {
public:
  bool RegisterClass(const char*) override { return true; }
  bool Create(const char*, int, int, int, int) override {
    PostMessage({Msg::Paint, 0, 0});
    return true;
  }
  void Show() override {}
  bool GetMessage(Message& message) override {
    WaitUntil([this] { return !queue_.empty(); });
    message = queue_.front();
    queue_.pop_front();
    return message.id != Msg::Quit;
  }
  void PostMessage(const Message& message) override { queue_.push_back(message); }
  bool IsMinimized() override { return false; }
  void PlaceOverScreen() override {}
  void SetCursorVisible(bool visible) override { web::SetCursorVisible(visible); }
  void MessageBox(const char* text, const char* caption) override {
    std::fprintf(stderr, "%s: %s", caption, text);
    ShowNote(Note::Error, text);
  }

private:
  std::deque<Message> queue_;
};

// Real time from performance.now(), standing still until the viewer starts
// the show, so the show starts where the sound does.
class PageClock final : public Clock {
public:
  PageClock() : frozen_(PageMilliseconds()) {}
  bool QueryCounter(uint64_t& count) override {
    count = static_cast<uint64_t>(Now() * 1e6);
    return true;
  }
  bool QueryFrequency(uint64_t& hz) override {
    hz = 1000000000u;
    return true;
  }
  uint32_t TimeGetTime() override { return static_cast<uint32_t>(static_cast<uint64_t>(Now())); }
  void Run() {
    if (running_) return;
    offset_ = PageMilliseconds() - frozen_;
    running_ = true;
  }

private:
  double Now() const { return running_ ? PageMilliseconds() - offset_ : frozen_; }
  double frozen_;
  double offset_ = 0;
  bool running_ = false;
};

std::unique_ptr<WebWindow> window;
std::unique_ptr<WebScreen> screen;
std::unique_ptr<WebInput> input;
std::unique_ptr<PageClock> pageClock;
std::unique_ptr<VirtualClock> virtualClock;
std::unique_ptr<VirtualClock> rehearsalClock;
std::unique_ptr<Sound> rehearsalSound;
WebScreen::Mode modeBeforeRehearsal = WebScreen::Mode::Live;
bool gestureWanted = false;
bool soundRuns = true;  // the sound of the last gesture is running, or gave up

uint32_t EventTime() { return static_cast<uint32_t>(static_cast<uint64_t>(PageMilliseconds())); }

void SoundRuns() {
  if (pageClock) pageClock->Run();
  soundRuns = true;
  WakeTasks();
}

// A click or key the viewer gives to start; true when it was taken for that.
bool TakeGesture() {
  if (!gestureWanted) return false;
  gestureWanted = false;
  soundRuns = false;
  // What was pressed before belongs to no show.
  if (input) input->Forget();
  // The show's clock starts with the sound, which the browser starts a moment later.
  ResumeAudio(SoundRuns);
  return true;
}

EM_BOOL OnKey(int type, const EmscriptenKeyboardEvent* e, void*) {
  const int scan = Set1FromKeyCode(e->code);
  const bool down = type == EMSCRIPTEN_EVENT_KEYDOWN;
  if (down && !e->repeat && TakeGesture()) return EM_TRUE;
  if (down && scan == 0x57 && !e->repeat) ToggleFullScreen();  // F11
  if (input) input->OnKey(scan, down, e->repeat, EventTime());
  WakeTasks();
  // Keys that would scroll or leave the page, unless a modifier makes them a shortcut.
  const bool shortcut = e->ctrlKey || e->metaKey || e->altKey;
  switch (scan) {
    case 0x39: case 0x0F: case 0x0E: case 0x57: case 0xC8: case 0xD0: case 0xCB: case 0xCD: case 0xC9: case 0xD1:
      return shortcut ? EM_FALSE : EM_TRUE;
    default: return EM_FALSE;
  }
}

EM_BOOL OnMouse(int type, const EmscriptenMouseEvent* e, void*) {
  if (type == EMSCRIPTEN_EVENT_MOUSEDOWN && TakeGesture()) return EM_TRUE;
  if (!input) return EM_FALSE;
  switch (type) {
    case EMSCRIPTEN_EVENT_MOUSEDOWN: input->OnMouseButton(e->button, true); break;
    case EMSCRIPTEN_EVENT_MOUSEUP: input->OnMouseButton(e->button, false); break;
    case EMSCRIPTEN_EVENT_MOUSEMOVE: input->OnMouseMove(static_cast<int>(e->movementX), static_cast<int>(e->movementY)); break;
    case EMSCRIPTEN_EVENT_DBLCLICK: ToggleFullScreen(); break;
    default: break;
  }
  WakeTasks();
  return EM_FALSE;
}

EM_BOOL OnWheel(int, const EmscriptenWheelEvent* e, void*) {
  if (input) input->OnWheel(e->deltaY);
  return EM_FALSE;
}

EM_BOOL OnBlur(int, const EmscriptenFocusEvent*, void*) {
  if (input) input->OnBlur(EventTime());
  return EM_FALSE;
}

void Listen(bool on) {
  const char* page = EMSCRIPTEN_EVENT_TARGET_WINDOW;
  const char* canvas = "#canvas";
  emscripten_set_keydown_callback(page, nullptr, true, on ? OnKey : nullptr);
  emscripten_set_keyup_callback(page, nullptr, true, on ? OnKey : nullptr);
  emscripten_set_mousedown_callback(page, nullptr, true, on ? OnMouse : nullptr);
  emscripten_set_mouseup_callback(page, nullptr, true, on ? OnMouse : nullptr);
  emscripten_set_mousemove_callback(canvas, nullptr, true, on ? OnMouse : nullptr);
  emscripten_set_dblclick_callback(canvas, nullptr, true, on ? OnMouse : nullptr);
  emscripten_set_wheel_callback(canvas, nullptr, true, on ? OnWheel : nullptr);
  emscripten_set_blur_callback(page, nullptr, true, on ? OnBlur : nullptr);
}

bool Start(const BackendOptions& options) {
  // The virtual clock makes the exact frames of tests; the caller steps it.
  const bool exact = options.virtualClock;
  SetUpPage(exact ? Layout::Exact : Layout::Fit);
  window = std::make_unique<WebWindow>();
  SetWindow(window.get());
  if (exact) {
    virtualClock = std::make_unique<VirtualClock>();
    SetClock(virtualClock.get());
  } else {
    pageClock = std::make_unique<PageClock>();
    SetClock(pageClock.get());
    gestureWanted = true;
  }
  screen = std::make_unique<WebScreen>(exact ? WebScreen::Mode::Exact : WebScreen::Mode::Live);
  SetPresenter(screen.get());
  input = std::make_unique<WebInput>();
  SetInput(input.get());
  Listen(true);
  return true;
}

void Stop() {
  Listen(false);
  SetSound(nullptr);
  rehearsalSound.reset();
  rehearsalClock.reset();
  ReleaseSound();
  SetInput(nullptr);
  SetPresenter(nullptr);
  SetWindow(nullptr);
  SetClock(nullptr);
  input.reset();
  screen.reset();
  window.reset();
  pageClock.reset();
  virtualClock.reset();
}

}  // namespace

void BeginRehearsal() {
  rehearsalClock = std::make_unique<VirtualClock>();
  SetClock(rehearsalClock.get());
  rehearsalSound = MakeHeadlessSound(HeadlessSound::Pace::Virtual, nullptr);
  SetSound(rehearsalSound.get());
  if (screen) {
    modeBeforeRehearsal = screen->GetMode();
    screen->SetMode(WebScreen::Mode::Rehearse);
  }
  // The viewer may start the show as soon as its first frame is up.
  if (gestureWanted) ShowNote(Note::Start, "click to start");
}

void SetRehearsalTime(uint64_t microseconds) {
  if (rehearsalClock) rehearsalClock->Set(microseconds);
}

void EndShow() {
  if (!input) return;
  const uint32_t now = EventTime();
  input->OnKey(0x01, true, false, now);
  input->OnKey(0x01, false, false, now);
}

void EndRehearsal() {
  SetSound(nullptr);
  rehearsalSound.reset();
  SetClock(pageClock ? static_cast<Clock*>(pageClock.get()) : virtualClock.get());
  rehearsalClock.reset();
  if (screen) screen->SetMode(modeBeforeRehearsal);
  NewPass();
  // Started with its sound running: the note goes (else the first frame's wait ends it).
  if (!gestureWanted && soundRuns) ShowNote(Note::None, "");
}

void NewPass() {
  if (screen) screen->NewRun();
  if (input) input->Forget();
  if (virtualClock) virtualClock->Set(0);
}

bool ViewerStarted() { return !gestureWanted; }

WebScreen* GetWebScreen() { return screen.get(); }
VirtualClock* WebVirtualClock() { return virtualClock.get(); }

void WantGesture() { gestureWanted = true; }

void WaitForGesture(const char* note) {
  if (!gestureWanted && soundRuns) return;
  ShowNote(Note::Start, note);
  WaitUntil([] { return !gestureWanted && soundRuns; });
  ShowNote(Note::None, "");
}

}  // namespace platform::web

namespace platform {
extern const Backend WebBackend;
const Backend WebBackend = {"web", web::Start, web::Stop};
}  // namespace platform
