// The tessaline program: the Linux entry around the original's. Options and
// the data folder are settled here, then the platform starts and the shell
// runs the show as the original's entry did.
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

bool ReadKeyScript(const std::string& path, std::string& text, std::string& error) {
  std::vector<platform::InputScriptEvent> events;
  return platform::ReadInputScript(path.c_str(), text, error) && platform::ParseInputScript(text, events, error);
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
  platform::BackendOptions backend;
  backend.window = options.window;
  backend.virtualClock = options.headless;
  if (!options.keys.empty() && !ReadKeyScript(options.keys, backend.keyScript, error)) {
    std::fprintf(stderr, "tessaline: --keys %s: %s\n", options.keys.c_str(), error.c_str());
    return BadOptionsStatus;
  }
  // The show and its data, checked before anything starts.
  static ShowSetup show;
  std::error_code ec;
  const std::string cwd = std::filesystem::current_path(ec).string();
  if (int status = SetUpShow(options, cwd, ExecutableDirectory(argv[0]), &show, &error)) {
    std::fprintf(stderr, "tessaline: %s\n", error.c_str());
    return status;
  }
  if (options.check) {
    bool complete = false;
    std::fputs(CheckReport(show, &complete).c_str(), stdout);
    return complete ? 0 : 1;
  }
  if (std::string problem = FirstProblem(show.data, show.needs); !problem.empty()) {
    std::fprintf(stderr, "tessaline: %s\n", problem.c_str());
    return 1;
  }
  RecordSettings record;
  const bool recording = !options.record.empty();
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
                   "tessaline: no display could be opened (is DISPLAY or WAYLAND_DISPLAY set?);\n"
                   "           use --headless to run the show without a window\n");
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
    std::_Exit(status);
  }
  if (recording && !FinishRecord(record) && status == 0) status = 1;
  platform::StopBackend();
  return status;
}
