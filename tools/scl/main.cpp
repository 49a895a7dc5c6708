// scl: image files to and from PNG, and what an image file holds.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "framework/bitmap.h"
#include "framework/system/fatal.h"
#include "tools/common/command_line.h"
#include "tools/common/image_convert.h"
#include "tools/common/png_io.h"
#include "tools/common/scl_writer.h"
#include "tools/common/tool_exit.h"
#include "tools/common/tool_input.h"
#include "tools/common/whole_file.h"

namespace {

const char* const Usage =
    "usage: scl to-scl IN.png OUT.scl [--kind index8|0565|0888] [--levels N]\n"
    "       scl to-png IN.scl OUT.png\n"
    "       scl info FILE.scl\n"
    "       scl --help | --version\n"
    "\n"
    "to-scl  makes an image file from a PNG. Index 8 (the default): a palette PNG\n"
    "        keeps its palette and indices, a grey PNG maps each grey to the same\n"
    "        entry of the grey palette, any other PNG is reduced to 256 colours.\n"
    "        0565 and 0888 keep the colours (0565 drops their low bits); alpha is\n"
    "        not stored by these kinds. --levels N (1..15) adds halved levels; the\n"
    "        size is then rounded up to a multiple of 2^(N-1) by repeating the\n"
    "        last column and row.\n"
    "to-png  writes level 0 of an image file as a PNG: indexed kinds as a palette\n"
    "        PNG, the others as RGB.\n"
    "info    checks an image file and prints its kind, size, levels and palette.\n"
    "\n"
    "A malformed image file is reported as the loader reports it: assertion line\n"
    "708 no \"BMAP\" tag, 728 a depth other than 1, 8, 16, 24, 735 a palette of\n"
    "more than 256 entries, 746 a level count outside 1..16 (58: 16 levels),\n"
    "754 rows wider than the image, 771 no \"bmap\" tag after the data.\n"
    "\n"
    "Any input may be - for the standard input and any output - for the standard\n"
    "output. An output is written whole or not at all: a failed run leaves no\n"
    "part of a file under its name. Pictures whose pixels (rounded up for the\n"
    "levels) take more than 64 MiB are refused, as the loader refuses them.\n";

// The path to load from ("-", a FIFO or a device are copied first); the
// loader's fatal errors then name the file.
std::string LoadableInput(const std::string& name) {
  std::string path, error;
  if (!SeekableInput(name, "BMAP", "an image file", int64_t{1} << 31, &path, &error)) Fail(error);
  static std::string label;
  label = "scl: " + (name == "-" ? std::string("standard input") : Printable(name));
  UseToolFatalHandler(label.c_str());
  return path;
}

int ToScl(const std::vector<std::string>& args, int kind, int levels) {
  if (args.size() != 2) BadUsage("to-scl takes IN.png and OUT.scl");
  const std::string shown = args[0] == "-" ? "standard input" : Printable(args[0]);
  std::string error;
  PngImage image;
  const int bits = KindBits[kind];
  if (!ReadPng(args[0], &image, &error, sBitmap::MaxLoadBytes * 8 / bits)) Fail(Printable(error));
  // The size rounded up for the levels must stay within what the loader takes.
  const int64_t align = int64_t{1} << (levels - 1);
  const int64_t w = (image.width + align - 1) / align * align, h = (image.height + align - 1) / align * align;
  if (w * h * bits / 8 > sBitmap::MaxLoadBytes)
    Fail(shown + ": image too large: " + std::to_string(image.width) + " x " + std::to_string(image.height) +
         " with " + std::to_string(levels) + " levels is " + std::to_string(w) + " x " + std::to_string(h) +
         ", more than the loader's " + std::to_string(sBitmap::MaxLoadBytes >> 20) + " MiB");
  sBitmap bitmap;
  std::vector<uint8_t> bytes;
  if (!PngToBitmap(image, kind, levels, &bitmap, &error) || !EncodeScl(bitmap, &bytes, &error) ||
      !WriteWholeFile(args[1], bytes, &error))
    Fail(Printable(error));
  return 0;
}

int ToPng(const std::vector<std::string>& args) {
  if (args.size() != 2) BadUsage("to-png takes IN.scl and OUT.png");
  const std::string path = LoadableInput(args[0]);
  sBitmap bitmap;
  bitmap.Load(path.c_str());
  std::string error;
  if (!WritePng(args[1], bitmap, &error)) Fail(Printable(error));
  return 0;
}

int Info(const std::vector<std::string>& args) {
  if (args.size() != 1) BadUsage("info takes one FILE.scl");
  const std::string path = LoadableInput(args[0]);
  sBitmap bitmap;
  bitmap.Load(path.c_str());  // any format error ends here

  // The header: tag, depth, flags, palette, sizes.
  std::vector<uint8_t> raw;
  std::string error;
  if (!ReadFileStart(path, 8 + 256 * 4 + 6, &raw, &error)) Fail(error);
  const int flags = raw[5];
  size_t at = 6;
  int paletteCount = -1;
  if (flags & 1) {
    paletteCount = raw[at] | raw[at + 1] << 8;
    at += 2 + static_cast<size_t>(paletteCount) * 4;
  }
  const std::string shown = args[0] == "-" ? "standard input" : Printable(args[0]);
  std::printf("%s: %s, %d x %d, %d level%s\n", shown.c_str(), KindNames[bitmap.Kind], bitmap.Width,
              bitmap.Height, bitmap.Levels, bitmap.Levels == 1 ? "" : "s");
  std::printf("  stored: depth %d, flags 0x%02X", raw[4], flags);
  if (flags & 2) {
    std::printf(", %d x %d, row bytes %d", raw[at] | raw[at + 1] << 8, raw[at + 2] | raw[at + 3] << 8,
                raw[at + 4] | raw[at + 5] << 8);
  } else {
    std::printf(", no image data");
  }
  std::printf("\n  palette: ");
  if (paletteCount >= 0)
    std::printf("%d entries stored of %d\n", paletteCount, bitmap.PaletteSize);
  else if (bitmap.PaletteSize)
    std::printf("%d entries, defaults\n", bitmap.PaletteSize);
  else
    std::printf("none\n");
  for (int l = 0; l < bitmap.Levels; ++l) {
    int w = bitmap.Width >> l < 1 ? 1 : bitmap.Width >> l, h = bitmap.Height >> l < 1 ? 1 : bitmap.Height >> l;
    std::printf("  level %d: %d x %d, pitch %d\n", l, w, h, bitmap.Pitch[l]);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  StartTool("scl");
  std::vector<std::string> args;
  int kind = KindIndex8, levels = 1;
  sCommandLine line(argc, argv);
  while (line.Next()) {
    if (line.Is("--kind")) {
      const std::string v = line.Value();
      if (v == "index8")
        kind = KindIndex8;
      else if (v == "0565")
        kind = Kind0565;
      else if (v == "0888")
        kind = Kind0888;
      else if (!line.Failed())
        line.Problem("unknown kind \"" + v + "\" (index8, 0565 or 0888)");
    } else if (line.Is("--levels")) {
      levels = static_cast<int>(line.Integer(1, 15));
    } else if (line.IsOperand()) {
      args.push_back(line.Text());
    } else {
      line.Unknown();
    }
  }
  line.Finish("scl", Usage);
  if (args.empty()) BadUsage("no command");
  const std::string command = args[0];
  args.erase(args.begin());
  if (command != "to-scl" && (kind != KindIndex8 || levels != 1)) BadUsage("--kind and --levels belong to to-scl");
  if (command == "to-scl") return ToScl(args, kind, levels);
  if (command == "to-png") return ToPng(args);
  if (command == "info") return Info(args);
  BadUsage("unknown command \"" + Printable(command) + "\"");
}
