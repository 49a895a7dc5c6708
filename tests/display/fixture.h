// A display on the software surfaces, with debug lines captured and frames
// kept by a headless screen.
#pragma once
#include <gtest/gtest.h>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>
#include "framework/system/driver.h"
#include "platform/debug.h"
#include "platform/display.h"
#include "platform/headless/screen.h"
#include "tests/support/fatal_capture.h"
#include "tests/support/paths.h"
class DisplayTest : public ::testing::Test {
protected:
  void SetUp() override {
    platform::SetDebugSink(&debug);
    platform::SetPresenter(&screen);
  }
  void TearDown() override {
    driver.reset();
    platform::SetPresenter(nullptr);
    platform::SetDebugSink(nullptr);
  }
  sWinDriver& Start() {
    StartDirectDraw();
    driver = std::make_unique<sWinDriver>();
    return *driver;
  }
  // A driver with the mode set; the request is kept in `mode`.
  sWinDriver& Open(int width, int height, int kind, int backBuffers = 2) {
    Start();
    mode = sDisplayMode(width, height, kind);
    mode.BackBuffers = backBuffers;
    driver->SetDisplayMode(&mode);
    return *driver;
  }
  // Pixels of the back buffer (At*) and the front one, read without locking.
  template <typename T>
  static T Pixel(const platform::DDSurface* s, int x, int y) {
    T v;
    std::memcpy(&v, s->Memory() + static_cast<size_t>(s->Pitch()) * y + sizeof(T) * x, sizeof(T));
    return v;
  }
  const uint8_t* Row(int y) const { return driver->BackBufferSurface()->Memory() + driver->BackBufferSurface()->Pitch() * y; }
  uint8_t At8(int x, int y) const { return Row(y)[x]; }
  uint16_t At16(int x, int y) const { return Pixel<uint16_t>(driver->BackBufferSurface(), x, y); }
  uint32_t At32(int x, int y) const { return Pixel<uint32_t>(driver->BackBufferSurface(), x, y); }
  uint16_t Front16(int x, int y) const { return Pixel<uint16_t>(driver->PrimarySurface(), x, y); }
  // Several back-buffer pixels at once.
  using Points = std::initializer_list<std::pair<int, int>>;
  std::vector<int> At8s(Points points) const { return Many(points, &DisplayTest::At8); }
  std::vector<int> At16s(Points points) const { return Many(points, &DisplayTest::At16); }
  template <typename F>
  std::vector<int> Many(Points points, F at) const {
    std::vector<int> v;
    for (auto& p : points) v.push_back((this->*at)(p.first, p.second));
    return v;
  }
  // A record owning a fresh bitmap (ReleaseTextures deletes it), registered.
  void AddTexture(sTexture& t, int width, int height, int kind, int usage = 0) {
    t.Bitmap = new sBitmap;
    t.Bitmap->Create(width, height, kind, 1);
    if (usage) t.Usage = usage;
    driver->AddTexture(&t);
  }
  // Number of back-buffer pixels (8-bit) that are not 0.
  int Painted8() const {
    int n = 0;
    for (int y = 0; y < mode.Height; ++y)
      for (int x = 0; x < mode.Width; ++x) n += At8(x, y) != 0;
    return n;
  }
  platform::DebugCapture debug;
  platform::HeadlessScreen screen{16667};
  std::unique_ptr<sWinDriver> driver;
  sDisplayMode mode;
};
