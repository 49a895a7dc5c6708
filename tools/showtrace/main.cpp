// showtrace: runs the show headless on a virtual clock that steps exactly
// 1/60 s per frame from t = 0, and prints one line per frame: frame number,
// show time, active channels, the layers drawn, and checksums of the frame's
// index buffer and palette. Writes PNG frames at chosen show times.
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/options.h"
#include "framework/bitmap.h"
#include "framework/math.h"
#include "framework/system/driver.h"
#include "framework/system/fatal.h"
#include "framework/system/shell.h"
#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/headless/input.h"
#include "platform/headless/screen.h"
#include "platform/output/output_file.h"
#include "tools/common/command_line.h"
#include "tools/common/png_io.h"
#include "tools/showtrace/checksum.h"
#include "vo/frame_observer.h"
#include "vo/main.h"
#include "vo/moveit.h"

namespace fs = std::filesystem;

namespace platform {
VirtualClock* HeadlessClock();
}

namespace {

const char* const HelpText =
    "usage: showtrace [--data DIR] [--until MS] [--keys FILE] [--png MS,...] [--out DIR]\n"
    "                 [--trace FILE]\n"
    "       showtrace --help | --version\n"
    "Runs the show headless, one frame per 1/60 s of show time from 0, and prints\n"
    "a line per frame: frame, show time (ms), active channels (hex), layers drawn,\n"
    "CRC-32 of the 640 x 480 index buffer and of the palette (r, g, b per entry).\n"
    "The first line names the content: the FNV-1a hash of v01.dat.\n"
    "  --data DIR   folder holding v01.dat (default: as tessaline looks, then\n"
    "               the folder of the tessaline program in the build tree)\n"
    "  --until MS   press Escape at this show time (default 40000)\n"
    "  --keys FILE  more timed events for the headless keyboard and mouse; a key\n"
    "               is read at the end of the last frame before its time\n"
    "  --png LIST   write frame_<MS>.png for the first frame at or after each time\n"
    "  --out DIR    where PNG frames go (default: current folder)\n"
    "  --trace FILE write the trace there instead of the standard output\n";

struct Run {
  std::FILE* trace = stdout;
  bool failed = false;  // a PNG could not be written
  std::vector<double> pngTimes;
  std::vector<bool> pngDone;
  fs::path out = ".";
  uint64_t frames = 0;
};

std::string LayersDrawn(const sTimeline& tl) {
  // Ranges of drawn layer numbers: "0,3-5,34".
  std::string s;
  int i = 0;
  auto drawn = [&](int n) {
    const uint32_t m = tl.Layers[n]->ChannelMask;
    return m == 0 || (m & tl.ActiveChannels) != 0;
  };
  while (i < tl.LayerCount) {
    if (!drawn(i)) {
      ++i;
      continue;
    }
    int j = i;
    while (j + 1 < tl.LayerCount && drawn(j + 1)) ++j;
    if (!s.empty()) s += ',';
    s += std::to_string(i);
    if (j > i) s += (j == i + 1 ? "," : "-") + std::to_string(j);
    i = j + 1;
  }
  return s.empty() ? "-" : s;
}

bool WriteFramePng(const platform::DDFrame& f, const fs::path& path) {
  sBitmap b;
  b.Create(f.width, f.height, KindIndex8, 1);
  for (int y = 0; y < f.height; ++y)
    std::memcpy(b.PixelAddress(0, y, 0), f.pixels.data() + static_cast<size_t>(y) * f.pitch, f.width);
  for (int i = 0; i < 256; ++i) b.Palette[i] = sColor{f.palette[i].red, f.palette[i].green, f.palette[i].blue, 255};
  std::string error;
  if (WritePng(path.string(), b, &error)) return true;
  std::fprintf(stderr, "showtrace: %s\n", error.c_str());
  return false;
}

// Exact steps of 1/60 s: frame n is shown at floor(n x 1000000 / 60) microseconds.
uint64_t FrameMicros(uint64_t n) { return n * 1000000 / 60; }

void OnFrame(const sFrameInfo& info, void* user) {
  Run& run = *static_cast<Run*>(user);
  platform::DDFrame f;
  if (!platform::GetHeadlessScreen()->LastFrame(f)) return;
  const uint32_t index = FrameIndexCrc(f);
  const uint32_t palette = FramePaletteCrc(f);
  std::fprintf(run.trace, "%6" PRIu64 " %11.3f ch %08x layers %s idx %08x pal %08x\n", info.Frame, info.Time,
               info.Timeline->ActiveChannels, LayersDrawn(*info.Timeline).c_str(), index, palette);
  for (size_t i = 0; i < run.pngTimes.size(); ++i) {
    if (run.pngDone[i] || info.Time < run.pngTimes[i]) continue;
    run.pngDone[i] = true;
    char name[64];
    std::snprintf(name, sizeof name, "frame_%05ld.png", std::lround(run.pngTimes[i]));
    if (!WriteFramePng(f, run.out / name)) run.failed = true;
  }
  run.frames = info.Frame + 1;
  platform::HeadlessClock()->Set(FrameMicros(info.Frame + 1));
}

void CreateDisplay() { new sWinDriver; }  // registers itself

// As the program looks (the working directory, the program's folder,
// ../share/tessaline beside it), then the tessaline program's folder in the
// build tree.
std::string DefaultDataDir(const char* argv0) {
  std::error_code ec;
  const std::string exe = ExecutableDirectory(argv0);
  std::vector<std::string> places = DataSearchPath(fs::current_path(ec).string(), exe);
  if (!exe.empty()) places.push_back((fs::path(exe).parent_path().parent_path() / "app").string());
  for (const std::string& place : places)
    if (fs::exists(fs::path(place) / "v01.dat", ec)) return place;
  return ".";
}

}  // namespace

int main(int argc, char** argv) {
  Run run;
  std::string data, keysFile, tracePath;
  double until = 40000;
  sCommandLine line(argc, argv);
  while (line.Next()) {
    if (line.Is("--data")) {
      data = line.Value();
    } else if (line.Is("--until")) {
      until = line.Real(0, 24 * 3600 * 1000.0);
    } else if (line.Is("--keys")) {
      keysFile = line.Value();
    } else if (line.Is("--out")) {
      run.out = line.Value();
    } else if (line.Is("--trace")) {
      tracePath = line.Value();
    } else if (line.Is("--png")) {
      std::stringstream list(line.Value());
      for (std::string item; std::getline(list, item, ',');) {
        char* end = nullptr;
        const double t = std::strtod(item.c_str(), &end);
        if (item.empty() || *end != '\0' || !(t >= 0 && t <= 24 * 3600 * 1000.0))
          line.Problem("--png wants show times in milliseconds separated by commas, not '" + item + "'");
        run.pngTimes.push_back(t);
      }
    } else {
      line.Unknown();
    }
  }
  line.Finish("showtrace", HelpText);
  run.pngDone.assign(run.pngTimes.size(), false);

  platform::BackendOptions backend;
  backend.virtualClock = true;
  backend.frameMicros = 0;  // the trace steps the clock itself
  if (!keysFile.empty()) {
    std::string error;
    std::vector<platform::InputScriptEvent> events;
    if (!platform::ReadInputScript(keysFile.c_str(), backend.keyScript, error) ||
        !platform::ParseInputScript(backend.keyScript, events, error)) {
      std::fprintf(stderr, "showtrace: --keys %s: %s\n", keysFile.c_str(), error.c_str());
      return 2;
    }
    backend.keyScript += "\n";
  }
  char end[64];
  std::snprintf(end, sizeof end, "%.0f key Escape\n", until);
  backend.keyScript += end;

  if (data.empty()) data = DefaultDataDir(argv[0]);
  std::error_code ec;
  if (!run.pngTimes.empty()) {
    // Checked before the show runs, not after it.
    fs::create_directories(run.out, ec);
    if (ec || ::access(run.out.c_str(), W_OK) != 0) {
      std::fprintf(stderr, "showtrace: --out %s: %s\n", run.out.c_str(),
                   ec ? ec.message().c_str() : std::strerror(errno));
      return 1;
    }
  }
  run.out = fs::absolute(run.out, ec);
  // Written whole at the end, or not at all; opened before the working folder changes.
  platform::OutputFile traceFile;
  if (!tracePath.empty()) {
    std::string error;
    if (!traceFile.Open(tracePath, &error)) {
      std::fprintf(stderr, "showtrace: %s\n", error.c_str());
      return 1;
    }
    run.trace = traceFile.Stream();
  }
  fs::current_path(data, ec);
  if (ec) {
    std::fprintf(stderr, "showtrace: --data %s: %s\n", data.c_str(), ec.message().c_str());
    return 2;
  }
  uint64_t contentHash;
  if (!FileFnv1a64("v01.dat", &contentHash)) {
    std::fprintf(stderr, "showtrace: no v01.dat in %s\n", fs::current_path().c_str());
    return 2;
  }
  std::fprintf(run.trace, "# content v01.dat fnv1a64 %016" PRIx64 "\n", contentHash);

  InitMathTables();
  if (!platform::StartBackend("headless", backend)) {
    std::fprintf(stderr, "showtrace: the headless backend could not start\n");
    return 1;
  }
  SetFrameObserver(OnFrame, &run);
  SetShellParts({StartDirectDraw, CreateDisplay, ReleaseDirectDraw, DemoMain});
  WinMain();
  int status = FatalText[0] || run.failed ? 1 : 0;
  if (FatalText[0]) std::fprintf(stderr, "showtrace: %s", FatalText);
  std::fprintf(run.trace, "# %" PRIu64 " frames\n", run.frames);
  std::string error;
  if (!tracePath.empty() && status == 0 && !traceFile.Commit(&error)) {
    std::fprintf(stderr, "showtrace: %s\n", error.c_str());
    status = 1;
  }
  if (MainThreadStillRunning()) std::_Exit(status);
  platform::StopBackend();
  return status;
}
