#include <cmath>

#include "vo/layers.h"
#include "vo/palette.h"

void sPaletteRamp::Draw(sDisplay*, float) {
  // A slow fade rewrites the palette in steps of a little over 0.02.
  if (std::fabs(static_cast<double>(Fade) - LastFade) <= 0.02) return;
  const int end = static_cast<int>(To + 1.0);
  for (int i = static_cast<int>(From); i < end; ++i) {
    if (i < 0 || i > 255) continue;
    // A one-entry ramp (From == To) takes colour A rather than dividing by zero.
    const float u = To != From ? (i - From) / (To - From) : 0.0f;
    int rgb[3];
    for (int k = 0; k < 3; ++k) {
      const float c = A[k] + (B[k] - A[k]) * u;
      rgb[k] = static_cast<int>((c - Target[k]) * Fade + Target[k]);
    }
    SetScreenColor(i, rgb[0], rgb[1], rgb[2]);
  }
  PaletteChanged = 1;
  LastFade = Fade;
}
