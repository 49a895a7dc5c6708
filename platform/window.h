// The application window and the message queue of the program's first thread.
#pragma once
#include <cstdint>

namespace platform {

// The messages the shell's window procedure handles; everything else the
// backend deals with itself.
enum class Msg {
  Paint,
  Destroy,
  Quit,
  Move,
  Size,
  DisplayChange,
  ActivateApp,  // wParam: 1 active, 0 inactive
  SetCursor,
  EnterMenuLoop,
  ExitMenuLoop,
  Input,  // keyboard or mouse traffic: read through the input devices instead
};

struct Message {
  Msg id;
  intptr_t wParam = 0;
  intptr_t lParam = 0;
};

class Window {
public:
  virtual ~Window() = default;
  virtual bool RegisterClass(const char* className) = 0;
  // The one top-level window; a backend without a screen may make none.
  virtual bool Create(const char* title, int x, int y, int width, int height) = 0;
  virtual void Show() = 0;
  // Waits for the next message of the first thread; false once Quit arrives.
  virtual bool GetMessage(Message& message) = 0;
  // Any thread may post.
  virtual void PostMessage(const Message& message) = 0;
  void PostQuit(int code) { PostMessage({Msg::Quit, code, 0}); }
  virtual bool IsMinimized() = 0;
  // Window placement over the screen below the caption (while active).
  virtual void PlaceOverScreen() = 0;
  virtual void SetCursorVisible(bool visible) = 0;
  // Any thread may set the caption; the window shows it soon after.
  virtual void SetTitle(const char* title) {}
  // A blocking box with a caption; also written to stderr.
  virtual void MessageBox(const char* text, const char* caption) = 0;
};

// The window of the running backend; the headless window when none started.
Window& GetWindow();
void SetWindow(Window* window);
// A backend's window is set (not the fallback).
bool HasWindow();

}  // namespace platform
