#include "platform/headless/window.h"

#include <cstdio>

namespace platform {

bool HeadlessWindow::RegisterClass(const char*) { return true; }

bool HeadlessWindow::Create(const char*, int, int, int, int) {
  // The first paint is what starts the program's threads.
  PostMessage({Msg::Paint, 0, 0});
  return true;
}

bool HeadlessWindow::GetMessage(Message& message) {
  std::unique_lock<std::mutex> hold(lock_);
  ready_.wait(hold, [this] { return !queue_.empty(); });
  message = queue_.front();
  queue_.pop_front();
  return message.id != Msg::Quit;
}

void HeadlessWindow::PostMessage(const Message& message) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    queue_.push_back(message);
  }
  ready_.notify_one();
}

void HeadlessWindow::MessageBox(const char* text, const char* caption) {
  std::fprintf(stderr, "%s: %s", caption, text);
  std::fflush(stderr);
}

void HeadlessWindow::SetTitle(const char* title) {
  std::lock_guard<std::mutex> hold(lock_);
  title_ = title;
}

std::string HeadlessWindow::Title() {
  std::lock_guard<std::mutex> hold(lock_);
  return title_;
}

}  // namespace platform
