#include "vo/effect.h"

#include <cmath>
#include <memory>
#include <string>

#include "framework/bitmap.h"
#include "framework/file.h"
#include "framework/math.h"
#include "framework/system/fatal.h"
#include "framework/system/reset.h"
#include "framework/text.h"
#include "vo/palette.h"

sBitmap* EffectMask;
uint8_t* BlobImage;
uint8_t* EffectTexture;
int EffectTextureSize;
uint8_t* EffectPalette;
sBlobField* TheBlobField;

namespace {
// The files of the effect that set up the shared state last.
std::string MaskName, TextureName;

// Owners of the shared state: a new effect replaces what an earlier one made.
struct RawDeleter {
  void operator()(uint8_t* p) const { operator delete(p); }
};
std::unique_ptr<sBitmap> maskOwner;
std::unique_ptr<uint8_t, RawDeleter> blobOwner, textureOwner, paletteOwner;
std::unique_ptr<sBlobField> fieldOwner;

void FreeEffectState() {
  fieldOwner.reset();
  maskOwner.reset();
  blobOwner.reset();
  textureOwner.reset();
  paletteOwner.reset();
  EffectMask = nullptr;
  BlobImage = EffectTexture = EffectPalette = nullptr;
  EffectTextureSize = 0;
  TheBlobField = nullptr;
}
const ResetHook resetEffect(FreeEffectState);

[[noreturn]] void BadFile(const std::string& name, const char* problem) {
  char text[256];
  FormatText(text, sizeof text, "sMaskedEffect() %s %s", name.c_str(), problem);
  Fatal(text);
}

uint8_t* LoadRaw(const char* name, int* size) { return static_cast<uint8_t*>(LoadFile(name, size)); }
}  // namespace

sMaskedEffect::sMaskedEffect()
    : sMaskedEffect("vo/v01_mask.scl", "vo/v01_raw1.raw", "vo/v01_raw2.raw", "vo/v01_raw3.raw") {}

sMaskedEffect::sMaskedEffect(const char* mask, const char* blob, const char* texture, const char* palette) {
  FreeEffectState();
  MaskName = mask;
  TextureName = texture;
  maskOwner.reset(new sBitmap);
  EffectMask = maskOwner.get();
  EffectMask->Load(mask);
  EffectMask->MapToRange(0, 64);  // asserts an Index 8 mask

  // Only what is read must be there: a longer file is fine. The texture's
  // rows are checked against the rectangle when it is drawn.
  int size = 0;
  blobOwner.reset(BlobImage = LoadRaw(blob, &size));
  if (size < 64 * 64) BadFile(blob, "must hold 4096 bytes");
  textureOwner.reset(EffectTexture = LoadRaw(texture, &size));
  EffectTextureSize = size;
  paletteOwner.reset(EffectPalette = LoadRaw(palette, &size));
  if (size < 768) BadFile(palette, "must hold 768 bytes");

  fieldOwner.reset(TheBlobField = new sBlobField(BlobImage, 64));
}

void sMaskedEffect::Shade(sBitmap& screen) {
  const int X0 = static_cast<int>(x0), Y0 = static_cast<int>(y0);
  const int w = static_cast<int>(x1) - X0, h = static_cast<int>(y1) - Y0;
  const int rows = Min(static_cast<int>(h * Progress), h);
  TheBlobField->Render(Step);
  if (rows < 1 || w < 1) return;
  // The mask, the texture and the field are addressed from their own origin.
  if (w > sBlobField::Size || h > sBlobField::Size) Fatal("sMaskedEffect::Draw() rectangle larger than 352 x 352");
  if (EffectMask->Width < w || EffectMask->Height < h) BadFile(MaskName, "does not cover the effect rectangle");
  if (EffectTextureSize < TextureWidth * h) BadFile(TextureName, "has fewer rows than the effect rectangle");
  if (!screen.Pixels[0] || screen.Bits != 8) return;
  // Only the part on the screen is drawn.
  const int c0 = X0 < 0 ? -X0 : 0, r0 = Y0 < 0 ? -Y0 : 0;
  const int c1 = Min(w, screen.Width - X0), r1 = Min(rows, screen.Height - Y0);
  for (int r = r0; r < r1; ++r) {
    const uint8_t* mask = EffectMask->PixelAddress(0, r, 0);
    const uint8_t* field = TheBlobField->Field + sBlobField::Size * r;
    const uint8_t* texture = EffectTexture + TextureWidth * r;
    uint8_t* d = screen.Pixels[0] + screen.Pitch[0] * (Y0 + r) + X0;
    for (int c = c0; c < c1; ++c) {
      const int m = mask[c];
      if (m == 64) {
        const int b = field[c];
        if (b == 0) {
          d[c] = 16;
        } else {
          int v = texture[c] / 2 + b - 50;
          v = v < 1 ? 1 : (v > 255 ? 255 : v);
          d[c] = static_cast<uint8_t>((192 * v) / 256 + 64);
        }
      } else if (m != 0) {
        d[c] = static_cast<uint8_t>(((d[c] % 32) * m) / 64);
      }
    }
  }
}

void sMaskedEffect::Skip(float) { TheBlobField->Render(Step); }

void sPaletteImage::Draw(sDisplay*, float) {
  if (std::fabs(static_cast<double>(Fade) - LastFade) <= 0.02) return;
  if (!EffectPalette) Fatal("sPaletteImage::Draw() no effect palette loaded");
  for (int i = EffectFirst; i < 256; ++i) {
    const uint8_t* file = EffectPalette + 3 * i;
    int rgb[3];
    for (int k = 0; k < 3; ++k) rgb[k] = static_cast<int>((file[k] - Target[k]) * Fade + Target[k]);
    SetScreenColor(i, rgb[0], rgb[1], rgb[2]);
  }
  PaletteChanged = 1;
  LastFade = Fade;
}
