// Shared helpers of the decoder tests: files, decoding through sMpegStream,
// running the installed encoders.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "audio/mpeg/mpegstream.h"
#include "tools/mpegdec/compare.h"

namespace mpegtest {

std::vector<uint8_t> ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::string Conformance(const std::string& name);  // path in the shared conformance folder

struct sDecodeOptions {
  int pcm16 = 1;
  int downShift = 0;
  int channels = 0;
  bool standardWindow = false;
  const char* simd = nullptr;  // the kernels' path; null: the machine's default
  bool seekable = true;
  bool gapless = false;
  int chunk = 1 << 16;  // bytes per Read
};

struct sDecoded {
  int result = -1;  // Open's result
  int rate = 0, stereo = 0;
  std::vector<uint8_t> pcm;
  int Channels() const { return stereo ? 2 : 1; }
  std::vector<float> Samples(int pcm16) const;  // as floats in 16-bit scale
};

// Decodes a file through sFileStream + sMpegStream.
sDecoded DecodeFile(const std::string& path, const sDecodeOptions& o = sDecodeOptions());
// Decodes bytes through a memory stream (seekable or not) + sMpegStream.
sDecoded DecodeBytes(const std::vector<uint8_t>& bytes, const sDecodeOptions& o = sDecodeOptions());

// Runs a shell command; true on exit status 0.
bool Run(const std::string& command);
bool HaveTool(const std::string& name);

}  // namespace mpegtest
