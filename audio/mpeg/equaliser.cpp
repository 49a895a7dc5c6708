// Channel configuration, mixing matrix, volume, band and line gains.
#include <cstring>

#include "audio/mpeg/decoder.h"

namespace {
const float kDefaultMix[9] = {1, 0, 1, 0, 1, 1, 0.5f, 0.5f, 1};
}

void sMpegDecoder::ConfigureChannels() {
  if (OutChannels == 0) OutChannels = StreamChannels;
  MixToMono = MonoToBoth = false;
  if (OutChannels == -2) {
    OutChannels = 2;
    MonoToBoth = true;
    MixToMono = StreamChannels == 2;
  }
  if (StreamChannels == 2 && OutChannels == 1) MixToMono = true;
  if (StreamChannels == 1 && OutChannels == 2) MonoToBoth = true;
  SynthChannels = !MixToMono && !MonoToBoth && StreamChannels == 2 ? 2 : 1;
  MixEnabled = false;
  std::memcpy(Mix, kDefaultMix, sizeof Mix);
  Volume = 1.0f;
  BandGainsEnabled = false;
}

void sMpegDecoder::SetVolume(const float* v) { Volume = v ? *v : 1.0f; }

void sMpegDecoder::SetMixMatrix(const float* nine) {
  if (!nine || std::memcmp(nine, kDefaultMix, sizeof kDefaultMix) == 0) {
    MixEnabled = false;
    return;
  }
  bool same = true;
  for (int i = 0; i < 9; ++i) same = same && nine[i] == kDefaultMix[i];
  if (same) {
    MixEnabled = false;
    return;
  }
  std::memcpy(Mix, nine, sizeof Mix);
  MixEnabled = true;
}

void sMpegDecoder::SetBandGains(const float* gains) {
  bool unity = true;
  for (int i = 0; gains && i < 32; ++i) unity = unity && gains[i] == 1.0f;
  if (!gains || unity) {
    BandGainsEnabled = false;
    return;
  }
  int step = 1 << DownShift;
  for (int i = 0; i < (32 >> DownShift); ++i) {
    float sum = 0.0f;
    for (int k = 0; k < step; ++k) sum += gains[i * step + k];
    BandGains[i] = step == 1 ? sum : sum / float(step);
  }
  BandGainsEnabled = true;
}

void sMpegDecoder::SetLineGains(const float* gains) {
  bool unity = true;
  for (int i = 0; gains && i < 576; ++i) unity = unity && gains[i] == 1.0f;
  if (!gains || unity) {
    LineGainsEnabled = false;
    return;
  }
  int step = 1 << DownShift;
  for (int i = 0; i < (576 >> DownShift); ++i) {
    float sum = 0.0f;
    for (int k = 0; k < step; ++k) sum += gains[i * step + k];
    LineGains[i] = step == 1 ? sum : sum / float(step);
  }
  for (int i = 0; i < (192 >> DownShift); ++i)
    ShortLineGains[i] = (LineGains[3 * i] + LineGains[3 * i + 1] + LineGains[3 * i + 2]) / 3.0f;
  LineGainsEnabled = true;
}

int sMpegDecoder::Control(int command, void* a) {
  const float* f = static_cast<const float*>(a);
  switch (command) {
    case MpegSetVolume:
      SetVolume(f);
      return 0;
    case MpegSetMixMatrix:
      SetMixMatrix(f);
      return 0;
    case MpegSetBandGains:
      if (RefLayer == 2) LineGainsEnabled = false;
      SetBandGains(f);
      return 0;
    case MpegSetLineGains:
      if (RefLayer == 2) {
        SetLineGains(f);
      } else if (!f) {
        SetBandGains(nullptr);
      } else {
        float bands[32];
        for (int b = 0; b < 32; ++b) {
          float sum = 0.0f;
          for (int k = 0; k < 18; ++k) sum += f[18 * b + k];
          bands[b] = sum / 18.0f;
        }
        SetBandGains(bands);
      }
      return 0;
    case 49:
      return AtEnd() ? 1 : 0;
  }
  return 0;
}
