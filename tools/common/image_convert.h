// Pictures from PNG into bitmaps of a chosen kind, with optional levels.
#pragma once
#include <string>
#include <vector>

#include "framework/bitmap.h"
#include "tools/common/png_io.h"

// At most 256 colours, chosen by median cut when the picture has more;
// an exact palette (in order of first use) when it has no more than 256.
std::vector<sColor> QuantisePalette(const std::vector<sColor>& pixels);

// Index of the nearest palette entry: sum of channel distances, alpha
// breaking ties, the lowest index among equals.
int NearestEntry(const std::vector<sColor>& palette, const sColor& c);

// kind: KindIndex8, Kind0565 or Kind0888; levels 1..15.
// Index 8: a palette PNG keeps its indices and palette; a grey picture maps
// each grey to the equal entry of the grey palette; any other picture is
// quantised. The size is rounded up as sBitmap::Create does, by repeating the
// last column and row. Each further level is made from the one above: the
// mean colour of each 2 x 2 block for the direct kinds, the most frequent
// index of the block for Index 8 (averaging would invent indices).
bool PngToBitmap(const PngImage& image, int kind, int levels, sBitmap* out, std::string* error);
