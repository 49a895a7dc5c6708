// Decoder speed: our decoder against mpg123 (and ffmpeg when installed) on
// the same 30-second 44.1 kHz stereo files, single thread, output to memory
// (the command-line decoders decode without output or to a null sink).
// Times are CPU seconds, best of several runs.
#include <sys/resource.h>

#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "audio/mpeg/decoder.h"

namespace {

bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

double ChildrenCpu() {
  rusage u;
  getrusage(RUSAGE_CHILDREN, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + 1e-6 * (u.ru_utime.tv_usec + u.ru_stime.tv_usec);
}

double OwnCpu() { return double(std::clock()) / CLOCKS_PER_SEC; }

// Best of several runs of a shell command: the CPU time of its processes
// (the machine may be shared; CPU time is steadier than the wall clock).
double TimeCommand(const std::string& command, int runs) {
  double best = 1e9;
  for (int i = 0; i < runs; ++i) {
    double t0 = ChildrenCpu();
    if (!Run(command)) return -1;
    best = std::min(best, ChildrenCpu() - t0);
  }
  return best;
}

// Best of several decodes to memory; returns seconds, fills the sample count.
double TimeOurs(const std::vector<uint8_t>& file, bool iso, int runs, long* frames) {
  double best = 1e9;
  std::vector<uint8_t> pcm(1 << 20);
  for (int i = 0; i < runs; ++i) {
    double t0 = OwnCpu();
    sMpegMemoryInput in(file.data(), int(file.size()));
    sMpegDecoder dec;
    dec.SetStandardWindow(iso);
    int rate, stereo;
    if (dec.Open(&in, &rate, &stereo, 1, 0, 0) != 0) return -1;
    long bytes = 0;
    for (;;) {
      int got = dec.Read(pcm.data(), int(pcm.size()));
      bytes += got;
      if (got < int(pcm.size())) break;
    }
    best = std::min(best, OwnCpu() - t0);
    *frames = bytes / 4;
  }
  return best;
}

void Report(const char* what, const std::string& path, double audioSeconds, int runs) {
  std::ifstream f(path, std::ios::binary);
  std::vector<uint8_t> file((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  long frames = 0;
  double ours = TimeOurs(file, false, runs, &frames);
  double oursIso = TimeOurs(file, true, runs, &frames);
  // The shell's own CPU time is counted too; it is taken off with start-up.
  double mpg = TimeCommand("exec mpg123 -q -t " + path + " 2> /dev/null", runs);
  double startup = TimeCommand("exec mpg123 -q -t -n 1 " + path + " 2> /dev/null", runs);
  double ff = TimeCommand("exec ffmpeg -v quiet -threads 1 -i " + path + " -f null - 2> /dev/null", runs);
  std::printf("%s (%.1f s of audio, %ld sample frames decoded)\n", what, audioSeconds, frames);
  std::printf("  ours, default window, 16-bit: %8.1f x realtime (%.1f ms)\n", audioSeconds / ours,
              1000 * ours);
  std::printf("  ours, standard window:        %8.1f x realtime (%.1f ms)\n", audioSeconds / oursIso,
              1000 * oursIso);
  if (mpg > 0) {
    // The process start-up measured on a one-frame decode is taken off.
    double net = mpg - (startup > 0 ? startup : 0);
    std::printf("  mpg123 -t (process):          %8.1f x realtime (%.1f ms, %.1f ms without start-up)\n",
                audioSeconds / mpg, 1000 * mpg, 1000 * net);
    std::printf("  ratio ours / mpg123:          %8.2f (%.2f counting mpg123's start-up)\n", net / ours,
                mpg / ours);
  } else {
    std::printf("  mpg123 not available\n");
  }
  if (ff > 0)
    std::printf("  ffmpeg -threads 1 (process):  %8.1f x realtime (%.1f ms)\n", audioSeconds / ff,
                1000 * ff);
}

}  // namespace

int main(int argc, char** argv) {
  int runs = argc > 1 ? std::atoi(argv[1]) : 5;
  std::string dir = "/tmp/tess-decoder-bench";
  Run("mkdir -p " + dir);
  std::string wav = dir + "/in.wav", mp3 = dir + "/bench.mp3", mp2 = dir + "/bench.mp2";
  if (!Run("test -s " + mp3) &&
      !(Run("sox -R -q -n -r 44100 -c 2 -b 16 " + wav +
            " synth 30 sine 110-3520 pinknoise tremolo 3 40 vol 0.5 2> /dev/null") &&
        Run("lame --quiet -b 128 -m j " + wav + " " + mp3) &&
        Run("twolame --quiet -b 192 -m j " + wav + " " + mp2))) {
    std::fprintf(stderr, "bench: sox, lame or twolame failed\n");
    return 1;
  }
  Report("Layer III, 44.1 kHz joint stereo, 128 kbit/s", mp3, 30.0, runs);
  Report("Layer II, 44.1 kHz joint stereo, 192 kbit/s", mp2, 30.0, runs);
  return 0;
}
