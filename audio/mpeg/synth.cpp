// Polyphase synthesis: the output controls, the kernels' matrixing and
// window, and the PCM output.
#include <cstring>

#include "audio/mpeg/decodetables.h"
#include "audio/mpeg/decoder.h"


namespace {

inline int16_t ToPcm16(float v) {
  // Clamp in float first: converting NaN or huge values is undefined.
  if (!(v > -32768.0f)) return v != v ? 0 : -32768;
  if (v > 32767.0f) return 32767;
  return int16_t(v);
}


}  // namespace

void sMpegDecoder::ClearSynthesis() {
  std::memset(Synth, 0, sizeof Synth);
  SynthOffset = 0;
}

void sMpegDecoder::InitSynthesis() {
  // The window W laid out for the kernels (see sSynthWindow): f(r, m) is
  // W(32m + r), negated when m & 2 is set; the forward sums weigh column c
  // by f times -1 for even c.
  const float* w = mpegtab::kSynthesisWindow[StandardWindow ? 1 : 0];
  auto f = [w](int r, int m) { return (m & 2) ? -w[32 * m + r] : w[32 * m + r]; };
  const int N = 16 >> DownShift;
  std::memset(&Window, 0, sizeof Window);
  for (int c = 0; c < 32; ++c)
    for (int j = 0; j < N; ++j) {
      Window.fwd[c][j] = (c & 1) ? f(j << DownShift, c) : -f(j << DownShift, c);
      Window.back[c][j] = -f(j << DownShift, c);
    }
  for (int off = 1; off < 16; off += 2)
    for (int k = 0; k < 16; k += 2) Window.last[off][k / 2] = f(16, off + k);
  ClearSynthesis();
  ConfigureChannels();
}

void sMpegDecoder::Synthesize(uint8_t* dest) {
  const int n = 32 >> DownShift;
  const int N = 16 >> DownShift;
  bool stereoSynth = SynthChannels == 2;
  bool scaleRight = !MixToMono && StreamChannels != 1;
  // The controls work slot by slot on the slot's n values.
  if (MixEnabled || MixToMono || Volume != 1.0f || BandGainsEnabled)
    for (int slot = 0; slot < 36; ++slot) {
      float* L = Subband[0] + slot * 32;
      float* R = Subband[1] + slot * 32;
      if (!MixEnabled) {
        if (MixToMono)
          for (int i = 0; i < n; ++i) L[i] = (L[i] + R[i]) * 0.5f;
      } else if (MixToMono) {
        for (int i = 0; i < n; ++i) L[i] = L[i] * Mix[6] + R[i] * Mix[7];
      } else if (StreamChannels != 2) {
        for (int i = 0; i < n; ++i) L[i] *= Mix[8];
      } else {
        for (int i = 0; i < n; ++i) {
          float a = L[i], b = R[i];
          L[i] = a * Mix[0] + b * Mix[1];
          R[i] = a * Mix[3] + b * Mix[4];
        }
      }
      if (Volume != 1.0f) {
        for (int i = 0; i < n; ++i) L[i] *= Volume;
        if (scaleRight)
          for (int i = 0; i < n; ++i) R[i] *= Volume;
      }
      if (BandGainsEnabled) {
        for (int i = 0; i < n; ++i) L[i] *= BandGains[i];
        if (scaleRight)
          for (int i = 0; i < n; ++i) R[i] *= BandGains[i];
      }
    }
  const int channels = stereoSynth ? 2 : 1;
  for (int ch = 0; ch < channels; ++ch)
    Kernels->Synthesize(Subband[ch], &Synth[ch], &Window, SynthOffset, DownShift, dest ? PcmFloat[ch] : nullptr);
  SynthOffset = (SynthOffset - 36) & 15;
  if (!dest) return;

  const int count = 36 * 2 * N;  // samples per channel
  const float* s = PcmFloat[0];
  const float* u = stereoSynth ? PcmFloat[1] : PcmFloat[0];
  float ml = 1.0f, mr = 1.0f;
  if (MonoToBoth && MixEnabled) {
    ml = Mix[2];
    mr = Mix[5];
  }
  bool two = OutChannels == 2;
  if (BytesPerSample == 2 && !MonoToBoth) {
    Kernels->Pcm16(s, two ? u : nullptr, count, dest);
    return;
  }
  // The rest, staged in pieces: the caller's buffer need not be aligned.
  for (int at = 0; at < count; at += 64) {
    union {
      int16_t i16[128];
      float f32[128];
    } stage;
    const int m = count - at < 64 ? count - at : 64;
    const float* ps = s + at;
    const float* pu = u + at;
    if (BytesPerSample == 2) {
      for (int i = 0; i < m; ++i) {  // the mono mix on both channels
        stage.i16[2 * i] = ToPcm16(ps[i] * ml);
        stage.i16[2 * i + 1] = ToPcm16(ps[i] * mr);
      }
    } else {
      float* d = stage.f32;
      if (!two) {
        std::memcpy(d, ps, m * sizeof(float));
      } else if (MonoToBoth) {
        for (int i = 0; i < m; ++i) {
          d[2 * i] = ps[i] * ml;
          d[2 * i + 1] = ps[i] * mr;
        }
      } else {
        for (int i = 0; i < m; ++i) {
          d[2 * i] = ps[i];
          d[2 * i + 1] = pu[i];
        }
      }
    }
    int bytes = m * BytesPerSample * (two ? 2 : 1);
    std::memcpy(dest, &stage, bytes);
    dest += bytes;
  }
}
