// Layers I and II: allocation, scale factors and samples into subband slots.
#include <algorithm>
#include <cstring>

#include "audio/mpeg/bitcache.h"
#include "audio/mpeg/decodetables.h"
#include "audio/mpeg/decoder.h"
#include "audio/mpeg/tables.h"

void sMpegDecoder::InitLayer1(int bitRate) {
  SlotBytes = 4;
  SeekBackFrames = 1;
  if (bitRate > 0) {
    FrameSlots = 36 * bitRate / SampleRate;
    FrameSlotRemainder = 36 * bitRate % SampleRate;
  }
}

void sMpegDecoder::InitLayer2(int bitRate) {
  SlotBytes = 1;
  SeekBackFrames = 1;
  if (bitRate > 0) {
    FrameSlots = 144 * bitRate / SampleRate;
    FrameSlotRemainder = 144 * bitRate % SampleRate;
  }
}

namespace {

int JointBound(int mode, int modeExt) {
  if (mode == 1) return 4 * modeExt + 4;
  return mode == 3 ? 0 : 32;
}

}  // namespace

int Layer2AllocTable(int version, int rate, int kbps, int channels) {
  if (version != 0) return 4;
  int b = kbps / channels;
  if (b >= 56 && (rate == 48000 || b <= 80)) return 0;
  if (rate != 48000 && b >= 96) return 1;
  if (rate == 32000 || b > 48) return 3;
  return 2;
}

void sMpegDecoder::DecodeLayer1() {
  for (int f = 0; f < 3; ++f) {
    if (f > 0) ReadHeader();
    if (HBitRateIndex == 0) {
      for (int ch = 0; ch < 2; ++ch) std::fill(Subband[ch] + 12 * f * 32, Subband[ch] + 12 * (f + 1) * 32, 0.0f);
      continue;
    }
    int kbps = mpegtab::kBitRates[HVersion ? 1 : 0][0][HBitRateIndex];
    int rate = mpegtab::kSampleRates[HVersion][HRateIndex];
    int end = HeaderStart + 32 * (12000 * kbps / rate) + (HPadding ? 32 : 0);
    int channels = HMode == 3 ? 1 : 2;
    int bound = channels == 1 ? 32 : JointBound(HMode, HModeExt);
    int alloc[2][32];
    float mult[2][32];
    for (int sb = 0; sb < 32; ++sb) {
      if (sb < bound) {
        for (int ch = 0; ch < channels; ++ch) alloc[ch][sb] = GetBits(4);
      } else {
        alloc[0][sb] = alloc[1][sb] = GetBits(4);
      }
    }
    for (int sb = 0; sb < 32; ++sb)
      for (int ch = 0; ch < channels; ++ch)
        mult[ch][sb] = alloc[ch][sb] ? mpegtab::kL12Scale[GetBits(6)] * mpegtab::kLayer1Factor[alloc[ch][sb]] : 0.0f;
    for (int slot = 0; slot < 12; ++slot) {
      float* row[2] = {Subband[0] + (12 * f + slot) * 32, Subband[1] + (12 * f + slot) * 32};
      for (int sb = 0; sb < 32; ++sb) {
        if (sb < bound) {
          for (int ch = 0; ch < channels; ++ch) {
            int a = alloc[ch][sb];
            float v = 0.0f;
            if (a) v = float(int(GetBits(a + 1)) - (1 << a) + 1) * mult[ch][sb];
            row[ch][sb] = v;
          }
        } else {
          int a = alloc[0][sb];
          float v = a ? float(int(GetBits(a + 1)) - (1 << a) + 1) : 0.0f;
          for (int ch = 0; ch < channels; ++ch) row[ch][sb] = v * mult[ch][sb];
        }
      }
    }
    BitPosition = end;
  }
}

void sMpegDecoder::DecodeLayer2() {
  if (HBitRateIndex == 0) {
    std::memset(Subband, 0, sizeof Subband);
    return;
  }
  int kbps = mpegtab::kBitRates[HVersion ? 1 : 0][1][HBitRateIndex];
  int rate = mpegtab::kSampleRates[HVersion][HRateIndex];
  int end = HeaderStart + 8 * (144000 * kbps / rate) + (HPadding ? 8 : 0);
  int channels = HMode == 3 ? 1 : 2;
  const int tab = Layer2AllocTable(HVersion, rate, kbps, channels);
  const mpegtab::sAllocTable& at = mpegtab::kAllocTables[tab];
  int limit = at.sblimit;
  int bound = channels == 1 ? 32 : std::min(JointBound(HMode, HModeExt), limit);
  int alloc[2][32] = {};
  for (int sb = 0; sb < limit; ++sb) {
    if (sb < bound) {
      for (int ch = 0; ch < channels; ++ch) alloc[ch][sb] = GetBits(at.nbal[sb]);
    } else {
      alloc[0][sb] = alloc[1][sb] = GetBits(at.nbal[sb]);
    }
  }
  int scfsi[2][32];
  for (int sb = 0; sb < limit; ++sb)
    for (int ch = 0; ch < channels; ++ch) scfsi[ch][sb] = alloc[ch][sb] ? GetBits(2) : 0;
  float mult[2][32][3];
  for (int sb = 0; sb < limit; ++sb)
    for (int ch = 0; ch < channels; ++ch) {
      int a = alloc[ch][sb];
      if (!a) continue;
      int s[3];
      switch (scfsi[ch][sb]) {
        case 0:
          s[0] = GetBits(6);
          s[1] = GetBits(6);
          s[2] = GetBits(6);
          break;
        case 1:
          s[0] = s[1] = GetBits(6);
          s[2] = GetBits(6);
          break;
        case 2:
          s[0] = s[1] = s[2] = GetBits(6);
          break;
        default:
          s[0] = GetBits(6);
          s[1] = s[2] = GetBits(6);
          break;
      }
      int cls = mpegtab::kAllocClass[tab][sb][a];
      float factor = cls >= 0 ? mpegtab::kClasses[cls].factor : 0.0f;
      for (int k = 0; k < 3; ++k) mult[ch][sb][k] = mpegtab::kL12Scale[s[k]] * factor;
    }
  const mpegtab::sLayer2Class* cls[2][32] = {};
  for (int sb = 0; sb < limit; ++sb)
    for (int ch = 0; ch < channels; ++ch) {
      int c = alloc[ch][sb] ? mpegtab::kAllocClass[tab][sb][alloc[ch][sb]] : -1;
      cls[ch][sb] = c >= 0 ? &mpegtab::kClasses[c] : nullptr;
    }
  float* out[2] = {Subband[0], Subband[1]};
  // The codes through a bit cache (bits beyond the reader's limit read 0).
  sBitCache src(ReaderBytes, ReaderLimit >> 3, std::max(0, std::min(*ReaderPos, ReaderLimit)));
  auto bits = [&src](int n) -> int {
    if (src.count < n) src.Refill();
    return int(src.Take(n));
  };
  for (int gr = 0; gr < 12; ++gr) {
    int part = gr / 4;
    float* row[2][3];
    for (int ch = 0; ch < 2; ++ch)
      for (int k = 0; k < 3; ++k) row[ch][k] = out[ch] + (3 * gr + k) * 32;
    for (int sb = 0; sb < limit; ++sb) {
      float v[2][3];
      bool shared = sb >= bound;  // one code for both channels, own scale factors
      int reads = shared ? 1 : channels;
      for (int ch = 0; ch < reads; ++ch) {
        const mpegtab::sLayer2Class* c = cls[ch][sb];
        if (!c) {
          v[ch][0] = v[ch][1] = v[ch][2] = 0.0f;
          continue;
        }
        int code[3];
        if (c->grouped) {
          const int8_t* split = mpegtab::kUngroup[c - mpegtab::kClasses][bits(c->bits)];
          code[0] = split[0];
          code[1] = split[1];
          code[2] = split[2];
        } else {
          code[0] = bits(c->bits);
          code[1] = bits(c->bits);
          code[2] = bits(c->bits);
        }
        for (int k = 0; k < 3; ++k) v[ch][k] = float(code[k] - c->offset);
      }
      if (shared && channels == 2)
        for (int k = 0; k < 3; ++k) v[1][k] = v[0][k];
      for (int ch = 0; ch < channels; ++ch) {
        float m = cls[ch][sb] ? mult[ch][sb][part] : 0.0f;
        for (int k = 0; k < 3; ++k) v[ch][k] *= m;
      }
      for (int k = 0; k < 3; ++k) {
        row[0][k][sb] = v[0][k];
        row[1][k][sb] = channels == 2 ? v[1][k] : 0.0f;
      }
    }
    for (int ch = 0; ch < 2; ++ch)
      for (int k = 0; k < 3; ++k) std::fill(row[ch][k] + limit, row[ch][k] + 32, 0.0f);
  }
  BitPosition = end;
}
