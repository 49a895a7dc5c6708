// A full-screen picture, blitted through its display texture.
#pragma once
#include "framework/display.h"
#include "vo/layers.h"

class sBackdrop : public sLayer {
public:
  ~sBackdrop() override;
  void Draw(sDisplay* display, float t) override;
  void Prepare(sDisplay* display) override;
  // A picture of the screen's size (or larger: the blit then draws nothing,
  // which is not covering) is copied opaquely over all of it.
  bool Covers() const override;
  void LoadImage(const char* name);
  void MapToRange(int lo, int hi);

  sBitmap* Image = nullptr;
  sTexture Texture{};
  bool Registered = false;  // handed to the display by Prepare
};

