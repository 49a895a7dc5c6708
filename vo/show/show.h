// A show as data: channel windows and layers of the runtime's kinds, with
// their pictures, fields and keys, in draw order. BuildShow makes the same
// calls the compiled script makes, so the timeline cannot tell the two apart.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class sLayer;
class sTimeline;

enum class sLayerKind { Backdrop, PaletteRamp, ShadeRect, Sprite, Wipe, MaskedEffect, PaletteImage };
constexpr int LayerKindCount = 7;

// The kind's name in show files ("palette-ramp").
const char* LayerKindName(sLayerKind kind);
// False when the name is no kind.
bool LayerKindByName(const std::string& name, sLayerKind* kind);

// A float field of a layer kind, with one or more components (a colour has 3).
struct sFieldInfo {
  const char* Name;
  int Count;
  float* (*Address)(sLayer* layer);  // the first component
  float Low, High;                    // the values the layer can use
  float Default[4];                   // the constructor's values
};
// The kind's float fields; every one can be set and animated.
const std::vector<sFieldInfo>& LayerFields(sLayerKind kind);

// What a picture or raw file is for.
enum class sPictureRole { Picture, Mask, Blob, Texture, Palette };

// Where something was written in a show file (1-based; 0: not from a file).
struct sShowPlace {
  int Line = 0, Column = 0;
};

struct sShowPicture {
  sPictureRole Role = sPictureRole::Picture;
  std::string Name;
  sShowPlace Place;
};

struct sShowKey {
  float Time, Value;
};

// The keys of one component of one field, in time order.
struct sShowTrack {
  int Field = 0, Component = 0;
  std::vector<sShowKey> Keys;
};

struct sShowLayer {
  sLayerKind Kind = sLayerKind::ShadeRect;
  std::string Label;  // the show maker's name for it, or ""
  sShowPlace Place;
  uint32_t ChannelMask = 0;
  std::vector<sShowPicture> Pictures;
  // Backdrop: MapToRange(lo, hi); wipe: MakeRuns(lo, hi).
  bool HasRange = false;
  int RangeLo = 0, RangeHi = 0;
  struct Setting {
    int Field, Component;
    float Value;
  };
  std::vector<Setting> Settings;
  std::vector<sShowTrack> Tracks;

  // The name of the picture with this role, or "".
  const std::string& PictureFor(sPictureRole role) const;
  // The value before any key: the setting, else the constructor's.
  float StaticValue(int field, int component) const;
  // The largest rectangle a masked effect draws, from its fields' values and
  // keys: columns and rows.
  void EffectSize(int* w, int* h) const;
  // The track of a component, or null.
  const sShowTrack* TrackFor(int field, int component) const;
};

struct sShowWindow {
  int Channel;
  float Start, End;
};

struct sShow {
  std::string File;        // where it was read from, for messages ("" when built in)
  std::string Pack;        // the pack file's name, "" when the pictures are plain files
  std::string Soundtrack;  // the MP3 file's name, "" for a silent show
  std::vector<sShowWindow> Channels;
  std::vector<sShowLayer> Layers;
};

// "layer 6 (sprite)" or "layer 6 "logo" (sprite)".
std::string DescribeLayer(const sShow& show, int index);

// Fills the timeline: channel windows first, then each layer as the script
// does it (create, add, channel mask, pictures, fields, keys). The show must
// have passed the checks of showfile.h and showcheck.h.
void BuildShow(const sShow& show, sTimeline* timeline);
