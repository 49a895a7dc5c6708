// Text set with a real font (FreeType), as coverage on a grey canvas.
#pragma once
#include <string>

#include "content/show/canvas.h"

namespace contentgen {

class Font {
public:
  // Fails loudly (message, exit status 1) when the font cannot be loaded.
  Font(const std::string& path, int pixelSize);
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  // Width of the text's ink advance in pixels.
  int Measure(const std::string& text) const;
  int Ascender() const;
  int Descender() const;  // positive, below the baseline
  // Draws text with its baseline at y, blending toward `ink` by coverage.
  void Draw(Canvas& c, int x, int baseline, const std::string& text, float ink) const;

private:
  struct Impl;
  Impl* impl_;
};

// The folder holding the project's fonts (fonts-dejavu-core).
std::string FontPath(const char* file);

}  // namespace contentgen
