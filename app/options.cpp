#include "app/options.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool IsFile(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);
}

}  // namespace

bool ParseOptions(int argc, const char* const* argv, Options& options, std::string& error) {
  options = Options();
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::string value;
    bool inlineValue = false;
    if (arg.compare(0, 2, "--") == 0) {
      size_t eq = arg.find('=');
      if (eq != std::string::npos) {
        value = arg.substr(eq + 1);
        arg = arg.substr(0, eq);
        inlineValue = true;
      }
    }
    auto takeValue = [&](std::string& into) {
      if (!inlineValue) {
        if (i + 1 >= argc) {
          error = arg + " needs a value";
          return false;
        }
        value = argv[++i];
      }
      if (value.empty()) {
        error = arg + " needs a value";
        return false;
      }
      into = value;
      return true;
    };
    auto noValue = [&](bool& flag) {
      if (inlineValue) {
        error = arg + " takes no value";
        return false;
      }
      flag = true;
      return true;
    };
    bool ok;
    if (arg == "--window")
      ok = noValue(options.window);
    else if (arg == "--headless")
      ok = noValue(options.headless);
    else if (arg == "--help" || arg == "-h")
      ok = noValue(options.help);
    else if (arg == "--keys")
      ok = takeValue(options.keys);
    else if (arg == "--data")
      ok = takeValue(options.data);
    else if (arg == "--record")
      ok = takeValue(options.record);
    else if (arg == "--fps" || arg == "--seconds") {
      std::string text;
      ok = takeValue(text);
      if (ok) {
        char* end = nullptr;
        double v = std::strtod(text.c_str(), &end);
        bool fps = arg == "--fps";
        if (*end != '\0' || !(fps ? (v >= 1 && v <= 240 && v == static_cast<int>(v)) : (v > 0 && v <= 3600))) {
          error = arg + (fps ? " wants a whole number from 1 to 240" : " wants a length from 0 to 3600 seconds");
          ok = false;
        } else if (fps) {
          options.recordFps = static_cast<int>(v);
        } else {
          options.recordSeconds = v;
        }
      }
    }
    else {
      error = "unknown option '" + std::string(argv[i]) + "'";
      ok = false;
    }
    if (!ok) return false;
  }
  // Scripted keys only reach the headless keyboard; an export runs headless.
  if (!options.keys.empty() || !options.record.empty()) options.headless = true;
  return true;
}

std::string Usage() {
  return "usage: tessaline [options]\n"
         "\n"
         "Without options the show runs full screen, as the original did, reading\n"
         "\"v01.dat\" and \"vo.mp3\" from the working directory (or, when \"v01.dat\"\n"
         "is not there, from the folder of the program).\n"
         "\n"
         "  --window        run in a window instead of full screen\n"
         "  --headless      no window: run the show off screen on a virtual clock\n"
         "                  (one frame every 1/60 s of show time, as fast as it goes)\n"
         "  --keys SCRIPT   feed the headless keyboard and mouse from SCRIPT\n"
         "                  (implies --headless); lines like \"5000 key Escape\"\n"
         "  --data DIR      look for \"v01.dat\" and \"vo.mp3\" in DIR\n"
         "  --record DIR    export the show off screen into DIR: frame00000.png ...\n"
         "                  and sound.wav, then print the ffmpeg command that\n"
         "                  makes a video of them (implies --headless)\n"
         "  --fps N         frames per second of an export (default 60)\n"
         "  --seconds S     length of an export in seconds (default 36)\n"
         "  --help          show this text\n"
         "\n"
         "Keys while the show runs: Escape or Space quits, R restarts, M shows the\n"
         "frame-time profiler; the first two mouse buttons together quit.\n";
}

std::string ChooseDataDirectory(const Options& options, const std::string& workingDirectory,
                                const std::string& executableDirectory) {
  if (!options.data.empty()) return options.data;
  if (IsFile(fs::path(workingDirectory) / "v01.dat")) return workingDirectory;
  if (!executableDirectory.empty() && IsFile(fs::path(executableDirectory) / "v01.dat"))
    return executableDirectory;
  return workingDirectory;
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
