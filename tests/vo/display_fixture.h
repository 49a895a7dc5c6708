// A 640 x 480 Index 8 display on the software surfaces, for the layers that
// draw through the display.
#pragma once
#include "tests/display/fixture.h"

class ScreenTest : public DisplayTest {
protected:
  void SetUp() override {
    DisplayTest::SetUp();
    Start();
    mode = sDisplayMode(640, 480, KindIndex8);
    ASSERT_TRUE(driver->FindMode(&mode));
    driver->SetDisplayMode(&mode);
    driver->BeginFrame(0);
    Fill(0, 0, 640, 480, 40);
  }
  void Fill(int x0, int y0, int x1, int y1, uint8_t v) { driver->FillRect(v, x0, y0, x1, y1); }
  // The back buffer as the layers left it.
  uint8_t At(int x, int y) {
    driver->Unlock();
    return At8(x, y);
  }
  int Count(uint8_t v, int x0 = 0, int y0 = 0, int x1 = 640, int y1 = 480) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += At(x, y) == v;
    return n;
  }
};
