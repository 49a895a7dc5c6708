// The tessaline program. Options are parsed and the data folder chosen here;
// for now it then starts the platform and ends: the shell, the display and the
// show are wired in as they arrive.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/options.h"
#include "framework/math.h"
#include "platform/backend.h"
#include "platform/headless/input.h"

int main(int argc, char** argv) {
  Options options;
  std::string error;
  if (!ParseOptions(argc, argv, options, error)) {
    std::fprintf(stderr, "tessaline: %s (try --help)\n", error.c_str());
    return BadOptionsStatus;
  }
  if (options.help) {
    std::fputs(Usage().c_str(), stdout);
    return 0;
  }
  platform::BackendOptions backend;
  backend.window = options.window;
  backend.virtualClock = options.headless;
  if (!options.keys.empty()) {
    std::vector<platform::InputScriptEvent> events;
    if (!platform::LoadInputScript(options.keys.c_str(), events, error)) {
      std::fprintf(stderr, "tessaline: --keys %s: %s\n", options.keys.c_str(), error.c_str());
      return BadOptionsStatus;
    }
    std::FILE* f = std::fopen(options.keys.c_str(), "rb");
    for (int c; f && (c = std::fgetc(f)) != EOF;) backend.keyScript += static_cast<char>(c);
    if (f) std::fclose(f);
  }
  std::error_code ec;
  std::string dir = ChooseDataDirectory(options, std::filesystem::current_path(ec).string(),
                                        ExecutableDirectory(argv[0]));
  std::filesystem::current_path(dir, ec);
  if (ec) {
    std::fprintf(stderr, "tessaline: --data %s: %s\n", dir.c_str(), ec.message().c_str());
    return BadOptionsStatus;
  }
  InitMathTables();
  if (!platform::StartBackend(options.headless ? "headless" : nullptr, backend)) {
    std::fprintf(stderr, "tessaline: no platform backend could start\n");
    return 1;
  }
  platform::StopBackend();
  return 0;
}
