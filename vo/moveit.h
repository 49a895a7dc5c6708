// The timeline: layers drawn in order, float fields animated by keyframe
// tracks, and 32 time channels that switch layers on and off.
#pragma once
#include <cstdint>

class sDisplay;

// Everything the timeline draws.
class sLayer {
public:
  // Virtual so the timeline frees derived layers (and what they own) whole.
  virtual ~sLayer() = default;
  virtual void Draw(sDisplay* display, float t) = 0;
  virtual void Prepare(sDisplay* display) {}
  // For skipping frames whose picture is drawn over (the studio): Skip does
  // what Draw does to everything but the screen; Covers is true when Draw
  // overwrites the whole screen without reading it; DrawsPixels false when
  // Draw leaves the screen alone.
  virtual void Skip(float t) {}
  virtual bool Covers() const { return false; }
  virtual bool DrawsPixels() const { return true; }

  // Bit c: drawn while channel c is active; 0: drawn in every frame.
  uint32_t ChannelMask = 0;
};

struct sKey {
  float Time;
  float Value;
  // The segment that starts at this key, filled by sTimeline::Prepare.
  float T0, T1;
  float A0, A1, A2, A3;
};

struct sTrack {
  enum { MaxKeys = 32 };

  float* Target;
  sKey* Keys[MaxKeys];
  // Keys while the script adds them, segments after Prepare.
  int Segments;
  int Cursor;
  int KeyCount;

  void Setup();
  void Evaluate(float t);
};

class sTimeline {
public:
  enum { MaxLayers = 64, MaxTracks = 64, MaxKeys = 1024, Channels = 32 };

  sTimeline();
  ~sTimeline();
  sTimeline(const sTimeline&) = delete;
  sTimeline& operator=(const sTimeline&) = delete;

  void SetChannel(int index, float start, float end);
  void AddLayer(sLayer* layer);
  sTrack* FindTrack(float* target);
  void AddKey(float* target, float time, float value);
  void Prepare(sDisplay* display);
  void Render(sDisplay* display, float t);
  // Render without drawing: the tracks, the channels and each drawn layer's Skip.
  void Advance(float t);
  // True when the first layer that draws pixels at t covers the screen.
  bool Covered(float t) const;
  // Evaluation depends on the time alone: nothing to reset.
  void Reset() {}

  sLayer* Layers[MaxLayers];
  int LayerCount;
  sTrack Tracks[MaxTracks];
  int TrackCount;
  sKey KeyPool[MaxKeys];
  int KeyCount;
  struct Window {
    float Start, End;
  } Channel[Channels];
  uint32_t ActiveChannels;
};
