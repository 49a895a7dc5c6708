#include "vo/moveit.h"

#include "framework/system/fatal.h"

void sTrack::Setup() {
  const int n = KeyCount;
  if (n == 1) {
    sKey& k = *Keys[0];
    k.T0 = k.T1 = 0.0f;
    k.A0 = k.Value;
    k.A1 = k.A2 = k.A3 = 0.0f;
    Segments = 1;
    return;
  }
  // Tangents in value per millisecond, used unscaled as derivatives over the
  // normalised segment parameter.
  auto tangent = [&](int i) -> float {
    if (i == 0 || i == n - 1) return 0.0f;
    const float dt = Keys[i + 1]->Time - Keys[i - 1]->Time;
    if (Keys[i - 1]->Time == Keys[i + 1]->Time) return 0.0f;
    return (Keys[i + 1]->Value - Keys[i - 1]->Value) / dt;
  };
  for (int j = 0; j + 1 < n; ++j) {
    sKey& k = *Keys[j];
    const float p = k.Value, q = Keys[j + 1]->Value;
    const float m0 = tangent(j), m1 = tangent(j + 1);
    k.T0 = k.Time;
    k.T1 = Keys[j + 1]->Time;
    k.A0 = p;
    k.A1 = m0;
    k.A2 = 3.0f * q - 3.0f * p - 2.0f * m0 - m1;
    k.A3 = 2.0f * p - 2.0f * q + m0 + m1;
  }
  Segments = n - 1;
}

void sTrack::Evaluate(float t) {
  if (t <= Keys[0]->T0) {
    *Target = Keys[0]->Value;
    return;
  }
  if (t >= Keys[Segments - 1]->T1) {
    *Target = Keys[KeyCount - 1]->Value;
    return;
  }
  // Both walks skip zero-length segments, so equal key times make a step.
  while (Keys[Cursor]->T1 < t) ++Cursor;
  while (Keys[Cursor]->T0 > t) --Cursor;
  const sKey& k = *Keys[Cursor];
  const double s = (static_cast<double>(t) - k.T0) / (static_cast<double>(k.T1) - k.T0);
  *Target = static_cast<float>(((k.A3 * s + k.A2) * s + k.A1) * s + k.A0);
}

sTimeline::sTimeline() : LayerCount(0), TrackCount(0), KeyCount(0), ActiveChannels(0) {
  for (Window& w : Channel) {
    w.Start = 1.0f;  // never active
    w.End = 0.0f;
  }
}

sTimeline::~sTimeline() {
  for (int i = 0; i < LayerCount; ++i) delete Layers[i];
}

void sTimeline::SetChannel(int index, float start, float end) {
  if (index < 0 || index >= Channels) Fatal("sTimeline::SetChannel() no such channel");
  Channel[index].Start = start;
  Channel[index].End = end;
}

void sTimeline::AddLayer(sLayer* layer) {
  if (LayerCount >= MaxLayers) Fatal("sTimeline::AddLayer() too many layers");
  Layers[LayerCount++] = layer;
}

sTrack* sTimeline::FindTrack(float* target) {
  for (int i = 0; i < TrackCount; ++i)
    if (Tracks[i].Target == target) return &Tracks[i];
  if (TrackCount >= MaxTracks) Fatal("sTimeline::FindTrack() too many tracks");
  sTrack& track = Tracks[TrackCount++];
  track.Target = target;
  track.Segments = 0;
  track.Cursor = 0;
  track.KeyCount = 0;
  return &track;
}

void sTimeline::AddKey(float* target, float time, float value) {
  sTrack* track = FindTrack(target);
  if (KeyCount >= MaxKeys) Fatal("sTimeline::AddKey() too many keys");
  if (track->KeyCount >= sTrack::MaxKeys) Fatal("sTimeline::AddKey() too many keys in one track");
  sKey& key = KeyPool[KeyCount++];
  key.Time = time;
  key.Value = value;
  track->Keys[track->KeyCount++] = &key;
  track->Segments = track->KeyCount;
}

void sTimeline::Prepare(sDisplay* display) {
  for (int i = 0; i < TrackCount; ++i) Tracks[i].Setup();
  for (int i = 0; i < LayerCount; ++i) Layers[i]->Prepare(display);
}

namespace {
uint32_t ActiveAt(const sTimeline::Window* channel, float t) {
  uint32_t active = 0;
  for (int c = 0; c < sTimeline::Channels; ++c)
    if (channel[c].Start < t && t < channel[c].End) active |= 1u << c;
  return active;
}

bool Drawn(const sLayer* layer, uint32_t active) { return layer->ChannelMask == 0 || (layer->ChannelMask & active) != 0; }
}  // namespace

void sTimeline::Render(sDisplay* display, float t) {
  for (int i = 0; i < TrackCount; ++i) Tracks[i].Evaluate(t);
  ActiveChannels = ActiveAt(Channel, t);
  for (int i = 0; i < LayerCount; ++i) {
    sLayer* layer = Layers[i];
    if (Drawn(layer, ActiveChannels)) layer->Draw(display, t);
  }
}

void sTimeline::Advance(float t) {
  for (int i = 0; i < TrackCount; ++i) Tracks[i].Evaluate(t);
  ActiveChannels = ActiveAt(Channel, t);
  for (int i = 0; i < LayerCount; ++i)
    if (Drawn(Layers[i], ActiveChannels)) Layers[i]->Skip(t);
}

bool sTimeline::Covered(float t) const {
  const uint32_t active = ActiveAt(Channel, t);
  for (int i = 0; i < LayerCount; ++i)
    if (Drawn(Layers[i], active) && Layers[i]->DrawsPixels()) return Layers[i]->Covers();
  return false;
}
