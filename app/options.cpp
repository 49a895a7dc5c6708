#include "app/options.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/backend.h"
#include "tools/common/command_line.h"

namespace fs = std::filesystem;

namespace {


// Names a user may give for a video or picture this program does not write.
bool OtherMediaName(const std::string& name) {
  static const char* const Others[] = {".avi", ".mov", ".m4v", ".mpg", ".mpeg", ".ogv", ".ogg", ".gif", ".flv",
                                       ".wmv", ".ts",  ".wav", ".mp3", ".png", ".jpg", ".apng"};
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos || name.find('/', dot) != std::string::npos) return false;
  std::string ext;
  for (char c : name.substr(dot)) ext += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* other : Others)
    if (ext == other) return true;
  return false;
}

// "800x600": both sides whole numbers in range.
bool ParseWindowSize(const std::string& text, int& width, int& height) {
  const size_t x = text.find('x');
  if (x == std::string::npos) return false;
  auto side = [](const std::string& digits, int low, int& out) {
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
      return false;
    out = std::stoi(digits);
    return out >= low && out <= 16384;
  };
  return side(text.substr(0, x), 320, width) && side(text.substr(x + 1), 240, height);
}

}  // namespace

bool ParseOptions(int argc, const char* const* argv, Options& options, std::string& error) {
  options = Options();
  sCommandLine line(argc, argv);
  while (line.Next()) {
    if (line.Is("--window")) {
      options.window = true;
      std::string size;
      if (line.Optional(size) && !ParseWindowSize(size, options.windowWidth, options.windowHeight))
        line.Problem("--window=WxH wants a size from 320x240 to 16384x16384, not '" + size + "'");
    } else if (line.Is("--scale")) {
      options.scale = line.Value();
      if (!line.Failed() && !platform::IsScaleName(options.scale))
        line.Problem("--scale wants nearest, integer or linear, not '" + options.scale + "'");
    } else if (line.Is("--no-vsync"))
      options.noVsync = line.Flag();
    else if (line.Is("--headless"))
      options.headless = line.Flag();
    else if (line.Is("--keys"))
      options.keys = line.Value();
    else if (line.Is("--data"))
      options.data = line.Value();
    else if (line.Is("--quiet"))
      options.quiet = line.Flag();
    else if (line.Is("--show"))
      options.show = line.Value();
    else if (line.Is("--check"))
      options.check = line.Flag();
    else if (line.Is("--studio"))
      options.studio = line.Flag();
    else if (line.Is("--record")) {
      options.record = line.Value();
      if (options.record == "-")
        line.Problem("--record writes a folder or a named video file, not the standard output");
      else if (OtherMediaName(options.record))
        line.Problem("--record writes a folder of PNG frames or a .mp4, .webm or .mkv video, not " + options.record);
    }
    else if (line.Is("--fps"))
      options.recordFps = static_cast<int>(line.Integer(1, 240));
    else if (line.Is("--seconds")) {
      const std::string text = line.Value();
      char* end = nullptr;
      options.recordSeconds = std::strtod(text.c_str(), &end);
      if (*end != '\0' || !(options.recordSeconds > 0 && options.recordSeconds <= 3600))
        line.Problem("--seconds wants a length from 0 to 3600 seconds");
      options.secondsGiven = true;
    } else
      line.Unknown();
  }
  options.help = line.Wants() == sCommandLine::Help;
  options.version = line.Wants() == sCommandLine::Version;
  if (line.Failed()) {
    error = line.Error();
    return false;
  }
  if (options.studio && !options.record.empty()) {
    error = "--studio and --record do not go together";
    return false;
  }
  // Scripted keys only reach the headless keyboard; an export runs headless.
  if (!options.keys.empty() || !options.record.empty()) options.headless = true;
  // The studio is a window unless it runs headless.
  if (options.studio) options.window = true;
  if (options.secondsGiven && !options.headless) {
    error = "--seconds is the length of a --headless or --record run";
    return false;
  }
  return true;
}

std::string Usage() {
  return "usage: tessaline [options]\n"
         "\n"
         "Without options the show runs full screen, as the original did, reading\n"
         "\"v01.dat\" and \"vo.mp3\" from the working directory (or, when \"v01.dat\"\n"
         "is not there, from the folder of the program, then from ../share/tessaline\n"
         "beside it, where an installed copy keeps them).\n"
         "\n"
         "  --window[=WxH]  run in a window instead of full screen (Alt+Enter\n"
         "                  switches), of W x H pixels; the picture keeps 4:3\n"
         "  --scale MODE    nearest (sharp pixels, the default), integer (whole\n"
         "                  multiples only) or linear (smooth)\n"
         "  --no-vsync      do not wait for the screen's refresh (60 Hz pacing)\n"
         "  --headless      no window: run the show off screen on a virtual clock\n"
         "                  (one frame every 1/60 s of show time, as fast as it goes)\n"
         "                  until its end (36 s of show time)\n"
         "  --keys SCRIPT   feed the headless keyboard and mouse from SCRIPT\n"
         "                  (implies --headless); lines like \"5000 key Escape\"\n"
         "  --data PATH     where the show's files are: a folder holding \"v01.dat\"\n"
         "                  (or the pack a show file names) and \"vo.mp3\", a folder\n"
         "                  of the pictures as files, or a pack file\n"
         "  --show FILE     play the show file FILE (docs/SHOWS.md) instead of the\n"
         "                  built-in show\n"
         "  --check         list every picture and raw file the show needs, with\n"
         "                  its kind and size and whether the data has it; exit\n"
         "                  status 0 only when all are there\n"
         "  --studio        play the show in a window made for editing it: Space\n"
         "                  pauses, Left/Right step a frame, Shift+Left/Right a\n"
         "                  second, PgUp/PgDn jump between channel windows, Home\n"
         "                  goes to 0, S saves the frame as a PNG, Escape quits;\n"
         "                  the show reloads when its files change\n"
         "  --record FILE   export the show off screen as a video with its sound:\n"
         "                  .mp4 (H.264, AAC), .webm (VP9, Opus) or .mkv (lossless\n"
         "                  FFV1 in RGB, FLAC); implies --headless\n"
         "  --record DIR    export into DIR instead: frame00000.png ... and sound.wav\n"
         "                  (DIR must be new, empty or an earlier export, which is\n"
         "                  replaced whole), then print an ffmpeg command for them\n"
         "  --fps N         frames per second of an export (default 60)\n"
         "  --seconds S     length of an export or a headless run in seconds\n"
         "                  (default 36, the whole show; with --keys, or the script's\n"
         "                  last event when later)\n"
         "  --quiet         no progress line and no summary for an export\n"
         "  --help          show this text\n"
         "  --version       show the version\n"
         "\n"
         "Keys while the show runs: Escape or Space quits, R restarts, M shows the\n"
         "frame-time profiler; the first two mouse buttons together quit.\n"
         "\n"
         "Environment: TESSALINE_SCALE (as --scale), TESSALINE_VSYNC=0 (as --no-vsync),\n"
         "TESSALINE_BACKEND (sdl or headless), TESSALINE_DEBUG (1: debug lines on\n"
         "stderr, or a file to append them to), TESSALINE_NO_MESSAGEBOX=1 (a fatal\n"
         "error only on stderr), TESSALINE_SOUND_WAV (headless: a WAV file of the sound),\n"
         "TESSALINE_CD (a folder of WAV tracks as a CD), SDL_AUDIODRIVER (the sound\n"
         "device's driver). The manual page tells more.\n";
}

std::vector<std::string> DataSearchPath(const std::string& workingDirectory,
                                        const std::string& executableDirectory) {
  std::vector<std::string> path{workingDirectory};
  if (executableDirectory.empty()) return path;
  path.push_back(executableDirectory);
  path.push_back((fs::path(executableDirectory).parent_path() / "share" / "tessaline").string());
  return path;
}

std::string ExecutableDirectory(const char* argv0) {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec || exe.empty()) {
    if (!argv0 || !*argv0) return "";
    exe = fs::absolute(argv0, ec);
    if (ec) return "";
  }
  return exe.parent_path().string();
}
