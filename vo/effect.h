// The masked effect: a field of moving blobs added to a texture and shown as
// the effect's colours inside a mask, which darkens the picture at its edges.
#pragma once
#include <cstdint>

#include "vo/blobfield.h"
#include "vo/moveit.h"

class sBitmap;

// Shared state of the effect, set up by every sMaskedEffect constructed.
extern sBitmap* EffectMask;
extern uint8_t* BlobImage;
extern uint8_t* EffectTexture;
extern int EffectTextureSize;
extern uint8_t* EffectPalette;
extern sBlobField* TheBlobField;

class sMaskedEffect : public sLayer {
public:
  enum { Step = 14, TextureWidth = 352 };

  sMaskedEffect();
  // The same effect from other files: the mask image and the three raw files.
  sMaskedEffect(const char* mask, const char* blob, const char* texture, const char* palette);
  void Draw(sDisplay* display, float t) override;
  void Skip(float t) override;
  // Moves the blobs and draws on a locked screen.
  void Shade(sBitmap& screen);

  float x0 = 100.0f, y0 = 100.0f, x1 = 200.0f, y1 = 200.0f;
  float Progress = 1.0f;
};

// Supplies the effect's colours (indices 64..255), faded toward a colour.
class sPaletteImage : public sLayer {
public:
  void Draw(sDisplay* display, float t) override;
  void Skip(float t) override { Draw(nullptr, t); }
  bool DrawsPixels() const override { return false; }

  float LastFade = -1.0f;
  float Fade = 1.0f;
  float Target[3] = {0, 0, 0};
};
