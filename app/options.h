// The Linux program's own options. Started without any, it behaves as the
// original: full screen, the files in the working directory.
#pragma once
#include <string>
#include <vector>

struct Options {
  bool window = false;    // --window: a window instead of full screen
  int windowWidth = 0;    // --window=WxH: its size
  int windowHeight = 0;
  std::string scale;      // --scale nearest|integer|linear
  bool noVsync = false;   // --no-vsync
  bool headless = false;  // --headless: no window, the virtual clock
  bool help = false;
  bool version = false;
  bool quiet = false;     // --quiet: no progress line or summary of an export
  std::string keys;  // --keys SCRIPT: the headless input script
  std::string data;  // --data DIR: where "v01.dat" and "vo.mp3" are
  std::string record;        // --record DIR|FILE: export as PNG frames and a WAV, or as a video
  int recordFps = 60;        // --fps N: frames per second of an export
  double recordSeconds = 36.0;  // --seconds S: length of an export or a headless show
  bool secondsGiven = false;
  std::string show;  // --show FILE: play a show file instead of the built-in show
  bool check = false;   // --check: list the files the show needs and whether the data has them
  bool studio = false;  // --studio: the show in a window, with keys to pause, step and jump
};

// Exit status for options that are not understood.
constexpr int BadOptionsStatus = 2;

// False with a message when the arguments are not options of this program.
bool ParseOptions(int argc, const char* const* argv, Options& options, std::string& error);
std::string Usage();

// The folders searched for the show's pack without --data, in order: the working
// directory (as the original), the executable's folder (where the build puts
// the generated show), and ../share/tessaline beside it (an installed copy).
std::vector<std::string> DataSearchPath(const std::string& workingDirectory, const std::string& executableDirectory);
// The folder of the running executable, or "" when it cannot be found.
std::string ExecutableDirectory(const char* argv0);
