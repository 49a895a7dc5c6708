#include "framework/bitmap.h"
#include "framework/system/fatal.h"
#include "vo/layers.h"

sBitmap* LoadLayerImage(const char* name) {
  sBitmap* image = new sBitmap;
  image->Load(name);
  if (image->Kind != KindIndex8) {
    delete image;
    Assertion(MoveitAssertIndex8, "vo/moveit");
  }
  return image;
}
