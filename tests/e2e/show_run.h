// Runs the show through showtrace (or the program itself) and reads what it left.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tests/support/paths.h"

namespace e2e {

struct TraceLine {
  uint64_t frame = 0;
  double time = 0;
  uint32_t channels = 0;
  std::string layers;
  uint32_t index = 0, palette = 0;
  std::string text;  // the line as printed
};

struct ShowRun {
  std::string content;  // the first line: the content pack's hash
  std::vector<TraceLine> frames;
  std::string trace;    // the trace as written
  std::string output;   // what the program printed (standard output and errors)
  std::string outDir;   // PNG frames
  int status = -1;
};

// showtrace with the build's v01.dat; `keys` is a key script (may be empty).
ShowRun RunShowtrace(const std::string& tag, double until, const std::string& keys,
                     const std::vector<int>& pngTimes);
// The first traced frame at or after time t, or null.
const TraceLine* FrameAt(const ShowRun& run, double t);

// `tessaline` with the given arguments; returns the exit status (-1 when it did not exit).
int RunProgram(const std::string& args, std::string* output);

// A palette PNG's indices (640 x 480), false when it cannot be read.
bool ReadIndices(const std::string& path, std::vector<uint8_t>* indices);

using testpaths::ReadText;
inline void WriteText(const std::string& path, const std::string& text) { testpaths::WriteFile(path, text); }
bool UpdateGoldens();
std::string GoldenDir();

}  // namespace e2e
