// How long after PlaySound the sound reaches the SDL audio device: the offset
// between the show's first frame and its first sound on the sdl backend.
// SDL's "disk" driver stands in for the card: it writes what it is given to a
// file at the device's pace, so a sample's place in the file is its time.
//
//   latency_bench [--runs N]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/sdl/sound.h"
#include "platform/sound.h"

namespace {

using Clock = std::chrono::steady_clock;

// A RIFF WAVE image of one second at full scale, nothing quiet in it.
std::vector<uint8_t> TestImage() {
  const uint32_t frames = 44100, bytes = frames * 4;
  std::vector<uint8_t> image(44 + bytes);
  auto put = [&](size_t at, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) image[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  std::memcpy(&image[0], "RIFF", 4);
  put(4, 36 + bytes, 4);
  std::memcpy(&image[8], "WAVEfmt ", 8);
  put(16, 16, 4);
  put(20, 1, 2);
  put(22, 2, 2);
  put(24, 44100, 4);
  put(28, 176400, 4);
  put(32, 4, 2);
  put(34, 16, 2);
  std::memcpy(&image[36], "data", 4);
  put(40, bytes, 4);
  for (uint32_t i = 0; i < frames * 2; ++i) put(44 + 2 * i, (i / 2) % 2 ? 12000 : static_cast<uint16_t>(-12000), 2);
  return image;
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
  int runs = 5;
  if (argc == 3 && !std::strcmp(argv[1], "--runs")) runs = std::max(1, std::atoi(argv[2]));
  const std::string file = "/tmp/tess-latency-" + std::to_string(getpid()) + ".raw";
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
  const std::vector<uint8_t> image = TestImage();

  std::vector<double> lows, highs;
  for (int r = 0; r < runs; ++r) {
    const auto beforeOpen = Clock::now();
    auto sound = platform::MakeSdlSound();
    const auto afterOpen = Clock::now();
    if (platform::SdlSoundIsSilent()) {
      std::fprintf(stderr, "latency_bench: SDL's disk audio driver could not open\n");
      return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100 + 7 * (r % 7)));  // land anywhere in a buffer
    const auto play = Clock::now();
    sound->PlaySound(image.data(), image.size());
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    sound.reset();

    std::ifstream in(file, std::ios::binary);
    std::vector<char> raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t first = 0;
    while (first + 1 < raw.size() / 2 && raw[2 * first] == 0 && raw[2 * first + 1] == 0) ++first;
    std::remove(file.c_str());
    if (2 * first + 1 >= raw.size()) {
      std::fprintf(stderr, "latency_bench: the sound never reached the device\n");
      return 1;
    }
    // The file starts when the device started, somewhere inside the open.
    const double soundAt = (first / 2) / 44.1;
    lows.push_back(soundAt - Ms(play - beforeOpen));
    highs.push_back(soundAt - Ms(play - afterOpen));
  }
  std::sort(lows.begin(), lows.end());
  std::sort(highs.begin(), highs.end());
  std::printf("PlaySound to the SDL audio device (disk driver, %d runs): median %.1f .. %.1f ms,"
              " 90th percentile %.1f ms, worst %.1f ms; one frame at 60 Hz is 16.7 ms\n",
              runs, lows[lows.size() / 2], highs[highs.size() / 2], highs[highs.size() * 9 / 10], highs.back());
  return 0;
}
