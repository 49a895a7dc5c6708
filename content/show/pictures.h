// Every picture and raw file of the default show.
#pragma once
#include <string>
#include <vector>

#include "content/show/canvas.h"

namespace contentgen {

struct Entry {
  std::string name;            // pack name, e.g. "vo/v01_back.scl"
  bool image = true;           // an image file, or raw bytes
  Picture picture;             // when image
  std::vector<uint8_t> bytes;  // when raw
};

// The whole show's content, in pack order.
std::vector<Entry> BuildShow();
// The pictures and raw files of shows/ribbons.show, under "ribbons/".
std::vector<Entry> BuildRibbons();

Entry ImageEntry(const char* name, Picture p);
Entry RawEntry(const char* name, std::vector<uint8_t> bytes);
// Black ink on white paper, sized for the sprites' quarter-size drawing.
Picture TextSprite(const char* fontFile, int size, const std::string& text, int padX, int padY);

}  // namespace contentgen
