// The SDL window: created on the program's first thread, which pumps its
// events in GetMessage and is the only thread that uses the renderer.
#pragma once
#include <SDL.h>

#include <deque>
#include <mutex>
#include <string>

#include "platform/sdl/presenter.h"
#include "platform/window.h"

namespace platform {

class SdlWindow final : public Window {
public:
  // A window of width x height when both are given, else the largest whole
  // multiple of 640 x 480 that fits the screen.
  SdlWindow(bool windowed, ScaleMode scale, bool vsync, int width = 0, int height = 0);
  ~SdlWindow() override;

  bool RegisterClass(const char* className) override;
  bool Create(const char* title, int x, int y, int width, int height) override;
  void Show() override;
  bool GetMessage(Message& message) override;
  void PostMessage(const Message& message) override;
  bool IsMinimized() override;
  void PlaceOverScreen() override {}
  void SetCursorVisible(bool visible) override;
  void MessageBox(const char* text, const char* caption) override;
  void SetTitle(const char* title) override;

  SdlPresenter& Presenter() { return presenter_; }
  SDL_Window* Handle() { return window_; }
  void ToggleFullScreen();

private:
  void Handle(const SDL_Event& event);

  bool windowed_;
  bool vsync_;
  int windowedW_ = 640, windowedH_ = 480;
  int askedW_, askedH_;
  SdlPresenter presenter_;
  bool frameWaiting_ = false;  // the presenter holds a flipped frame for its refresh
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  std::mutex lock_;
  std::deque<Message> queue_;
  std::string title_;  // waiting for the window thread, "" when none
};

// The window of the running sdl backend, or null.
SdlWindow* GetSdlWindow();

// On X11: a lost connection to the server ends the process with a message
// and status 1 (after the video subsystem started).
void EndWhenDisplayIsLost();

// Wakes the window thread from any thread (a frame or a message is waiting).
void WakeWindowThread();

}  // namespace platform
