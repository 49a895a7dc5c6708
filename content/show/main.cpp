// contentgen: writes the default show's pictures and raw files into a folder
// (image files through the project's image writer, and PNG previews), and a
// list of the pack entries for the pack tool.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "content/show/pictures.h"
#include "framework/bitmap.h"
#include "tools/common/png_io.h"
#include "tools/common/scl_writer.h"
#include "tools/common/whole_file.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: contentgen OUTDIR [--png]\n"
               "Writes every file of the default show under OUTDIR (vo/...) and\n"
               "those of shows/ribbons.show (ribbons/...), and\n"
               "OUTDIR/entries.txt: one line per pack entry, \"NAME PATH\".\n"
               "--png also writes a PNG preview beside each picture.\n");
  return 2;
}

void ToBitmap(const contentgen::Picture& p, sBitmap* b) {
  b->Create(p.w, p.h, KindIndex8, 1);
  for (int y = 0; y < p.h; ++y) std::memcpy(b->PixelAddress(0, y, 0), &p.px[size_t(y) * p.w], p.w);
  std::memcpy(b->Palette, p.palette.data(), 1024);
}

bool Fail(const std::string& what) {
  std::fprintf(stderr, "contentgen: %s\n", what.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argv[1][0] == '-') return Usage();
  bool png = false;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--png") == 0)
      png = true;
    else
      return Usage();
  }
  const std::filesystem::path out = argv[1];
  std::error_code ec;
  for (const char* folder : {"vo", "ribbons"}) {
    std::filesystem::create_directories(out / folder, ec);
    if (ec) return Fail("cannot create " + (out / folder).string()), 1;
  }

  // The default show's files, listed; then those of shows/ribbons.show.
  std::string list, error;
  std::vector<contentgen::Entry> entries = contentgen::BuildShow();
  const size_t listed = entries.size();
  for (contentgen::Entry& e : contentgen::BuildRibbons()) entries.push_back(std::move(e));
  for (size_t i = 0; i < entries.size(); ++i) {
    const contentgen::Entry& e = entries[i];
    const std::string path = (out / e.name).string();
    std::vector<uint8_t> bytes = e.bytes;
    if (e.image) {
      sBitmap bitmap;
      ToBitmap(e.picture, &bitmap);
      bytes.clear();
      if (!EncodeScl(bitmap, &bytes, &error)) return Fail(e.name + ": " + error), 1;
      if (png && !WritePng(path + ".png", bitmap, &error)) return Fail(e.name + ": " + error), 1;
    }
    if (!WriteWholeFile(path, bytes, &error)) return Fail(error), 1;
    if (i < listed) list += e.name + " " + path + "\n";
  }
  const std::vector<uint8_t> listBytes(list.begin(), list.end());
  if (!WriteWholeFile((out / "entries.txt").string(), listBytes, &error)) return Fail(error), 1;
  return 0;
}
