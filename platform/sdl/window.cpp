#include "platform/sdl/window.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/sdl/events.h"
#include "platform/sdl/text.h"

namespace platform {

namespace {
Uint32 wakeEvent = static_cast<Uint32>(-1);
}

void WakeWindowThread() {
  if (wakeEvent == static_cast<Uint32>(-1)) return;
  SDL_Event e{};
  e.type = wakeEvent;
  SDL_PushEvent(&e);
}

SdlWindow::SdlWindow(bool windowed, ScaleMode scale, bool vsync, int width, int height)
    : windowed_(windowed), vsync_(vsync), askedW_(width), askedH_(height), presenter_(scale, vsync) {
  if (wakeEvent == static_cast<Uint32>(-1)) wakeEvent = SDL_RegisterEvents(1);
}

SdlWindow::~SdlWindow() {
  presenter_.Stop();
  if (renderer_) SDL_DestroyRenderer(renderer_);
  if (window_) SDL_DestroyWindow(window_);
}

bool SdlWindow::RegisterClass(const char*) { return true; }

bool SdlWindow::Create(const char* title, int, int, int, int) {
  // Windowed: the show's 640 x 480 at the largest whole multiple that fits.
  SDL_Rect usable{0, 0, 640, 480};
  SDL_GetDisplayUsableBounds(0, &usable);
  const int k = std::max(1, std::min(usable.w * 9 / 10 / 640, usable.h * 9 / 10 / 480));
  windowedW_ = askedW_ > 0 && askedH_ > 0 ? askedW_ : 640 * k;
  windowedH_ = askedW_ > 0 && askedH_ > 0 ? askedH_ : 480 * k;
  int x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED, width = windowedW_, height = windowedH_;
  Uint32 flags = SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE;
  SDL_Rect bounds;
  if (!windowed_ && SDL_GetDisplayBounds(0, &bounds) == 0) {
    // Made at the screen's size too: without a window manager (a bare X
    // server) the full-screen request alone would not resize the window.
    flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    x = bounds.x;
    y = bounds.y;
    width = bounds.w;
    height = bounds.h;
  }
  window_ = SDL_CreateWindow(title, x, y, width, height, flags);
  if (!window_) return false;
  SDL_SetWindowMinimumSize(window_, 320, 240);
  renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED | (vsync_ ? SDL_RENDERER_PRESENTVSYNC : 0));
  if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, 0);
  if (!renderer_) {
    SDL_DestroyWindow(window_);
    window_ = nullptr;
    return false;
  }
  // The first paint starts the program's threads.
  PostMessage({Msg::Paint, 0, 0});
  return true;
}

void SdlWindow::Show() {
  if (!window_) return;
  SDL_ShowWindow(window_);
  SDL_RaiseWindow(window_);
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  SDL_RenderPresent(renderer_);
}

void SdlWindow::ToggleFullScreen() {
  if (!window_) return;
  if (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP) {
    SDL_SetWindowFullscreen(window_, 0);
    SDL_SetWindowSize(window_, windowedW_, windowedH_);
    SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    return;
  }
  // Covering the screen first: without a window manager the full-screen
  // request alone leaves the window as it was.
  SDL_Rect bounds;
  if (SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(window_), &bounds) == 0) {
    SDL_SetWindowPosition(window_, bounds.x, bounds.y);
    SDL_SetWindowSize(window_, bounds.w, bounds.h);
  }
  SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
}

void SdlWindow::Handle(const SDL_Event& e) {
  sdl::DispatchToListeners(e);
  switch (e.type) {
    case SDL_QUIT: PostMessage({Msg::Destroy, 0, 0}); break;
    case SDL_KEYDOWN:
      if ((e.key.keysym.sym == SDLK_RETURN || e.key.keysym.sym == SDLK_KP_ENTER) &&
          (e.key.keysym.mod & KMOD_ALT) && !e.key.repeat)
        ToggleFullScreen();
      break;
    case SDL_WINDOWEVENT:
      switch (e.window.event) {
        case SDL_WINDOWEVENT_EXPOSED:
          presenter_.Render(renderer_, true);
          PostMessage({Msg::Paint, 0, 0});
          break;
        case SDL_WINDOWEVENT_MOVED: PostMessage({Msg::Move, 0, 0}); break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
          presenter_.Render(renderer_, true);
          PostMessage({Msg::Size, 0, 0});
          break;
        case SDL_WINDOWEVENT_FOCUS_GAINED: PostMessage({Msg::ActivateApp, 1, 0}); break;
        case SDL_WINDOWEVENT_FOCUS_LOST: PostMessage({Msg::ActivateApp, 0, 0}); break;
        default: break;
      }
      break;
    default: break;
  }
}

bool SdlWindow::GetMessage(Message& message) {
  for (;;) {
    {
      std::lock_guard<std::mutex> hold(lock_);
      if (!queue_.empty()) {
        message = queue_.front();
        queue_.pop_front();
        return message.id != Msg::Quit;
      }
    }
    std::string title;
    {
      std::lock_guard<std::mutex> hold(lock_);
      title.swap(title_);
    }
    if (!title.empty() && window_) SDL_SetWindowTitle(window_, title.c_str());
    // While a flipped frame waits for its refresh the presents pace this
    // loop; otherwise it sleeps until an event or a flip wakes it.
    SDL_Event e;
    if (frameWaiting_ ? SDL_PollEvent(&e) : SDL_WaitEventTimeout(&e, 20)) {
      do {
        if (e.type != wakeEvent) Handle(e);
      } while (SDL_PollEvent(&e));
    }
    frameWaiting_ = renderer_ && presenter_.Render(renderer_, false);
  }
}

void SdlWindow::PostMessage(const Message& message) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    queue_.push_back(message);
  }
  WakeWindowThread();
}

bool SdlWindow::IsMinimized() { return window_ && (SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED); }

void SdlWindow::SetTitle(const char* title) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    title_ = title;
  }
  WakeWindowThread();
}

void SdlWindow::SetCursorVisible(bool visible) { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

void SdlWindow::MessageBox(const char* text, const char* caption) {
  std::fprintf(stderr, "%s: %s", caption, text);
  std::fflush(stderr);
  // Unattended runs (tests under Xvfb) have nobody to press the button.
  const char* quiet = std::getenv("TESSALINE_NO_MESSAGEBOX");
  if (quiet && *quiet && *quiet != '0') return;
  if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, caption, text, window_) == 0) return;
  // No dialog here (no helper program, no fonts on the server): the window
  // shows the text until a key, a click, closing or a stop signal, or 30 s.
  if (!window_ || !renderer_) return;
  SDL_ShowWindow(window_);
  SDL_ShowCursor(SDL_ENABLE);
  SDL_FlushEvents(SDL_KEYDOWN, SDL_MOUSEBUTTONUP);
  const char* footer = "Press a key or click to close (or wait 30 s).";
  DrawTextPage(renderer_, caption, text, footer);
  const Uint32 start = SDL_GetTicks();
  for (;;) {
    {
      std::lock_guard<std::mutex> hold(lock_);
      for (const Message& m : queue_)
        if (m.id == Msg::Destroy) return;
    }
    if (SDL_GetTicks() - start >= 30000) return;
    SDL_Event e;
    if (!SDL_WaitEventTimeout(&e, 100)) continue;
    if ((e.type == SDL_KEYDOWN && !e.key.repeat) || e.type == SDL_MOUSEBUTTONDOWN || e.type == SDL_QUIT) return;
    if (e.type == SDL_WINDOWEVENT) DrawTextPage(renderer_, caption, text, footer);
  }
}

}  // namespace platform
