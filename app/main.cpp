// The tessaline program: the Linux entry around the original's. Options and
// the data folder are settled here, then the platform starts and the shell
// runs the show as the original's entry did.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include <unistd.h>

#include "app/options.h"
#include "app/record.h"
#include "app/show_setup.h"
#include "app/studio.h"
#include "app/stop_signals.h"
#include "tools/common/command_line.h"
#include "framework/system/driver.h"
#include "framework/system/fatal.h"
#include "framework/system/shell.h"
#include "platform/backend.h"
#include "platform/cd_folder.h"
#include "platform/headless/input.h"
#include "vo/main.h"

namespace {

void CreateDisplay() { new sWinDriver; }  // registers itself; destroyed with the devices

// The script's text and the time of its last event (0 for none).
bool ReadKeyScript(const std::string& path, std::string& text, uint64_t& lastMs, std::string& error) {
  std::vector<platform::InputScriptEvent> events;
  if (!platform::ReadInputScript(path.c_str(), text, error) || !platform::ParseInputScript(text, events, error))
    return false;
  lastMs = events.empty() ? 0 : events.back().timeMs;
  return true;
}

// Bad data found before the show starts. Started from a desktop (stderr is
// no terminal) with a display at hand, the window shows the text as it shows
// a fatal error's; otherwise it is one line on stderr.
int FailBeforeShow(const Options& options, const platform::BackendOptions& backend, const std::string& text) {
  const char* name = std::getenv("TESSALINE_BACKEND");
  const bool windowed = !options.headless && (!name || !*name || std::string(name) == "sdl");
  if (windowed && !isatty(STDERR_FILENO) && platform::StartBackend("sdl", backend)) {
    platform::Window& window = platform::GetWindow();
    const bool shown = window.RegisterClass("Tessaline") && window.Create("Tessaline", 0, 0, 320, 200);
    if (shown) {
      window.Show();
      window.MessageBox((text + "\n").c_str(), "Tessaline");  // on stderr too
    }
    platform::StopBackend();
    EndByStopSignal();
    if (shown) return 1;
  }
  std::fprintf(stderr, "tessaline: %s\n", text.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  std::string error;
  if (!ParseOptions(argc, argv, options, error)) {
    ExitUsage("tessaline", error);
  }
  if (options.help) {
    std::fputs(Usage().c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("%s\n", VersionLine("tessaline").c_str());
    return 0;
  }
  CatchStopSignals();
  platform::BackendOptions backend;
  backend.window = options.window;
  backend.windowWidth = options.windowWidth;
  backend.windowHeight = options.windowHeight;
  backend.scale = options.scale;
  if (options.noVsync) backend.vsync = 0;
  backend.virtualClock = options.headless;
  uint64_t lastKeyMs = 0;
  if (!options.keys.empty() && !ReadKeyScript(options.keys, backend.keyScript, lastKeyMs, error)) {
    std::fprintf(stderr, "tessaline: --keys %s: %s\n", options.keys.c_str(), error.c_str());
    return BadOptionsStatus;
  }
  // The show and its data, checked before anything starts.
  static ShowSetup show;
  std::error_code ec;
  const std::string cwd = std::filesystem::current_path(ec).string();
  if (int status = SetUpShow(options, cwd, ExecutableDirectory(argv[0]), &show, &error)) {
    if (status == ShowBadData && !options.check) return FailBeforeShow(options, backend, error);
    std::fprintf(stderr, "tessaline: %s\n", error.c_str());
    return status;
  }
  if (options.check) {
    bool complete = false;
    std::fputs(CheckReport(show, &complete).c_str(), stdout);
    return complete ? 0 : 1;
  }
  if (std::string problem = FirstProblem(show.data, show.needs); !problem.empty())
    return FailBeforeShow(options, backend, problem);
  RecordSettings record;
  const bool recording = !options.record.empty();
  // A headless show ends after its last scene, or after --seconds; a key
  // script without --seconds plays all its events first (an empty one, none).
  if (options.headless && !recording) {
    uint64_t endMs = static_cast<uint64_t>(std::llround(options.recordSeconds * 1000));
    if (!options.keys.empty() && !options.secondsGiven) endMs = std::max(endMs, lastKeyMs + 1);
    backend.keyScript += "\n" + std::to_string(endMs) + " key Escape\n";
  }
  if (recording) {
    record.out = options.record;
    record.video = VideoFormatOfName(options.record, &record.format);
    record.fps = options.recordFps;
    record.seconds = options.recordSeconds;
    record.quiet = options.quiet;
    record.progress = !options.quiet && isatty(STDERR_FILENO);
    if (!PrepareRecord(record, backend, &error)) {
      std::fprintf(stderr, "tessaline: --record %s: %s\n", options.record.c_str(), error.c_str());
      return 1;
    }
    SetStopCleanup([] {
      if (AbandonRecord()) std::fputs("tessaline: export stopped: nothing of it is kept\n", stderr);
    });
  }
  std::filesystem::current_path(show.data.Folder(), ec);
  if (ec) {
    std::fprintf(stderr, "tessaline: %s: %s\n", show.data.Folder().c_str(), ec.message().c_str());
    if (recording) AbandonRecord();
    return 1;
  }
  SetShowSource(SourceOf(show));

  const char* name = options.headless ? "headless" : std::getenv("TESSALINE_BACKEND");
  if (!name || !*name) name = "sdl";
  if (!platform::StartBackend(name, backend)) {
    if (std::string(name) == "sdl")
      std::fprintf(stderr,
                   "tessaline: no display could be opened (is DISPLAY or WAYLAND_DISPLAY set?); "
                   "--headless runs the show without a window\n");
    else
      std::fprintf(stderr, "tessaline: the %s backend could not start\n", name);
    if (recording) AbandonRecord();
    return 1;
  }
  if (recording && !BeginRecord(record, &error)) {
    std::fprintf(stderr, "tessaline: --record: %s\n", error.c_str());
    AbandonRecord();
    platform::StopBackend();
    return 1;
  }

  // No CD drive unless a folder of WAV tracks stands in for a disc.
  static std::unique_ptr<platform::FolderCdAudio> disc;
  if (const char* cd = std::getenv("TESSALINE_CD"); cd && *cd) {
    disc = std::make_unique<platform::FolderCdAudio>(cd);
    platform::SetCdAudio(disc.get());
  }

  if (options.studio) SetStudio(&show, cwd);
  SetShellParts({StartDirectDraw, CreateDisplay, ReleaseDirectDraw, options.studio ? StudioMain : DemoMain});
  WinMain();
  // The original returned 0 even after a fatal error.
  int status = FatalText[0] ? 1 : 0;
  if (MainThreadStillRunning()) {
    // The window went first; the show's thread still holds the display.
    std::fflush(nullptr);
    EndByStopSignal();
    std::_Exit(status);
  }
  if (recording && !FinishRecord(record) && status == 0) status = 1;
  platform::StopBackend();
  EndByStopSignal();
  return status;
}
