// The decoder's vector kernels (IMDCT and polyphase synthesis), one set per
// instruction path: "avx2" (eight lanes) where the CPU has it, "sse2" (four
// lanes) on every x86-64, "portable" (plain C++) everywhere. All give the
// same bits. DefaultMpegKernels is the one place that chooses.
#pragma once
#include <cstdint>
#include <vector>

// The synthesis state of one channel: two halves of 16 columns of 16 rows
// (column-major, so the matrixing writes a column and the window reads rows
// eight at a time), and the extra row that only the even columns fill.
struct sSynthState {
  alignas(32) float columns[2][16][16];
  alignas(32) float last[2][8];
};

// The synthesis window for one window choice and down-shift, laid out for
// the kernels (o being the rotation, 0..15): sample j of a slot weighs
// column k of row j by fwd[16 - (o | 1) + k][j], sample 2N - j by
// back[(o | 1) + 15 - k][j], and sample N the extra row's even columns k by
// last[16 - (o | 1)][k / 2].
struct sSynthWindow {
  alignas(32) float fwd[32][16];
  alignas(32) float back[32][16];
  alignas(32) float last[16][8];
};

struct sMpegKernels {
  const char* name;
  // One granule and channel of the hybrid filter after the anti-alias step:
  // lines (subband-major, 18 per subband) through the IMDCT with overlap-add
  // and frequency inversion into 18 time slots of 32 subband samples. Only
  // `subbands` are processed; those from `active` on have no lines and only
  // release their overlap; subbands below `longSubbands` take block type 0.
  // overlap: [18][32], time-slot-major.
  void (*Hybrid)(const float* lines, float* overlap, float* out, int subbands, int active, int blockType,
                 int longSubbands);
  // 36 time slots of one channel (32 subband values each) into PCM floats,
  // 32 >> downShift per slot (pcm needs 8 floats beyond them); offset is the
  // rotation at the first slot. A null pcm only advances the state.
  void (*Synthesize)(const float* subband, sSynthState* state, const sSynthWindow* window, int offset,
                     int downShift, float* pcm);
  // `count` samples (a multiple of 8) as 16-bit PCM, truncated toward zero
  // and clamped (NaN as 0): one channel, or left and right interleaved.
  void (*Pcm16)(const float* left, const float* right, int count, uint8_t* dest);
};

// The path this machine runs by default: the widest it has.
const sMpegKernels& DefaultMpegKernels();
// A path by name, or null when this build or machine lacks it.
const sMpegKernels* FindMpegKernels(const char* name);
// The paths this machine can run, widest first.
std::vector<const char*> MpegSimdPaths();
