// Decoder speed: mpegdec against mpg123 (and ffmpeg when installed), each a
// whole process decoding the same file to a 16-bit WAV, in interleaved runs;
// instruction counts under callgrind; the start-up of a 10-frame file; and
// our decoder in-process on every instruction path the machine has.
//
//   decoder_bench [runs]      (default 21; figures only, nothing asserted)
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "audio/mpeg/decoder.h"
#include "audio/mpeg/kernels.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

bool OnPath(const char* program) { return Shell(std::string("command -v ") + program + " > /dev/null 2>&1"); }

struct sTimes {
  double wall = -1, cpu = -1;  // ms
};

// One run of a program with its output silenced; wall and CPU time of the process.
sTimes RunOnce(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  sTimes t;
  auto t0 = Clock::now();
  pid_t pid;
  if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) == 0) {
    int status = 0;
    rusage u{};
    if (wait4(pid, &status, 0, &u) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
      t.wall = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
      t.cpu = 1e3 * (u.ru_utime.tv_sec + u.ru_stime.tv_sec) + 1e-3 * (u.ru_utime.tv_usec + u.ru_stime.tv_usec);
    }
  }
  posix_spawn_file_actions_destroy(&actions);
  return t;
}

double Median(std::vector<double> v) {
  if (v.empty()) return -1;
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : 0.5 * (v[v.size() / 2 - 1] + v[v.size() / 2]);
}

struct sProgram {
  const char* name;
  std::vector<std::string> argv;
  std::vector<double> wall, cpu;
  long instructions = -1;
};

// Interleaved: every round runs each program once, the order turning round
// by round, so a change in the machine's load falls on all of them. Each
// writes a new file: replacing the last run's costs the file system about
// 0.4 ms of freeing here, the same for every program, and not decoding.
void TimeInterleaved(std::vector<sProgram>& programs, int runs) {
  for (int r = 0; r < runs; ++r)
    for (size_t k = 0; k < programs.size(); ++k) {
      sProgram& p = programs[(k + r) % programs.size()];
      for (const std::string& a : p.argv)
        if (a.size() > 4 && a.compare(a.size() - 4, 4, ".wav") == 0) std::remove(a.c_str());
      sTimes t = RunOnce(p.argv);
      if (t.wall < 0) continue;
      p.wall.push_back(t.wall);
      p.cpu.push_back(t.cpu);
    }
}

// Instructions of the whole process under callgrind; -1 without valgrind.
long Instructions(const std::vector<std::string>& argv, const std::string& dir) {
  std::string command = "valgrind --tool=callgrind --callgrind-out-file=/dev/null";
  for (const auto& a : argv) command += " '" + a + "'";
  command += " > /dev/null 2> " + dir + "/callgrind.txt";
  if (!Shell(command)) return -1;
  std::ifstream f(dir + "/callgrind.txt");
  std::string line;
  long n = -1;
  while (std::getline(f, line)) {
    auto at = line.find("Collected : ");
    if (at != std::string::npos) n = std::atol(line.c_str() + at + 12);
  }
  return n;
}

void Report(const char* what, std::vector<sProgram>& programs, double audioSeconds, bool counts,
            const std::string& dir) {
  std::printf("%s\n", what);
  std::printf("  %-8s %10s %10s %12s %14s\n", "", "wall ms", "CPU ms", "instructions", "per audio s");
  for (auto& p : programs) {
    if (counts) p.instructions = Instructions(p.argv, dir);
    if (p.wall.empty()) {
      std::printf("  %-8s failed\n", p.name);
      continue;
    }
    std::printf("  %-8s %10.2f %10.2f", p.name, Median(p.wall), Median(p.cpu));
    if (p.instructions > 0)
      std::printf(" %11.1fM %13.2fM", p.instructions / 1e6, p.instructions / 1e6 / audioSeconds);
    std::printf("\n");
  }
  for (size_t k = 1; k < programs.size(); ++k) {
    const sProgram& a = programs[0];
    const sProgram& b = programs[k];
    if (a.wall.empty() || b.wall.empty()) continue;
    std::printf("  %s time / mpegdec time: %.2f wall, %.2f CPU (above 1: mpegdec is faster)\n", b.name,
                Median(b.wall) / Median(a.wall), Median(b.cpu) / Median(a.cpu));
  }
}

std::vector<sProgram> Programs(const std::string& mp3, const std::string& dir) {
  std::vector<sProgram> p;
  p.push_back({"mpegdec", {TESS_MPEGDEC, mp3, dir + "/ours.wav"}, {}, {}});
  if (OnPath("mpg123")) p.push_back({"mpg123", {"mpg123", "-q", "-w", dir + "/mpg123.wav", mp3}, {}, {}});
  if (OnPath("ffmpeg"))
    p.push_back({"ffmpeg",
                 {"ffmpeg", "-nostdin", "-v", "quiet", "-threads", "1", "-i", mp3, "-y", dir + "/ffmpeg.wav"},
                 {},
                 {}});
  return p;
}

// Our decoder in-process, to memory: median of runs per SIMD path.
void InProcess(const std::string& path, double audioSeconds, int runs) {
  std::ifstream f(path, std::ios::binary);
  std::vector<uint8_t> file((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  std::vector<uint8_t> pcm(1 << 16);
  std::printf("  in-process, 16-bit to memory (median of %d):", runs);
  for (const char* name : MpegSimdPaths()) {
    for (bool iso : {false, true}) {
      std::vector<double> times;
      for (int r = 0; r < runs; ++r) {
        auto t0 = Clock::now();
        sMpegMemoryInput in(file.data(), int(file.size()));
        sMpegDecoder dec;
        dec.SetSimdPath(name);
        dec.SetStandardWindow(iso);
        int rate, stereo;
        if (dec.Open(&in, &rate, &stereo, 1, 0, 0) != 0) return;
        while (dec.Read(pcm.data(), int(pcm.size())) == int(pcm.size())) {
        }
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
      }
      double ms = Median(times);
      std::printf("\n    %-8s %-15s %7.2f ms, %6.0f x realtime", name, iso ? "standard window" : "default window",
                  ms, audioSeconds * 1e3 / ms);
    }
  }
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
  // Output goes to memory-backed files where the machine has them.
  std::string dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm/tess-decoder-bench" : "/tmp/tess-decoder-bench";
  Shell("mkdir -p " + dir);
  std::string wav = dir + "/in.wav", mp3 = dir + "/bench.mp3", mp2 = dir + "/bench.mp2";
  std::string shortWav = dir + "/short.wav", ten = dir + "/ten.mp3";
  // 30 s of sweep and pink noise; 9216 samples make ten MPEG frames with
  // lame's delay and its Info frame.
  if (!(Shell("test -s " + mp3 + " && test -s " + mp2 + " && test -s " + ten) ||
        (Shell("sox -R -q -n -r 44100 -c 2 -b 16 " + wav +
               " synth 30 sine 110-3520 pinknoise tremolo 3 40 vol 0.5 2> /dev/null") &&
         Shell("sox -R -q -n -r 44100 -c 2 -b 16 " + shortWav + " synth 9216s sine 440 vol 0.5 2> /dev/null") &&
         Shell("lame --quiet -b 128 -m j " + wav + " " + mp3) && Shell("lame --quiet -b 128 -m j " + shortWav + " " + ten) &&
         Shell("twolame --quiet -b 192 -m j " + wav + " " + mp2)))) {
    std::fprintf(stderr, "decoder_bench: sox, lame or twolame failed\n");
    return 1;
  }
  bool counts = OnPath("valgrind");
  if (!OnPath("mpg123")) std::printf("mpg123 is not installed: no ratio against it\n");
  if (!counts) std::printf("valgrind is not installed: no instruction counts\n");
  std::printf("Whole processes to a 16-bit WAV, median of %d interleaved runs\n", runs);

  auto layer3 = Programs(mp3, dir);
  TimeInterleaved(layer3, runs);
  Report("Layer III, 30 s, 44.1 kHz joint stereo, 128 kbit/s (lame)", layer3, 30.0, counts, dir);
  InProcess(mp3, 30.0, std::max(3, runs / 3));

  auto start = Programs(ten, dir);
  // What starting any process costs here: mpegdec printing its version.
  start.push_back({"floor", {TESS_MPEGDEC, "--version"}, {}, {}});
  TimeInterleaved(start, runs);
  sProgram floor = start.back();
  start.pop_back();
  Report("Start-up: ten frames (0.26 s) of the same kind", start, 10 * 1152 / 44100.0, counts, dir);
  std::printf("  process floor (mpegdec --version): %.2f ms wall, %.2f ms CPU\n", Median(floor.wall), Median(floor.cpu));

  auto layer2 = Programs(mp2, dir);
  TimeInterleaved(layer2, std::max(3, runs / 3));
  Report("Layer II, 30 s, 44.1 kHz joint stereo, 192 kbit/s (twolame)", layer2, 30.0, false, dir);
  return 0;
}
