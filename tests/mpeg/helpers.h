// Shared helpers of the decoder tests: files, decoding through sMpegStream,
// running the installed encoders.
#pragma once
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>
#include "audio/mpeg/mpegstream.h"
#include "tools/mpegdec/compare.h"
namespace mpegtest {
std::vector<uint8_t> ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::string Conformance(const std::string& name);  // path in the shared conformance folder
struct sDecodeOptions {
  int pcm16 = 1, downShift = 0, channels = 0;
  bool standardWindow = false;
  const char* simd = nullptr;  // the kernels' path; null: the machine's default
  bool seekable = true, gapless = false;
  int chunk = 1 << 16;  // bytes per Read
};
// Float output, with the standard's window or the default one.
inline sDecodeOptions FloatOut(bool standardWindow = false) {
  sDecodeOptions o;
  o.pcm16 = 0;
  o.standardWindow = standardWindow;
  return o;
}
// A comparison at a fixed offset, decoded samples rounded.
inline sCompareOptions Fixed(int offset = 0) {
  sCompareOptions o;
  o.fixed = o.round = true;
  o.offset = offset;
  return o;
}
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
// Tags as taggers write them, to put around frames: an ID3v2 header (or footer,
// magic "3DI") with a syncsafe body size; ID3v1 with a frame header inside its
// text; APEv2 header, items, footer; Lyrics3 version 2 with one field.
std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts);
std::vector<uint8_t> Text(const std::string& s);
std::vector<uint8_t> Le32(uint32_t v);
std::vector<uint8_t> Id3Header(const char* magic, int version, int flags, size_t body);
std::vector<uint8_t> Id3v1();
std::vector<uint8_t> ApeTag(const std::vector<uint8_t>& items);
std::vector<uint8_t> Lyrics3(const std::vector<uint8_t>& body);
bool Shell(const std::string& command);  // true on exit status 0
bool HaveTool(const std::string& name);
// Skips the test unless every tool is installed.
#define SKIP_WITHOUT(...)                                      \
  for (const char* tool_ : {__VA_ARGS__})                      \
    if (!mpegtest::HaveTool(tool_)) GTEST_SKIP() << tool_ << " missing"
// Runs a shell command and returns its standard output; its wait status in *status.
std::string Capture(const std::string& command, int* status = nullptr);
// Standard output of a command as values of type T.
template <class T>
std::vector<T> CaptureAs(const std::string& command, int* status = nullptr) {
  std::string bytes = Capture(command, status);
  std::vector<T> v(bytes.size() / sizeof(T));
  if (!v.empty()) std::memcpy(v.data(), bytes.data(), v.size() * sizeof(T));
  return v;
}
}  // namespace mpegtest
