// Rectangle tests and the blit-rectangle clipper shared by every copy.
#pragma once
#include "framework/rect.h"

bool Contains(const sRect& r, int x, int y);
// Clips the area in place against the clip rectangle and a source of
// srcW x srcH; false when nothing is left to draw. After clipping a negative
// source origin, w or h may be 0 or less: copies then draw nothing.
bool ClipBlit(sBlitRect* area, const sRect* clip, int srcW, int srcH);
