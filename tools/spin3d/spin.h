// A rotating, textured and Gouraud-shaded cube drawn through the display's
// Direct3D slots: what a user of the framework's 3D path writes.
#pragma once
#include <cstdint>

#include "framework/display.h"

class sSpinCube {
public:
  // Builds the cube's texture (64 x 64, 0565) and registers it with the display.
  explicit sSpinCube(sDisplay* display);
  ~sSpinCube();

  // Prepares the texture for the mode that was set.
  void Prepare(const sDisplayMode* mode);
  // One frame at `ms` milliseconds: background, then the cube in one scene.
  void Draw(float ms);
  void SetLinearFilter(bool on) { Linear = on; }
  bool LinearFilter() const { return Linear; }

private:
  sDisplay* Display;
  sTexture Texture;
  bool Linear = false;
};
