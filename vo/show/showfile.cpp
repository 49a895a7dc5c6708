#include "vo/show/showfile.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include <toml++/toml.h>

#include "vo/moveit.h"
#include "vo/show/showtext.h"

namespace {

// The show time stops at 2,147,483.75 ms; no key or window lies beyond it.
constexpr double LastTime = 2147484.0;

struct ShowError {
  sShowPlace place;
  std::string text;
};

sShowPlace PlaceOf(const toml::node& node) {
  const toml::source_position& p = node.source().begin;
  return sShowPlace{static_cast<int>(p.line), static_cast<int>(p.column)};
}

[[noreturn]] void Fail(const toml::node& node, const std::string& text) { throw ShowError{PlaceOf(node), text}; }

const char* TypeName(const toml::node& node) {
  switch (node.type()) {
    case toml::node_type::string: return "a string";
    case toml::node_type::integer: return "a whole number";
    case toml::node_type::floating_point: return "a number";
    case toml::node_type::boolean: return "true or false";
    case toml::node_type::array: return "a list";
    case toml::node_type::table: return "a table";
    default: return "a date or time";
  }
}

std::string Found(const toml::node& node) { return std::string(", found ") + TypeName(node); }

double Number(const toml::node& node, const std::string& what, double low, double high) {
  double v;
  if (const auto* i = node.as_integer())
    v = static_cast<double>(i->get());
  else if (const auto* f = node.as_floating_point())
    v = f->get();
  else
    Fail(node, "expected a number for " + what + Found(node));
  if (!std::isfinite(v) || v < low || v > high) {
    char range[96];
    std::snprintf(range, sizeof range, " from %g to %g", low, high);
    Fail(node, "expected a number for " + what + range);
  }
  return v;
}

int Whole(const toml::node& node, const std::string& what, int low, int high) {
  const auto* i = node.as_integer();
  if (!i || i->get() < low || i->get() > high)
    Fail(node, "expected a whole number from " + std::to_string(low) + " to " + std::to_string(high) + " for " +
                   what + (i ? "" : Found(node)));
  return static_cast<int>(i->get());
}

std::string Name(const toml::node& node, const std::string& what) {
  const auto* s = node.as_string();
  if (!s) Fail(node, "expected a file name in quotes for " + what + Found(node));
  const std::string& v = s->get();
  if (v.empty() || v.size() > 255 || v.find('\0') != std::string::npos)
    Fail(node, "expected a file name of 1 to 255 characters for " + what);
  return v;
}

const toml::array& List(const toml::node& node, const std::string& what, size_t low, size_t high,
                        const char* shape) {
  const auto* a = node.as_array();
  if (!a || a->size() < low || a->size() > high) Fail(node, "expected " + std::string(shape) + " for " + what +
                                                                (a ? "" : Found(node)));
  return *a;
}

struct LayerReader {
  const toml::table& table;
  sShowLayer& layer;
  const std::string what;  // "layer 3 (sprite)"

  bool IsField(const std::string& key, int* field) const {
    const std::vector<sFieldInfo>& fields = LayerFields(layer.Kind);
    for (size_t i = 0; i < fields.size(); ++i)
      if (key == fields[i].Name) {
        *field = static_cast<int>(i);
        return true;
      }
    return false;
  }

  // The keys this kind takes, for messages.
  std::string Expected() const {
    std::string list = "kind, name, channels, keys";
    for (const char* k : PictureKeys()) list += std::string(", ") + k;
    if (const char* r = RangeKey()) list += std::string(", ") + r;
    for (const sFieldInfo& f : LayerFields(layer.Kind)) list += std::string(", ") + f.Name;
    return list;
  }

  std::vector<const char*> PictureKeys() const {
    switch (layer.Kind) {
      case sLayerKind::Backdrop:
      case sLayerKind::Sprite:
      case sLayerKind::Wipe: return {"picture"};
      case sLayerKind::MaskedEffect: return {"mask", "blob", "texture", "palette"};
      default: return {};
    }
  }

  const char* RangeKey() const {
    if (layer.Kind == sLayerKind::Backdrop) return "remap";
    if (layer.Kind == sLayerKind::Wipe) return "runs";
    return nullptr;
  }

  void Picture(const std::string& key, const toml::node& node) {
    static const sPictureRole roles[] = {sPictureRole::Picture, sPictureRole::Mask, sPictureRole::Blob,
                                         sPictureRole::Texture, sPictureRole::Palette};
    static const char* const names[] = {"picture", "mask", "blob", "texture", "palette"};
    for (int i = 0; i < 5; ++i)
      if (key == names[i]) layer.Pictures.push_back({roles[i], Name(node, what + " " + key), PlaceOf(node)});
  }

  void Channels(const toml::node& node) {
    for (const toml::node& c : List(node, what + " channels", 0, 32, "a list of channel numbers"))
      layer.ChannelMask |= 1u << Whole(c, what + " channels", 0, sTimeline::Channels - 1);
  }

  void Range(const std::string& key, const toml::node& node) {
    const toml::array& a = List(node, what + " " + key, 2, 2, "[low, high] palette indices");
    layer.HasRange = true;
    layer.RangeLo = Whole(*a.get(0), what + " " + key, 0, 255);
    layer.RangeHi = Whole(*a.get(1), what + " " + key, 0, 255);
    if (layer.RangeLo > layer.RangeHi) Fail(node, "expected low <= high for " + what + " " + key);
  }

  void Setting(int field, const toml::node& node) {
    const sFieldInfo& f = LayerFields(layer.Kind)[field];
    const std::string name = what + " " + f.Name;
    if (f.Count == 1) {
      layer.Settings.push_back({field, 0, static_cast<float>(Number(node, name, f.Low, f.High))});
      return;
    }
    const std::string shape = "a list of " + std::to_string(f.Count) + " numbers";
    const toml::array& a = List(node, name, f.Count, f.Count, shape.c_str());
    for (int c = 0; c < f.Count; ++c)
      layer.Settings.push_back({field, c, static_cast<float>(Number(*a.get(c), name, f.Low, f.High))});
  }

  // keys.FIELD = [[time, value...], ...]: one track per component.
  void Keys(const toml::node& node) {
    const auto* keys = node.as_table();
    if (!keys) Fail(node, "expected a table of fields and their keys for " + what + " keys" + Found(node));
    for (const auto& [key, value] : *keys) {
      int field;
      const std::string fieldName(key.str());
      if (!IsField(fieldName, &field))
        Fail(value, "unknown field \"" + fieldName + "\" in " + what + " keys (expected " + FieldList() + ")");
      const sFieldInfo& f = LayerFields(layer.Kind)[field];
      const std::string name = what + " keys." + fieldName;
      const std::string shape = "a list of 1 to " + std::to_string(sTrack::MaxKeys) + " keys";
      const toml::array& list = List(value, name, 1, sTrack::MaxKeys, shape.c_str());
      const size_t first = layer.Tracks.size();
      for (int c = 0; c < f.Count; ++c) layer.Tracks.push_back({field, c, {}});
      float last = -1.0f;
      for (const toml::node& k : list) {
        const std::string row = "[time, " + std::string(f.Count == 1 ? "value" : std::to_string(f.Count) + " values") +
                                "]";
        const toml::array& a = List(k, name, f.Count + 1, f.Count + 1, row.c_str());
        const float time = static_cast<float>(Number(*a.get(0), name + " time (ms)", 0, LastTime));
        if (time < last) Fail(k, "expected the keys of " + name + " in time order (this one goes back)");
        last = time;
        for (int c = 0; c < f.Count; ++c)
          layer.Tracks[first + c].Keys.push_back({time, static_cast<float>(Number(*a.get(c + 1), name, f.Low, f.High))});
      }
      for (size_t t = first; t < layer.Tracks.size(); ++t) Bounded(layer.Tracks[t], value, name);
    }
  }

  // The curves through the keys overshoot them; they must stay usable too.
  void Bounded(const sShowTrack& track, const toml::node& node, const std::string& name) const {
    const sFieldInfo& f = LayerFields(layer.Kind)[track.Field];
    sKey keys[sTrack::MaxKeys];
    sTrack t{};
    t.KeyCount = static_cast<int>(track.Keys.size());
    for (int i = 0; i < t.KeyCount; ++i) {
      keys[i] = sKey{track.Keys[i].Time, track.Keys[i].Value, 0, 0, 0, 0, 0, 0};
      t.Keys[i] = &keys[i];
    }
    t.Setup();
    for (int i = 0; i < t.Segments; ++i) {
      const sKey& k = keys[i];
      if (!(CurveReach(k) <= std::max(std::fabs(f.Low), std::fabs(f.High)))) {
        char text[200];
        std::snprintf(text, sizeof text, "the curve of %s swings out of range between %g and %g ms; "
                      "keys much closer in time than their neighbours make steep curves", name.c_str(), k.T0, k.T1);
        Fail(node, text);
      }
    }
  }

  // The largest magnitude of a segment's cubic for s in [0, 1]: at an end or
  // where its slope 3 a3 s^2 + 2 a2 s + a1 is 0.
  static double CurveReach(const sKey& k) {
    auto at = [&](double s) { return std::fabs(((k.A3 * s + k.A2) * s + k.A1) * s + k.A0); };
    double reach = std::max(at(0), at(1));
    const double a = 3.0 * k.A3, b = 2.0 * k.A2, c = k.A1;
    std::vector<double> roots;
    if (a == 0) {
      if (b != 0) roots.push_back(-c / b);
    } else if (b * b - 4 * a * c >= 0) {
      const double d = std::sqrt(b * b - 4 * a * c);
      roots.push_back((-b + d) / (2 * a));
      roots.push_back((-b - d) / (2 * a));
    }
    for (double s : roots)
      if (s > 0 && s < 1) reach = std::max(reach, at(s));
    return reach;
  }

  std::string FieldList() const {
    std::string list;
    for (const sFieldInfo& f : LayerFields(layer.Kind)) list += (list.empty() ? "" : ", ") + std::string(f.Name);
    return list.empty() ? "none: this kind has no fields" : list;
  }

  void Read() {
    for (const auto& [key, value] : table) {
      const std::string k(key.str());
      int field;
      if (k == "kind") continue;
      if (k == "name")
        layer.Label = Name(value, what + " name");
      else if (k == "channels")
        Channels(value);
      else if (k == "keys")
        Keys(value);
      else if (RangeKey() && k == RangeKey())
        Range(k, value);
      else if (IsField(k, &field))
        Setting(field, value);
      else {
        bool picture = false;
        for (const char* p : PictureKeys()) picture |= k == p;
        if (!picture) Fail(value, "unknown key \"" + k + "\" in " + what + " (expected " + Expected() + ")");
        Picture(k, value);
      }
    }
    // Listed in the order the layer loads them.
    std::stable_sort(layer.Pictures.begin(), layer.Pictures.end(),
                     [](const sShowPicture& a, const sShowPicture& b) { return a.Role < b.Role; });
    for (const char* p : PictureKeys()) {
      bool found = false;
      for (const auto& [key, value] : table) found |= key.str() == p;
      if (!found) Fail(table, what + " needs " + p + " = \"FILE\"");
    }
  }
};

void ReadLayer(const toml::node& node, sShow& show) {
  const int index = static_cast<int>(show.Layers.size());
  const auto* table = node.as_table();
  if (!table) Fail(node, "expected [[layer]] tables" + Found(node));
  const toml::node* kind = table->get("kind");
  if (!kind) Fail(node, "layer " + std::to_string(index) + " needs kind = \"backdrop\", \"palette-ramp\", "
                        "\"shade-rect\", \"sprite\", \"wipe\", \"masked-effect\" or \"palette-image\"");
  sShowLayer layer;
  layer.Place = PlaceOf(node);
  const auto* name = kind->as_string();
  if (!name || !LayerKindByName(name->get(), &layer.Kind))
    Fail(*kind, "expected \"backdrop\", \"palette-ramp\", \"shade-rect\", \"sprite\", \"wipe\", \"masked-effect\" "
                "or \"palette-image\" for the kind of layer " + std::to_string(index));
  if (const toml::node* label = table->get("name")) layer.Label = Name(*label, "a layer name");
  show.Layers.push_back(layer);
  LayerReader reader{*table, show.Layers.back(), DescribeLayer(show, index)};
  reader.Read();
}

void ReadChannels(const toml::node& node, sShow& show) {
  const auto* table = node.as_table();
  if (!table) Fail(node, "expected a table of channel windows, like 1 = [2000, 17300]" + Found(node));
  for (const auto& [key, value] : *table) {
    const std::string k(key.str());
    int channel = -1;
    if (!k.empty() && k.size() <= 2 && k.find_first_not_of("0123456789") == std::string::npos) channel = std::stoi(k);
    if (channel < 0 || channel >= sTimeline::Channels)
      Fail(value, "expected a channel number from 0 to 31 instead of \"" + k + "\"");
    const std::string what = "channel " + k;
    const toml::array& a = List(value, what, 2, 2, "[start, end] in ms");
    const float start = static_cast<float>(Number(*a.get(0), what + " start (ms)", 0, LastTime));
    const float end = static_cast<float>(Number(*a.get(1), what + " end (ms)", 0, LastTime));
    if (!(start < end)) Fail(value, "expected a start before the end for " + what);
    show.Channels.push_back({channel, start, end});
  }
}

void CheckCapacities(const toml::node& root, sShow& show) {
  size_t tracks = 0, keys = 0;
  int effects = 0;
  for (const sShowLayer& l : show.Layers) {
    tracks += l.Tracks.size();
    for (const sShowTrack& t : l.Tracks) keys += t.Keys.size();
    effects += l.Kind == sLayerKind::MaskedEffect;
  }
  if (tracks > sTimeline::MaxTracks)
    Fail(root, "the show animates " + std::to_string(tracks) + " values; at most 64 can have keys");
  if (keys > sTimeline::MaxKeys) Fail(root, "the show has " + std::to_string(keys) + " keys; at most 1024 fit");
  for (size_t i = 0; i < show.Layers.size(); ++i) {
    const sShowLayer& l = show.Layers[i];
    const toml::node& at = *root.as_table()->get("layer")->as_array()->get(i);
    int w = 0, h = 0;
    if (l.Kind == sLayerKind::MaskedEffect) l.EffectSize(&w, &h);
    if (w > 352 || h > 352)
      Fail(at, DescribeLayer(show, static_cast<int>(i)) + " reaches " + std::to_string(w) + " x " +
                   std::to_string(h) + " pixels; the effect covers at most 352 x 352");
    if (l.Kind == sLayerKind::MaskedEffect && effects > 1)
      Fail(at, DescribeLayer(show, static_cast<int>(i)) + ": a show has at most one masked effect (they share "
               "their pictures)");
    if (l.Kind == sLayerKind::PaletteImage && effects == 0)
      Fail(at, DescribeLayer(show, static_cast<int>(i)) + " takes its colours from the masked effect's palette: "
               "the show needs a masked-effect layer");
  }
}

void ReadRoot(const toml::table& root, sShow& show) {
  for (const auto& [key, value] : root) {
    const std::string k(key.str());
    if (k == "pack")
      show.Pack = Name(value, "pack");
    else if (k == "soundtrack")
      show.Soundtrack = Name(value, "soundtrack");
    else if (k == "channels")
      ReadChannels(value, show);
    else if (k == "layer") {
      const auto* layers = value.as_array();
      if (!layers || !layers->is_array_of_tables()) Fail(value, "expected [[layer]] tables" + Found(value));
      if (layers->size() > sTimeline::MaxLayers)
        Fail(*layers->get(sTimeline::MaxLayers), "a show has at most 64 layers");
      for (const toml::node& l : *layers) ReadLayer(l, show);
    } else {
      Fail(value, "unknown key \"" + k + "\" (expected pack, soundtrack, [channels] or [[layer]])");
    }
  }
  if (show.Layers.empty()) Fail(root, "the show has no [[layer]]");
  CheckCapacities(root, show);
}

// Dots, brackets and braces outside strings and comments: each may open one
// more level of tables or lists, which the parser builds and frees by
// recursion. A show file has a few thousand at most.
size_t NestingMarks(const std::string& text) {
  size_t marks = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '#') {
      while (i < text.size() && text[i] != '\n') ++i;
    } else if (c == '"' || c == '\'') {
      const bool triple = text.compare(i, 3, std::string(3, c)) == 0;
      const std::string end = triple ? std::string(3, c) : std::string(1, c);
      for (i += end.size(); i < text.size() && text.compare(i, end.size(), end) != 0; ++i)
        if (c == '"' && text[i] == '\\') ++i;
      i += end.size() - 1;
    } else if (c == '.' || c == '[' || c == '{') {
      ++marks;
    }
  }
  return marks;
}

}  // namespace

bool ParseShow(const std::string& text, const std::string& file, sShow* show, std::string* error) {
  *show = sShow();
  show->File = file;
  auto say = [&](const sShowPlace& p, const std::string& what) {
    *error = file + ":" + std::to_string(p.Line) + ":" + std::to_string(p.Column) + ": " + what;
    return false;
  };
  if (text.size() > MaxShowFileBytes) return say({1, 1}, "larger than 1 MiB; a show file is far smaller");
  if (NestingMarks(text) > MaxShowNesting)
    return say({1, 1}, "more than " + std::to_string(MaxShowNesting) +
                           " dots, brackets and braces; a show file nests far less deep");
  std::string ascii, what;
  std::vector<sTextWidening> widenings;
  if (sShowPlace p; !ShowTextToAscii(text, &ascii, &widenings, &p, &what)) return say(p, what);
  // Places the parser gives are in the ASCII text.
  const auto place = [&](sShowPlace p) { return ShowFilePlace(widenings, p); };
  toml::table root;
  try {
    root = toml::parse(ascii, file);
  } catch (const toml::parse_error& e) {
    const toml::source_position& p = e.source().begin;
    return say(place({static_cast<int>(p.line), static_cast<int>(p.column)}), std::string(e.description()));
  }
  try {
    ReadRoot(root, *show);
  } catch (const ShowError& e) {
    return say(e.place.Line ? place(e.place) : sShowPlace{1, 1}, e.text);
  }
  for (sShowLayer& l : show->Layers) {
    l.Place = place(l.Place);
    for (sShowPicture& p : l.Pictures) p.Place = place(p.Place);
  }
  return true;
}

bool ReadShowFile(const std::string& path, sShow* show, std::string* error) {
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::exists(status)) {
    *error = path + ": no such file";
    return false;
  }
  if (!std::filesystem::is_regular_file(status)) {
    *error = path + ": not a file";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  std::string text(MaxShowFileBytes + 1, '\0');
  in.read(&text[0], static_cast<std::streamsize>(text.size()));
  if (in.bad()) {
    *error = path + ": cannot be read";
    return false;
  }
  text.resize(static_cast<size_t>(in.gcount()));
  return ParseShow(text, path, show, error);
}
