#include "vo/show/show.h"

#include <algorithm>

#include "vo/backdrop.h"
#include "vo/effect.h"
#include "vo/layers.h"
#include "vo/moveit.h"

namespace {

const char* const LayerKindNames[LayerKindCount] = {"backdrop", "palette-ramp", "shade-rect", "sprite",
                                               "wipe",     "masked-effect", "palette-image"};

// Coordinates and colours may lie well off the screen, but not so far that
// the layers' integer arithmetic overflows.
constexpr float Far = 100000.0f;

template <typename T, float T::*Member>
float* At(sLayer* layer) {
  return &(static_cast<T*>(layer)->*Member);
}
template <typename T, float (T::*Member)[3]>
float* Colour(sLayer* layer) {
  return static_cast<T*>(layer)->*Member;
}

const std::vector<sFieldInfo> NoFields;

const std::vector<sFieldInfo>& Fields(sLayerKind kind) {
  static const std::vector<sFieldInfo> ramp = {
      {"fade", 1, At<sPaletteRamp, &sPaletteRamp::Fade>, -Far, Far, {1}},
      {"from", 1, At<sPaletteRamp, &sPaletteRamp::From>, -Far, Far, {0}},
      {"to", 1, At<sPaletteRamp, &sPaletteRamp::To>, -Far, Far, {16}},
      {"from_colour", 3, Colour<sPaletteRamp, &sPaletteRamp::A>, -Far, Far, {0, 0, 0}},
      {"to_colour", 3, Colour<sPaletteRamp, &sPaletteRamp::B>, -Far, Far, {255, 255, 255}},
      {"target", 3, Colour<sPaletteRamp, &sPaletteRamp::Target>, -Far, Far, {0, 0, 0}}};
  static const std::vector<sFieldInfo> rect = {{"x0", 1, At<sShadeRect, &sShadeRect::x0>, -Far, Far, {0}},
                                                {"y0", 1, At<sShadeRect, &sShadeRect::y0>, -Far, Far, {0}},
                                                {"x1", 1, At<sShadeRect, &sShadeRect::x1>, -Far, Far, {640}},
                                                {"y1", 1, At<sShadeRect, &sShadeRect::y1>, -Far, Far, {480}}};
  static const std::vector<sFieldInfo> sprite = {
      {"x", 1, At<sSprite, &sSprite::x>, -Far, Far, {320}},
      {"y", 1, At<sSprite, &sSprite::y>, -Far, Far, {240}},
      {"clip", 4, [](sLayer* l) { return static_cast<sSprite*>(l)->Clip; }, -Far, Far, {0, 0, 640, 480}}};
  // The wipe's threshold is (1 - progress) x 65536 in an int.
  static const std::vector<sFieldInfo> wipe = {{"x", 1, At<sWipe, &sWipe::x>, -Far, Far, {320}},
                                                {"y", 1, At<sWipe, &sWipe::y>, -Far, Far, {240}},
                                                {"progress", 1, At<sWipe, &sWipe::Progress>, -1000, 1000, {1}}};
  static const std::vector<sFieldInfo> effect = {
      {"x0", 1, At<sMaskedEffect, &sMaskedEffect::x0>, -Far, Far, {100}},
      {"y0", 1, At<sMaskedEffect, &sMaskedEffect::y0>, -Far, Far, {100}},
      {"x1", 1, At<sMaskedEffect, &sMaskedEffect::x1>, -Far, Far, {200}},
      {"y1", 1, At<sMaskedEffect, &sMaskedEffect::y1>, -Far, Far, {200}},
      {"progress", 1, At<sMaskedEffect, &sMaskedEffect::Progress>, -1000, 1000, {1}}};
  static const std::vector<sFieldInfo> image = {
      {"fade", 1, At<sPaletteImage, &sPaletteImage::Fade>, -Far, Far, {1}},
      {"target", 3, Colour<sPaletteImage, &sPaletteImage::Target>, -Far, Far, {0, 0, 0}}};
  switch (kind) {
    case sLayerKind::PaletteRamp: return ramp;
    case sLayerKind::ShadeRect: return rect;
    case sLayerKind::Sprite: return sprite;
    case sLayerKind::Wipe: return wipe;
    case sLayerKind::MaskedEffect: return effect;
    case sLayerKind::PaletteImage: return image;
    case sLayerKind::Backdrop: break;
  }
  return NoFields;
}

sLayer* NewLayer(const sShowLayer& l) {
  switch (l.Kind) {
    case sLayerKind::Backdrop: return new sBackdrop;
    case sLayerKind::PaletteRamp: return new sPaletteRamp;
    case sLayerKind::ShadeRect: return new sShadeRect;
    case sLayerKind::Sprite: return new sSprite;
    case sLayerKind::Wipe: return new sWipe;
    case sLayerKind::MaskedEffect:
      return new sMaskedEffect(l.PictureFor(sPictureRole::Mask).c_str(), l.PictureFor(sPictureRole::Blob).c_str(),
                               l.PictureFor(sPictureRole::Texture).c_str(),
                               l.PictureFor(sPictureRole::Palette).c_str());
    case sLayerKind::PaletteImage: return new sPaletteImage;
  }
  return nullptr;
}

// Loads the layer's picture and applies its set-up, as the script does.
void LoadPicture(sLayer* layer, const sShowLayer& l) {
  const char* name = l.PictureFor(sPictureRole::Picture).c_str();
  if (l.Kind == sLayerKind::Backdrop) {
    auto* b = static_cast<sBackdrop*>(layer);
    b->LoadImage(name);
    if (l.HasRange) b->MapToRange(l.RangeLo, l.RangeHi);
  } else if (l.Kind == sLayerKind::Sprite) {
    static_cast<sSprite*>(layer)->LoadImage(name);
  } else if (l.Kind == sLayerKind::Wipe) {
    auto* w = static_cast<sWipe*>(layer);
    w->LoadImage(name);
    if (l.HasRange) w->MakeRuns(l.RangeLo, l.RangeHi);
  }
}

}  // namespace

const char* LayerKindName(sLayerKind kind) { return LayerKindNames[static_cast<int>(kind)]; }

bool LayerKindByName(const std::string& name, sLayerKind* kind) {
  for (int i = 0; i < LayerKindCount; ++i)
    if (name == LayerKindNames[i]) {
      *kind = static_cast<sLayerKind>(i);
      return true;
    }
  return false;
}

const std::vector<sFieldInfo>& LayerFields(sLayerKind kind) { return Fields(kind); }

const std::string& sShowLayer::PictureFor(sPictureRole role) const {
  static const std::string none;
  for (const sShowPicture& p : Pictures)
    if (p.Role == role) return p.Name;
  return none;
}

float sShowLayer::StaticValue(int field, int component) const {
  float v = Fields(Kind)[field].Default[component];
  for (const Setting& s : Settings)
    if (s.Field == field && s.Component == component) v = s.Value;
  return v;
}

const sShowTrack* sShowLayer::TrackFor(int field, int component) const {
  for (const sShowTrack& t : Tracks)
    if (t.Field == field && t.Component == component) return &t;
  return nullptr;
}

void sShowLayer::EffectSize(int* w, int* h) const {
  // Fields 0..3 are x0, y0, x1, y1, evaluated as the timeline does at every
  // key time and at 64 steps between: the largest size they make.
  sKey pool[4][sTrack::MaxKeys];
  sTrack tracks[4] = {};
  float value[4];
  std::vector<float> times = {0.0f};
  for (int f = 0; f < 4; ++f) {
    value[f] = StaticValue(f, 0);
    const sShowTrack* t = TrackFor(f, 0);
    if (!t) continue;
    tracks[f].Target = &value[f];
    tracks[f].KeyCount = static_cast<int>(t->Keys.size());
    for (int i = 0; i < tracks[f].KeyCount; ++i) {
      pool[f][i] = sKey{t->Keys[i].Time, t->Keys[i].Value, 0, 0, 0, 0, 0, 0};
      tracks[f].Keys[i] = &pool[f][i];
      times.push_back(t->Keys[i].Time);
    }
    tracks[f].Setup();
  }
  std::sort(times.begin(), times.end());
  *w = *h = 0;
  for (size_t i = 0; i < times.size(); ++i)
    for (int step = 0; step < (i + 1 < times.size() ? 64 : 1); ++step) {
      const float t = i + 1 < times.size() ? times[i] + (times[i + 1] - times[i]) * step / 64 : times[i];
      for (int f = 0; f < 4; ++f)
        if (tracks[f].Target) tracks[f].Evaluate(t);
      *w = std::max(*w, static_cast<int>(value[2]) - static_cast<int>(value[0]));
      *h = std::max(*h, static_cast<int>(value[3]) - static_cast<int>(value[1]));
    }
}

std::string DescribeLayer(const sShow& show, int index) {
  const sShowLayer& l = show.Layers[index];
  std::string text = "layer " + std::to_string(index);
  if (!l.Label.empty()) text += " \"" + l.Label + "\"";
  return text + " (" + LayerKindName(l.Kind) + ")";
}

void BuildShow(const sShow& show, sTimeline* timeline) {
  for (const sShowWindow& w : show.Channels) timeline->SetChannel(w.Channel, w.Start, w.End);
  for (const sShowLayer& l : show.Layers) {
    sLayer* layer = NewLayer(l);
    timeline->AddLayer(layer);
    layer->ChannelMask = l.ChannelMask;
    LoadPicture(layer, l);
    const std::vector<sFieldInfo>& fields = Fields(l.Kind);
    for (const sShowLayer::Setting& s : l.Settings) fields[s.Field].Address(layer)[s.Component] = s.Value;
    for (const sShowTrack& t : l.Tracks)
      for (const sShowKey& k : t.Keys) timeline->AddKey(fields[t.Field].Address(layer) + t.Component, k.Time, k.Value);
  }
}
