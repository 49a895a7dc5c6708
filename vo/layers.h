// The layer kinds of the show's picture (the masked effect is in effect.h).
// Every darkening layer reads a screen index, takes its ShadeLevel and writes
// a level of the shade ramp back.
#pragma once
#include <cstdint>

#include "framework/rect.h"
#include "vo/moveit.h"

class sBitmap;

// Assertion lines of this source.
enum {
  MoveitAssertDrawBackdrop = 118,
  MoveitAssertMapBackdrop = 127,
  MoveitAssertIndex8 = 209,
  MoveitAssertSpritePhase = 334,
  MoveitAssertDrawWipe = 431,
};

// Loads an Index 8 picture (any other kind is an assertion failure).
sBitmap* LoadLayerImage(const char* name);

// Writes a colour ramp, faded toward a target colour, into ScreenPalette.
class sPaletteRamp : public sLayer {
public:
  void Draw(sDisplay* display, float t) override;
  void Skip(float t) override { Draw(nullptr, t); }
  bool DrawsPixels() const override { return false; }

  float LastFade = -1.0f;
  float Fade = 1.0f;
  float From = 0.0f;
  float To = 16.0f;
  float A[3] = {0, 0, 0};
  float B[3] = {255, 255, 255};
  float Target[3] = {0, 0, 0};
};

// Darkens a rectangle to level 0, with edges in sixteenths of a pixel.
class sShadeRect : public sLayer {
public:
  void Draw(sDisplay* display, float t) override;
  // The edge pixels on a locked screen; returns false when the rectangle is empty.
  bool ShadeEdges(sBitmap& screen) const;
  // The interior that Draw fills with index 0 (far edges exclusive).
  sRect Interior() const;

  float x0 = 0.0f, y0 = 0.0f, x1 = 640.0f, y1 = 480.0f;
};

// A picture turned into ink levels, drawn quarter size at sub-pixel steps.
class sSprite : public sLayer {
public:
  ~sSprite() override;
  void Draw(sDisplay* display, float t) override;
  void LoadImage(const char* name);
  // Builds the four phase images from a loaded Index 8 picture.
  void MakePhases(sBitmap* image);
  // The phase image used at the sprite's x.
  int Phase() const;

  sBitmap* Image = nullptr;
  sBitmap* PhaseImages[4] = {};
  float x = 320.0f, y = 240.0f;
  float Clip[4] = {0, 0, 640, 480};
};

// Darkens the screen through a shade image, revealed by an angular sweep.
class sWipe : public sLayer {
public:
  enum { Grid = 33, TableSize = 512 };

  sWipe();
  ~sWipe() override;
  void Draw(sDisplay* display, float t) override;
  void LoadImage(const char* name);
  // Sets up the grid tables for an Index 8 image (at most 511 pixels each way).
  void UseImage(sBitmap* image, const char* name);
  void MakeRuns(int lo, int hi);
  // The pixel work of Draw on a locked screen, for an area already clipped.
  void Shade(sBitmap& screen, const sBlitRect& area) const;

  sBitmap* Image = nullptr;
  // One spare row and column of zeros: the upper half's row lookup at index h
  // reaches grid row 33 (with weight 0).
  uint8_t AngleGrid[Grid + 1][Grid + 1];
  uint8_t ColFrac[TableSize], ColCell[TableSize];
  uint8_t RowFrac[TableSize], RowCell[TableSize];
  float x = 320.0f, y = 240.0f;
  float Progress = 1.0f;
};
