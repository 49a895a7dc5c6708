#include "tests/mpeg/helpers.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "audio/filestream.h"
#include "tests/audio/memstream.h"
#include "tests/support/paths.h"
namespace mpegtest {
std::vector<uint8_t> ReadFile(const std::string& path) {
  std::string text = testpaths::ReadText(path);
  return std::vector<uint8_t>(text.begin(), text.end());
}
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) { testpaths::WriteFile(path, bytes); }
std::string Conformance(const std::string& name) { return testpaths::Source() + "/tests/data/conformance/" + name; }
std::vector<float> sDecoded::Samples(int pcm16) const {
  std::vector<float> out(pcm.size() / (pcm16 ? 2 : 4));
  for (size_t i = 0; i < out.size(); ++i) {
    int16_t s;
    if (!pcm16) std::memcpy(&out[i], &pcm[4 * i], 4);
    else std::memcpy(&s, &pcm[2 * i], 2), out[i] = s;
  }
  return out;
}
namespace {
// Opens the decoder on `in` as the options say and reads it to the end.
sDecoded Decode(sStream& in, const sDecodeOptions& o) {
  sDecoded d;
  sMpegStream m;
  m.SetStandardWindow(o.standardWindow);
  m.SetGapless(o.gapless);
  if (o.simd && !m.SetSimdPath(o.simd)) return d;
  d.result = m.Open(&in, &d.rate, &d.stereo, o.pcm16, o.downShift, o.channels);
  std::vector<uint8_t> buf(static_cast<size_t>(o.chunk));
  for (int got = 1; d.result == 0 && got > 0;) {
    got = m.Read(buf.data(), o.chunk);
    d.pcm.insert(d.pcm.end(), buf.begin(), buf.begin() + std::max(got, 0));
  }
  m.Close();
  return d;
}
}  // namespace
sDecoded DecodeFile(const std::string& path, const sDecodeOptions& o) {
  sFileStream f;
  if (f.Open(path.c_str(), o.seekable ? FileReadSeek : FileRead) != 0) return sDecoded();
  return Decode(f, o);
}
sDecoded DecodeBytes(const std::vector<uint8_t>& bytes, const sDecodeOptions& o) {
  MemStream in;
  in.OpenWith(bytes, o.seekable ? StreamReadable | StreamSeekable : StreamReadable);
  return Decode(in, o);
}
std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}
std::vector<uint8_t> Text(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }
std::vector<uint8_t> Le32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }
std::vector<uint8_t> Id3Header(const char* magic, int version, int flags, size_t body) {
  return {uint8_t(magic[0]), uint8_t(magic[1]), uint8_t(magic[2]), uint8_t(version), 0, uint8_t(flags),
          uint8_t((body >> 21) & 127), uint8_t((body >> 14) & 127), uint8_t((body >> 7) & 127), uint8_t(body & 127)};
}
std::vector<uint8_t> Id3v1() {
  std::vector<uint8_t> v1 = Cat({Text("TAG"), std::vector<uint8_t>(125, 0)});
  v1[40] = 0xFF, v1[41] = 0xFB, v1[42] = 0x50, v1[43] = 0xC0;
  return v1;
}
std::vector<uint8_t> ApeTag(const std::vector<uint8_t>& items) {
  std::vector<uint8_t> footer = Cat({Text("APETAGEX"), Le32(2000), Le32(uint32_t(items.size() + 32)), Le32(1),
                                     Le32(0x80000000u), std::vector<uint8_t>(8, 0)});
  std::vector<uint8_t> header = footer;
  header[23] = 0xA0;
  return Cat({header, items, footer});
}
std::vector<uint8_t> Lyrics3(const std::vector<uint8_t>& body) {
  std::vector<uint8_t> lyrics = Cat({Text("LYRICSBEGININD0000210"), body});
  char size[8];
  std::snprintf(size, sizeof size, "%06zu", lyrics.size());
  return Cat({lyrics, Text(size), Text("LYRICS200")});
}
bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }
bool HaveTool(const std::string& name) { return Shell("command -v " + name + " > /dev/null 2>&1"); }
std::string Capture(const std::string& command, int* status) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buf[65536];
  while (size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
  int s = pclose(p);
  if (status) *status = s;
  return out;
}
}  // namespace mpegtest
