// A display on the software surfaces, with debug lines captured and frames
// kept by a headless screen.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

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
