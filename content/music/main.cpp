// tess_music: writes the default soundtrack as a WAV file.
//   tess_music OUT.wav [--lead FRAMES]
// FRAMES (default 2257) is the delay the encoder and the player add before the
// first sound; the music starts that much early so it lands on the picture.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "content/music/render.h"
#include "content/music/wav.h"

namespace {
// The silent Info frame the encoder writes first (1152 frames), its delay (576)
// and the synthesis filter bank's delay (529).
constexpr long DefaultLead = 1152 + 576 + 529;
}  // namespace

int main(int argc, char** argv) {
  std::string out;
  long lead = DefaultLead;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--lead") == 0 && i + 1 < argc) {
      char* end = nullptr;
      lead = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || lead < 0 || lead > 44100) {
        std::fprintf(stderr, "tess_music: --lead wants 0..44100 frames\n");
        return 2;
      }
    } else if (out.empty() && argv[i][0] != '-') {
      out = argv[i];
    } else {
      std::fprintf(stderr, "usage: tess_music OUT.wav [--lead FRAMES]\n");
      return 2;
    }
  }
  if (out.empty()) {
    std::fprintf(stderr, "usage: tess_music OUT.wav [--lead FRAMES]\n");
    return 2;
  }
  music::Rendered r = music::Render(static_cast<std::size_t>(lead));
  if (!music::WriteWav(out, r.samples, 44100)) {
    std::fprintf(stderr, "tess_music: cannot write %s\n", out.c_str());
    return 1;
  }
  std::printf("tess_music: %s, %.2f s, peak %.1f dBFS, RMS %.1f dBFS\n", out.c_str(),
              r.samples.size() / 2 / 44100.0, r.peakDb, r.rmsDb);
  return 0;
}
