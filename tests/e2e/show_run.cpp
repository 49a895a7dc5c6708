#include "tests/e2e/show_run.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "tests/support/paths.h"
#include "tools/common/png_io.h"

namespace e2e {

namespace {
std::string Capture(const std::string& command, int* status) {
  std::string out;
  std::FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  const int raw = pclose(p);
  *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return out;
}
}  // namespace

bool UpdateGoldens() {
  const char* v = std::getenv("TESS_UPDATE_GOLDENS");
  return v && *v && std::string(v) != "0";
}

std::string GoldenDir() { return testpaths::Source() + "/tests/e2e/golden"; }

ShowRun RunShowtrace(const std::string& tag, double until, const std::string& keys,
                     const std::vector<int>& pngTimes) {
  ShowRun run;
  run.outDir = testpaths::TempDir("e2e-" + tag);
  std::string cmd = testpaths::Build() + "/tools/showtrace/showtrace --data " + testpaths::Build() + "/app" +
                    " --until " + std::to_string(static_cast<long>(until)) + " --out " + run.outDir +
                    " --trace " + run.outDir + "/show.trace";
  if (!keys.empty()) {
    WriteText(run.outDir + "/keys.txt", keys);
    cmd += " --keys " + run.outDir + "/keys.txt";
  }
  if (!pngTimes.empty()) {
    cmd += " --png ";
    for (size_t i = 0; i < pngTimes.size(); ++i) cmd += (i ? "," : "") + std::to_string(pngTimes[i]);
  }
  run.output = Capture(cmd + " 2>&1", &run.status);
  run.trace = ReadText(run.outDir + "/show.trace");
  std::istringstream lines(run.trace);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("# content ", 0) == 0) {
      run.content = line;
      continue;
    }
    if (line.empty() || line[0] == '#') continue;
    TraceLine t;
    char layers[256] = {};
    unsigned long long frame = 0;
    if (std::sscanf(line.c_str(), "%llu %lf ch %x layers %255s idx %x pal %x", &frame, &t.time, &t.channels, layers,
                    &t.index, &t.palette) != 6)
      continue;
    t.frame = frame, t.layers = layers, t.text = line;
    run.frames.push_back(t);
  }
  return run;
}

const TraceLine* FrameAt(const ShowRun& run, double t) {
  for (const TraceLine& f : run.frames)
    if (f.time >= t - 1e-3) return &f;
  return nullptr;
}

int RunProgram(const std::string& args, std::string* output) {
  int status = -1;
  *output = Capture("timeout 120 " + testpaths::Build() + "/app/tessaline " + args + " 2>&1", &status);
  return status;
}

bool ReadIndices(const std::string& path, std::vector<uint8_t>* indices) {
  PngImage image;
  std::string error;
  if (!ReadPng(path, &image, &error) || !image.indexed) return false;
  *indices = image.indices;
  return true;
}

}  // namespace e2e
