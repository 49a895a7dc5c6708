// A 640 x 480 Index 8 display on the software surfaces, for the layers that
// draw through the display.
#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "framework/system/driver.h"
#include "platform/debug.h"
#include "platform/display.h"
#include "platform/headless/screen.h"
#include "tests/support/fatal_capture.h"

class ScreenTest : public ::testing::Test {
protected:
  void SetUp() override {
    platform::SetDebugSink(&debug);
    platform::SetPresenter(&screen);
    StartDirectDraw();
    driver = std::make_unique<sWinDriver>();
    mode = sDisplayMode(640, 480, KindIndex8);
    ASSERT_TRUE(driver->FindMode(&mode));
    driver->SetDisplayMode(&mode);
    driver->BeginFrame(0);
    Fill(0, 0, 640, 480, 40);
  }
  void TearDown() override {
    driver.reset();
    platform::SetPresenter(nullptr);
    platform::SetDebugSink(nullptr);
  }

  void Fill(int x0, int y0, int x1, int y1, uint8_t v) { driver->FillRect(v, x0, y0, x1, y1); }
  // The back buffer as the layers left it.
  uint8_t At(int x, int y) {
    driver->Unlock();
    const platform::DDSurface* s = driver->BackBufferSurface();
    return s->Memory()[static_cast<size_t>(s->Pitch()) * y + x];
  }
  int Count(uint8_t v, int x0 = 0, int y0 = 0, int x1 = 640, int y1 = 480) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += At(x, y) == v;
    return n;
  }

  platform::DebugCapture debug;
  platform::HeadlessScreen screen{16667};
  std::unique_ptr<sWinDriver> driver;
  sDisplayMode mode;
};
