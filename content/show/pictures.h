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

}  // namespace contentgen
