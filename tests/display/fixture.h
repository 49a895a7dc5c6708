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

  // The back buffer's pixels (read without locking).
  const uint8_t* Row(int y) const {
    const platform::DDSurface* s = driver->BackBufferSurface();
    return s->Memory() + static_cast<size_t>(s->Pitch()) * y;
  }
  uint8_t At8(int x, int y) const { return Row(y)[x]; }
  uint16_t At16(int x, int y) const {
    uint16_t v;
    std::memcpy(&v, Row(y) + 2 * x, 2);
    return v;
  }
  // Several back-buffer pixels at once.
  using Points = std::initializer_list<std::pair<int, int>>;
  std::vector<int> At8s(Points points) const {
    std::vector<int> v;
    for (auto& p : points) v.push_back(At8(p.first, p.second));
    return v;
  }
  std::vector<int> At16s(Points points) const {
    std::vector<int> v;
    for (auto& p : points) v.push_back(At16(p.first, p.second));
    return v;
  }
  uint32_t At32(int x, int y) const {
    uint32_t v;
    std::memcpy(&v, Row(y) + 4 * x, 4);
    return v;
  }
  uint16_t Front16(int x, int y) const {
    const platform::DDSurface* s = driver->PrimarySurface();
    uint16_t v;
    std::memcpy(&v, s->Memory() + static_cast<size_t>(s->Pitch()) * y + 2 * x, 2);
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
