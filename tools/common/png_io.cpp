#include "tools/common/png_io.h"

#include <png.h>
#include <sys/stat.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/output/output_file.h"

namespace {

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};

void PngError(png_structp png, png_const_charp message) {
  auto* text = static_cast<std::string*>(png_get_error_ptr(png));
  *text = message;
  png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

// The reading itself. A libpng error jumps back here: no object with a
// destructor may live in this frame, so the buffers belong to the caller.
bool ReadRows(png_structp png, png_infop info, FILE* f, int64_t maxPixels, PngImage* image,
              std::vector<uint8_t>* pixels, std::vector<png_bytep>* rows, int* channels) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, f);
  png_set_sig_bytes(png, 8);
  png_read_info(png, info);
  png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
  int type = png_get_color_type(png, info);
  int depth = png_get_bit_depth(png, info);
  if (w > 0xFFFF || h > 0xFFFF) png_error(png, "image larger than 65535 pixels on a side");
  // Refused before anything of its size is allocated.
  if (int64_t{w} * h > maxPixels) png_error(png, "image too large");
  image->width = static_cast<int>(w);
  image->height = static_cast<int>(h);
  image->indexed = type == PNG_COLOR_TYPE_PALETTE;
  image->grey = (type & PNG_COLOR_MASK_COLOR) == 0;
  if (depth == 16) png_set_strip_16(png);
  if (image->indexed) {
    png_set_packing(png);
    png_colorp plte = nullptr;
    int count = 0;
    png_get_PLTE(png, info, &plte, &count);
    png_bytep alpha = nullptr;
    int alphaCount = 0;
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_get_tRNS(png, info, &alpha, &alphaCount, nullptr);
    for (int i = 0; i < count; ++i)
      image->palette.push_back({plte[i].red, plte[i].green, plte[i].blue,
                                static_cast<uint8_t>(i < alphaCount ? alpha[i] : 255)});
    *channels = 1;
  } else {
    if (image->grey && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (image->grey) png_set_gray_to_rgb(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    *channels = 4;
  }
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<size_t>(w) * *channels) png_error(png, "unexpected row layout");
  pixels->resize(static_cast<size_t>(w) * h * *channels);
  rows->resize(h);
  for (png_uint_32 y = 0; y < h; ++y) (*rows)[y] = pixels->data() + static_cast<size_t>(y) * w * *channels;
  png_read_image(png, rows->data());
  png_read_end(png, nullptr);
  return true;
}

}  // namespace

bool ReadPng(const std::string& path, PngImage* image, std::string* error, int64_t maxPixels) {
  const bool standardInput = path == "-";
  std::unique_ptr<FILE, FileCloser> opened(standardInput ? nullptr : std::fopen(path.c_str(), "rb"));
  FILE* f = standardInput ? stdin : opened.get();
  const std::string name = standardInput ? "standard input" : path;
  struct stat st;
  const int code = !f ? errno : ::fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode) ? EISDIR : 0;
  if (code) {
    *error = "cannot open " + name + ": " + std::strerror(code);
    return false;
  }
  uint8_t signature[8] = {};
  const size_t got = std::fread(signature, 1, 8, f);
  if (std::ferror(f)) {
    *error = "cannot read " + name + ": " + std::strerror(errno);
    return false;
  }
  if (got != 8 || png_sig_cmp(signature, 0, 8) != 0) {
    *error = name + " is not a PNG file";
    return false;
  }
  std::string message;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &message, PngError, PngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    *error = "out of memory";
    return false;
  }
  *image = PngImage();
  std::vector<uint8_t> pixels;
  std::vector<png_bytep> rows;
  int channels = 0;
  bool ok = ReadRows(png, info, f, maxPixels, image, &pixels, &rows, &channels);
  png_destroy_read_struct(&png, &info, nullptr);
  if (!ok) {
    *error = name + ": " + message;
    return false;
  }
  const size_t n = static_cast<size_t>(image->width) * image->height;
  image->rgba.resize(n);
  if (image->indexed) {
    image->indices = std::move(pixels);
    for (size_t i = 0; i < n; ++i) {
      uint8_t index = image->indices[i];
      if (index >= image->palette.size()) {
        *error = name + ": pixel index " + std::to_string(index) + " outside the palette";
        return false;
      }
      image->rgba[i] = image->palette[index];
    }
  } else {
    std::memcpy(image->rgba.data(), pixels.data(), n * 4);
  }
  return true;
}

namespace {

bool WriteRows(png_structp png, png_infop info, FILE* f, const sBitmap& b, const std::vector<uint8_t>& pixels,
               int channels) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, f);
  const bool indexed = channels == 1;
  png_set_IHDR(png, info, static_cast<png_uint_32>(b.Width), static_cast<png_uint_32>(b.Height), 8,
               indexed ? PNG_COLOR_TYPE_PALETTE : channels == 3 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGBA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_color plte[256];
  png_byte alpha[256];
  if (indexed) {
    int count = b.PaletteSize > 256 ? 256 : b.PaletteSize;
    int alphaCount = 0;
    for (int i = 0; i < count; ++i) {
      plte[i] = {b.Palette[i].r, b.Palette[i].g, b.Palette[i].b};
      alpha[i] = b.Palette[i].a;
      if (alpha[i] != 255) alphaCount = i + 1;
    }
    png_set_PLTE(png, info, plte, count);
    if (alphaCount) png_set_tRNS(png, info, alpha, alphaCount, nullptr);
  }
  png_write_info(png, info);
  for (int y = 0; y < b.Height; ++y)
    png_write_row(png, pixels.data() + static_cast<size_t>(y) * b.Width * channels);
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

bool WritePng(const std::string& path, const sBitmap& b, std::string* error) {
  if (b.Width < 1 || b.Height < 1 || !b.Pixels[0]) {
    *error = "empty bitmap";
    return false;
  }
  const bool indexed = b.Kind == KindMono || b.Kind == KindIndex4 || b.Kind == KindIndex8;
  if (indexed && (b.PaletteSize < 1 || !b.Palette)) {
    *error = "indexed bitmap without a palette";
    return false;
  }
  const bool alpha = b.Kind == Kind1555 || b.Kind == Kind4444 || b.Kind == Kind8888;
  const int channels = indexed ? 1 : alpha ? 4 : 3;
  std::vector<uint8_t> pixels;
  pixels.reserve(static_cast<size_t>(b.Width) * b.Height * channels);
  for (int y = 0; y < b.Height; ++y)
    for (int x = 0; x < b.Width; ++x) {
      uint32_t v = b.GetPixel(x, y, 0);
      if (indexed) {
        pixels.push_back(static_cast<uint8_t>(v & static_cast<uint32_t>(b.PaletteSize - 1)));
        continue;
      }
      sColor c{0, 0, 0, 255};
      b.IndexToColor(v, &c);
      pixels.insert(pixels.end(), {c.r, c.g, c.b});
      if (alpha) pixels.push_back(c.a);
    }

  platform::OutputFile out;
  if (!out.Open(path, error)) return false;
  std::string message;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &message, PngError, PngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool ok = info && WriteRows(png, info, out.Stream(), b, pixels, channels);
  png_destroy_write_struct(&png, &info);
  if (!ok) {
    *error = "cannot write " + path + (message.empty() ? "" : ": " + message);
    return false;
  }
  return out.Commit(error);
}
