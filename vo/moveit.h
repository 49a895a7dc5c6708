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
