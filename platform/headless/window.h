// A window without a screen: a message queue that starts with a paint.
#pragma once
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>

#include "platform/window.h"

namespace platform {

class HeadlessWindow final : public Window {
public:
  bool RegisterClass(const char* className) override;
  bool Create(const char* title, int x, int y, int width, int height) override;
  void Show() override {}
  bool GetMessage(Message& message) override;
  void PostMessage(const Message& message) override;
  bool IsMinimized() override { return false; }
  void PlaceOverScreen() override {}
  void SetCursorVisible(bool) override {}
  void MessageBox(const char* text, const char* caption) override;
  // Kept for tests: the last caption set.
  void SetTitle(const char* title) override;
  std::string Title();

private:
  std::mutex lock_;
  std::condition_variable ready_;
  std::deque<Message> queue_;
  std::string title_;
};

}  // namespace platform
