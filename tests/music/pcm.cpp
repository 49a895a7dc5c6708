#include "tests/music/pcm.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "audio/filestream.h"
#include "audio/mpeg/mpegstream.h"
#include "tests/support/wav.h"

namespace musictest {

namespace {
uint32_t U32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t U16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
}  // namespace

Pcm ReadWav(const std::string& path) {
  Pcm pcm;
  std::ifstream in(path, std::ios::binary);
  std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
    return pcm;
  bool stereo16 = false;
  std::size_t pos = 12;
  while (pos + 8 <= bytes.size()) {
    uint32_t size = U32(&bytes[pos + 4]);
    const unsigned char* body = &bytes[pos + 8];
    std::size_t avail = std::min<std::size_t>(size, bytes.size() - pos - 8);
    if (std::memcmp(&bytes[pos], "fmt ", 4) == 0 && avail >= 16) {
      stereo16 = U16(body) == 1 && U16(body + 2) == 2 && U16(body + 14) == 16;
    } else if (std::memcmp(&bytes[pos], "data", 4) == 0 && stereo16) {
      pcm.samples.resize(avail / 4 * 2);
      for (std::size_t i = 0; i < pcm.samples.size(); ++i) pcm.samples[i] = static_cast<int16_t>(U16(body + 2 * i));
      return pcm;
    }
    pos += 8 + size + (size & 1);
  }
  return pcm;
}

Pcm DecodeMp3(const std::string& path, const std::string&) {
  // The show's own decoder, opened as the show opens it.
  Pcm pcm;
  sFileStream file;
  sMpegStream decoder;
  if (file.Open(path.c_str(), FileReadSeek) != 0) return pcm;
  int rate = 0, stereo = 0;
  if (decoder.Open(&file, &rate, &stereo, 1, 0, 0) == 0 && rate == 44100 && stereo == 1) {
    std::vector<int16_t> block(2304);
    for (;;) {
      int got = decoder.Read(block.data(), 4608);
      if (got <= 0) break;
      pcm.samples.insert(pcm.samples.end(), block.begin(), block.begin() + got / 2);
    }
  }
  decoder.Close();
  file.Close();
  return pcm;
}

Pcm DecodeMp3WithMpg123(const std::string& path, const std::string& scratchDir) {
  // Gapless trimming and Info-frame parsing off: every frame is decoded.
  std::string out = scratchDir + "/decoded.wav";
  if (!RunQuiet("mpg123 -q --no-gapless --no-infoframe -w '" + out + "' '" + path + "'")) return Pcm();
  return ReadWav(out);
}

bool WriteWav(const std::string& path, const Pcm& pcm) {
  return testwav::WriteFile(path, testwav::Image16(44100, 2, pcm.samples));
}

bool RunQuiet(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

std::string Capture(const std::string& command) {
  std::string text;
  std::FILE* p = popen((command + " 2>&1").c_str(), "r");
  if (!p) return text;
  std::array<char, 4096> chunk;
  std::size_t n;
  while ((n = std::fread(chunk.data(), 1, chunk.size(), p)) > 0) text.append(chunk.data(), n);
  pclose(p);
  return text;
}

}  // namespace musictest
