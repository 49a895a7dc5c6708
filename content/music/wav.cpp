#include "content/music/wav.h"

#include <cstdio>

namespace music {

namespace {
void Put16(std::vector<unsigned char>& out, unsigned v) {
  out.push_back(v & 0xff);
  out.push_back((v >> 8) & 0xff);
}
void Put32(std::vector<unsigned char>& out, uint32_t v) {
  Put16(out, v & 0xffff);
  Put16(out, v >> 16);
}
void PutTag(std::vector<unsigned char>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }
}  // namespace

bool WriteWav(const std::string& path, const std::vector<int16_t>& interleaved, int sampleRate) {
  const uint32_t dataBytes = static_cast<uint32_t>(interleaved.size() * 2);
  std::vector<unsigned char> bytes;
  bytes.reserve(44 + dataBytes);
  PutTag(bytes, "RIFF");
  Put32(bytes, 36 + dataBytes);
  PutTag(bytes, "WAVE");
  PutTag(bytes, "fmt ");
  Put32(bytes, 16);
  Put16(bytes, 1);  // PCM
  Put16(bytes, 2);  // channels
  Put32(bytes, static_cast<uint32_t>(sampleRate));
  Put32(bytes, static_cast<uint32_t>(sampleRate) * 4);
  Put16(bytes, 4);
  Put16(bytes, 16);
  PutTag(bytes, "data");
  Put32(bytes, dataBytes);
  for (int16_t s : interleaved) Put16(bytes, static_cast<uint16_t>(s));

  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace music
