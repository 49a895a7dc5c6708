#include "tests/mpeg/helpers.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "audio/filestream.h"
#include "tests/audio/memstream.h"
#include "tests/support/paths.h"

namespace mpegtest {

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::string Conformance(const std::string& name) {
  return testpaths::Source() + "/tests/data/conformance/" + name;
}

std::vector<float> sDecoded::Samples(int pcm16) const {
  std::vector<float> out(pcm.size() / (pcm16 ? 2 : 4));
  for (size_t i = 0; i < out.size(); ++i) {
    if (pcm16) {
      int16_t s;
      std::memcpy(&s, &pcm[2 * i], 2);
      out[i] = s;
    } else {
      std::memcpy(&out[i], &pcm[4 * i], 4);
    }
  }
  return out;
}

namespace {

void Drain(sMpegStream& m, sDecoded& d, int chunk) {
  std::vector<uint8_t> buf(static_cast<size_t>(chunk));
  for (;;) {
    int got = m.Read(buf.data(), chunk);
    d.pcm.insert(d.pcm.end(), buf.begin(), buf.begin() + got);
    if (got <= 0) break;
  }
}

}  // namespace

sDecoded DecodeFile(const std::string& path, const sDecodeOptions& o) {
  sDecoded d;
  sFileStream f;
  if (f.Open(path.c_str(), o.seekable ? FileReadSeek : FileRead) != 0) return d;
  sMpegStream m;
  m.SetStandardWindow(o.standardWindow);
  m.SetGapless(o.gapless);
  if (o.simd && !m.SetSimdPath(o.simd)) return d;
  d.result = m.Open(&f, &d.rate, &d.stereo, o.pcm16, o.downShift, o.channels);
  if (d.result == 0) Drain(m, d, o.chunk);
  m.Close();
  f.Close();
  return d;
}

sDecoded DecodeBytes(const std::vector<uint8_t>& bytes, const sDecodeOptions& o) {
  sDecoded d;
  MemStream in;
  in.OpenWith(bytes, o.seekable ? StreamReadable | StreamSeekable : StreamReadable);
  sMpegStream m;
  m.SetStandardWindow(o.standardWindow);
  m.SetGapless(o.gapless);
  if (o.simd && !m.SetSimdPath(o.simd)) return d;
  d.result = m.Open(&in, &d.rate, &d.stereo, o.pcm16, o.downShift, o.channels);
  if (d.result == 0) Drain(m, d, o.chunk);
  m.Close();
  in.Close();
  return d;
}

bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

bool HaveTool(const std::string& name) {
  return Run("command -v " + name + " > /dev/null 2>&1");
}

}  // namespace mpegtest
