#include "content/show/font.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>
#include <cstdlib>

namespace contentgen {

struct Font::Impl {
  FT_Library lib = nullptr;
  FT_Face face = nullptr;
};

namespace {
[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "contentgen: %s\n", what.c_str());
  std::exit(1);
}
}  // namespace

std::string FontPath(const char* file) {
  const char* dir = std::getenv("TESS_FONT_DIR");
  return std::string(dir && *dir ? dir : "/usr/share/fonts/truetype/dejavu") + "/" + file;
}

Font::Font(const std::string& path, int pixelSize) : impl_(new Impl) {
  if (FT_Init_FreeType(&impl_->lib)) Fail("FreeType could not start");
  if (FT_New_Face(impl_->lib, path.c_str(), 0, &impl_->face)) Fail("cannot load font " + path);
  if (FT_Set_Pixel_Sizes(impl_->face, 0, pixelSize)) Fail("cannot size font " + path);
}

Font::~Font() {
  FT_Done_Face(impl_->face);
  FT_Done_FreeType(impl_->lib);
  delete impl_;
}

int Font::Ascender() const { return static_cast<int>(impl_->face->size->metrics.ascender >> 6); }
int Font::Descender() const { return static_cast<int>(-impl_->face->size->metrics.descender >> 6); }

int Font::Measure(const std::string& text) const {
  FT_Face face = impl_->face;
  long pen = 0;
  FT_UInt prev = 0;
  for (unsigned char ch : text) {
    const FT_UInt glyph = FT_Get_Char_Index(face, ch);
    if (prev && glyph && FT_HAS_KERNING(face)) {
      FT_Vector k;
      FT_Get_Kerning(face, prev, glyph, FT_KERNING_DEFAULT, &k);
      pen += k.x;
    }
    if (FT_Load_Glyph(face, glyph, FT_LOAD_DEFAULT)) continue;
    pen += face->glyph->advance.x;
    prev = glyph;
  }
  return static_cast<int>(pen >> 6);
}

void Font::Draw(Canvas& c, int x, int baseline, const std::string& text, float ink) const {
  FT_Face face = impl_->face;
  long pen = static_cast<long>(x) << 6;
  FT_UInt prev = 0;
  for (unsigned char ch : text) {
    const FT_UInt glyph = FT_Get_Char_Index(face, ch);
    if (prev && glyph && FT_HAS_KERNING(face)) {
      FT_Vector k;
      FT_Get_Kerning(face, prev, glyph, FT_KERNING_DEFAULT, &k);
      pen += k.x;
    }
    if (FT_Load_Glyph(face, glyph, FT_LOAD_RENDER)) continue;
    const FT_GlyphSlot g = face->glyph;
    const FT_Bitmap& bm = g->bitmap;
    const int gx = static_cast<int>(pen >> 6) + g->bitmap_left, gy = baseline - g->bitmap_top;
    for (unsigned row = 0; row < bm.rows; ++row) {
      for (unsigned col = 0; col < bm.width; ++col) {
        const int px = gx + static_cast<int>(col), py = gy + static_cast<int>(row);
        if (px < 0 || py < 0 || px >= c.w || py >= c.h) continue;
        const float a = bm.buffer[row * bm.pitch + col] / 255.0f;
        float& v = c.at(px, py);
        v = v + (ink - v) * a;
      }
    }
    pen += g->advance.x;
    prev = glyph;
  }
}

}  // namespace contentgen
