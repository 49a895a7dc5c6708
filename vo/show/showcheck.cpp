#include "vo/show/showcheck.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "framework/bitmap_kinds.h"
#include "vo/effect.h"
#include "vo/layers.h"

namespace fs = std::filesystem;

namespace {

std::string Fold(const std::string& name) {
  std::string folded = name;
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c == '\\') c = '/';
  }
  return folded;
}

uint32_t Word(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

// Image files: "BMAP", depth, flags, [count, palette], [w, h, row bytes,
// [levels]], rows, "bmap". The same limits as the loader, without its
// assertions; `found` gets kind and size once they are known.
std::string ProbeImage(const sShowData& data, const std::string& name, int64_t size, std::string* found,
                       int* kind, int* width, int* height) {
  const std::vector<uint8_t> head = data.Read(name, 0, 4 + 2 + 2 + 1024 + 7);
  size_t at = 0;
  auto has = [&](size_t n) { return at + n <= head.size(); };
  auto u8 = [&] { return head[at++]; };
  auto u16 = [&] {
    const int v = head[at] | head[at + 1] << 8;
    at += 2;
    return v;
  };
  if (!has(6) || std::string(head.begin(), head.begin() + 4) != "BMAP") return "is not an image file (no BMAP tag)";
  at = 4;
  const int depth = u8(), flags = u8();
  switch (depth) {
    case 1: *kind = KindMono; break;
    case 8: *kind = KindIndex8; break;
    case 16: *kind = Kind0565; break;
    case 24: *kind = Kind0888; break;
    default: return "has a depth of " + std::to_string(depth) + " bits (images have 1, 8, 16 or 24)";
  }
  if (flags & 1) {
    *kind = KindIndex8;
    if (!has(2)) return "is cut short in its palette";
    const int count = u16();
    if (count > 256) return "has a palette of " + std::to_string(count) + " colours (at most 256)";
    at += static_cast<size_t>(count) * 4;
  }
  int w = 1, h = 1, rowBytes = 0, levels = 1;
  if (flags & 2) {
    if (!has(6)) return "is cut short in its header";
    w = u16();
    h = u16();
    rowBytes = u16();
    if (flags & 4) {
      if (!has(1)) return "is cut short in its header";
      levels = u8();
      if (levels < 1 || levels > 15) return "has " + std::to_string(levels) + " levels (1 to 15)";
    }
    if (w < 1 || h < 1) return "is " + std::to_string(w) + " x " + std::to_string(h) + " pixels (empty)";
  }
  // The loader rounds the size up to whole blocks of 2^(levels - 1).
  const int align = 1 << (levels - 1);
  *width = (w + align - 1) / align * align;
  *height = (h + align - 1) / align * align;
  *found = std::string(KindNames[*kind]) + ", " + std::to_string(*width) + " x " + std::to_string(*height);
  if (int64_t{*width} * *height * KindBits[*kind] / 8 > (int64_t{64} << 20)) return "is too large (over 64 MiB)";
  int64_t end = static_cast<int64_t>(at);
  if (flags & 2) {
    int lw = *width;
    for (int l = 0; l < levels; ++l) {
      const int64_t pitch = (int64_t{lw} * KindBits[*kind] + 127) / 128 * 16;
      if ((rowBytes >> l) > pitch) return "has rows longer than its width";
      end += int64_t{h >> l} * (rowBytes >> l);
      lw = std::max(1, lw / 2);
    }
  }
  if (end + 4 > size) return "is cut short (its pixel rows run past its end)";
  const std::vector<uint8_t> tail = data.Read(name, end, 4);
  if (std::string(tail.begin(), tail.end()) != "bmap") return "does not end with the bmap tag";
  return "";
}

std::string Quantity(int64_t n, const char* unit) { return std::to_string(n) + " " + unit; }

}  // namespace

bool sShowData::OpenPack(const std::string& path, std::string* error) {
  pack_ = true;
  path_ = path;
  entries_.clear();
  std::error_code ec;
  const int64_t total = fs::is_regular_file(path, ec) ? static_cast<int64_t>(fs::file_size(path, ec)) : -1;
  std::ifstream in(path, std::ios::binary);
  if (total < 0 || ec || !in) {
    const int reason = errno;
    *error = path + (!fs::exists(path, ec) ? ": no such pack file"
                     : total < 0          ? ": not a file"
                                          : ": " + std::string(std::strerror(reason)));
    return false;
  }
  uint8_t head[16];
  if (!in.read(reinterpret_cast<char*>(head), 16) || std::string(head, head + 4) != "PACK") {
    *error = path + ": not a pack file (no PACK tag)";
    return false;
  }
  packBytes_ = total;
  const int64_t count = static_cast<int32_t>(Word(head + 12));
  // Each entry takes at least 9 bytes: the count cannot exceed what the file holds.
  if (count < 0 || 16 + count * 9 + 4 > total) {
    *error = path + ": not a pack file (its directory does not fit)";
    return false;
  }
  for (int64_t i = 0; i < count; ++i) {
    uint8_t words[8];
    std::string name;
    if (!in.read(reinterpret_cast<char*>(words), 8) || !std::getline(in, name, '\0')) break;
    // The reader keeps the first 63 characters of a name.
    entries_.push_back({Fold(name.substr(0, 63)), static_cast<int32_t>(Word(words + 4)),
                        static_cast<int32_t>(Word(words))});
  }
  char tail[4] = {};
  if (static_cast<int64_t>(entries_.size()) != count || !in.read(tail, 4) || std::string(tail, 4) != "pack") {
    *error = path + ": not a pack file (its directory is damaged)";
    return false;
  }
  return true;
}

void sShowData::OpenFolder(const std::string& path) {
  pack_ = false;
  path_ = path;
  entries_.clear();
}

std::string sShowData::Where() const { return (pack_ ? "the pack " : "the folder ") + path_; }

std::string sShowData::Folder() const { return pack_ ? fs::path(path_).parent_path().string() : path_; }

const sShowData::Entry* sShowData::Find(const std::string& name) const {
  const std::string folded = Fold(name);
  for (const Entry& e : entries_)
    if (e.name == folded) return &e;
  return nullptr;
}

int64_t sShowData::Size(const std::string& name) const {
  if (pack_) {
    const Entry* e = Find(name);
    return e && e->offset >= 0 && e->size >= 0 ? e->size : -1;
  }
  std::error_code ec;
  const fs::path p = fs::path(path_) / name;
  if (!fs::is_regular_file(p, ec)) return -1;
  const auto size = fs::file_size(p, ec);
  return ec ? -1 : static_cast<int64_t>(size);
}

bool sShowData::Whole(const std::string& name) const {
  const Entry* e = pack_ ? Find(name) : nullptr;
  return !e || e->offset + e->size <= packBytes_;
}

std::vector<uint8_t> sShowData::Read(const std::string& name, int64_t offset, size_t count) const {
  std::vector<uint8_t> bytes;
  const int64_t size = Size(name);
  if (size < 0 || offset < 0 || offset >= size) return bytes;
  count = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(count), size - offset));
  std::ifstream in(pack_ ? fs::path(path_) : fs::path(path_) / name, std::ios::binary);
  in.seekg(pack_ ? Find(name)->offset + offset : offset);
  bytes.resize(count);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count));
  bytes.resize(static_cast<size_t>(std::max<std::streamsize>(0, in.gcount())));
  return bytes;
}

std::string DescribeNeed(const sNeed& n) {
  if (!n.Image) {
    if (!n.RowBytes) return "raw, at least " + Quantity(n.MinBytes, "bytes");
    return "raw, at least " + std::to_string(n.MinRows) + " rows of " + Quantity(n.RowBytes, "bytes");
  }
  std::string text = "Index 8 picture";
  if (n.MaxWidth < 65535) text += ", at most " + std::to_string(n.MaxWidth) + " x " + std::to_string(n.MaxHeight);
  if (n.MinWidth > 1 || n.MinHeight > 1)
    text += ", at least " + std::to_string(n.MinWidth) + " x " + std::to_string(n.MinHeight);
  return text;
}

std::vector<sNeed> ShowNeeds(const sShow& show) {
  std::vector<sNeed> needs;
  for (size_t i = 0; i < show.Layers.size(); ++i) {
    const sShowLayer& l = show.Layers[i];
    int w = 0, h = 0;
    if (l.Kind == sLayerKind::MaskedEffect) l.EffectSize(&w, &h);
    for (const sShowPicture& p : l.Pictures) {
      sNeed n;
      n.Name = p.Name;
      n.Role = p.Role;
      n.Layer = DescribeLayer(show, static_cast<int>(i));
      if (!show.File.empty())
        n.Layer += " at " + show.File + ":" + std::to_string(p.Place.Line) + ":" + std::to_string(p.Place.Column);
      n.Place = p.Place;
      switch (p.Role) {
        case sPictureRole::Picture:
          // A backdrop is blitted whole from the screen's corner; the wipe's
          // tables reach 511 pixels.
          if (l.Kind == sLayerKind::Backdrop) n.MaxWidth = 640, n.MaxHeight = 480;
          if (l.Kind == sLayerKind::Wipe) n.MaxWidth = n.MaxHeight = sWipe::TableSize - 1;
          break;
        case sPictureRole::Mask:
          n.MinWidth = std::max(1, w);
          n.MinHeight = std::max(1, h);
          break;
        case sPictureRole::Blob:
          n.Image = false;
          n.MinBytes = 64 * 64;
          break;
        case sPictureRole::Texture:
          n.Image = false;
          n.RowBytes = sMaskedEffect::TextureWidth;
          n.MinRows = std::max(1, h);
          n.MinBytes = n.RowBytes * n.MinRows;
          break;
        case sPictureRole::Palette:
          n.Image = false;
          n.MinBytes = 768;
          break;
      }
      needs.push_back(n);
    }
  }
  return needs;
}

sNeedState CheckNeed(const sShowData& data, const sNeed& need) {
  sNeedState state;
  const int64_t size = data.Size(need.Name);
  state.Present = size >= 0;
  if (!state.Present) {
    state.Problem = "missing";
    return state;
  }
  if (!data.Whole(need.Name)) {
    state.Found = Quantity(size, "bytes");
    state.Problem = "runs past the end of the pack";
    return state;
  }
  if (!need.Image) {
    state.Found = Quantity(size, "bytes");
    if (size < need.MinBytes)
      state.Problem = "holds " + state.Found + "; it must hold at least " + Quantity(need.MinBytes, "bytes") +
                      (need.RowBytes ? " (" + std::to_string(need.MinRows) + " rows of " + std::to_string(need.RowBytes) + ")" : "");
    return state;
  }
  int kind = 0, w = 0, h = 0;
  state.Problem = ProbeImage(data, need.Name, size, &state.Found, &kind, &w, &h);
  if (!state.Problem.empty()) return state;
  if (kind != KindIndex8)
    state.Problem = "is a " + std::string(KindNames[kind]) + " picture; it must be an Index 8 picture";
  else if (w > need.MaxWidth || h > need.MaxHeight)
    state.Problem = "is " + std::to_string(w) + " x " + std::to_string(h) + "; it must be at most " +
                    std::to_string(need.MaxWidth) + " x " + std::to_string(need.MaxHeight);
  else if (w < need.MinWidth || h < need.MinHeight)
    state.Problem = "is " + std::to_string(w) + " x " + std::to_string(h) + "; it must be at least " +
                    std::to_string(need.MinWidth) + " x " + std::to_string(need.MinHeight);
  return state;
}

std::string FirstProblem(const sShowData& data, const std::vector<sNeed>& needs) {
  for (const sNeed& n : needs) {
    const sNeedState s = CheckNeed(data, n);
    if (s.Problem.empty()) continue;
    if (!s.Present) return n.Name + ": not in " + data.Where() + " (" + n.Layer + " needs it)";
    return n.Name + " in " + data.Where() + " " + s.Problem + " (" + n.Layer + " needs " + DescribeNeed(n) + ")";
  }
  return "";
}
