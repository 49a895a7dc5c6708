#include "tests/support/show_in_process.h"
#include <filesystem>
#include "framework/math.h"
#include "framework/system/devices.h"
#include "framework/system/driver.h"
#include "framework/system/fatal.h"
#include "framework/system/reset.h"
#include "framework/system/shell.h"
#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/display.h"
#include "platform/headless/screen.h"
#include "tests/support/paths.h"
#include "vo/main.h"
#include "vo/screen.h"
namespace platform {
VirtualClock* HeadlessClock();
}
namespace showrun {
namespace {
void Observe(const sFrameInfo& f, void* user) {
  platform::HeadlessClock()->Set((*static_cast<const FrameHook*>(user))(f));
}
void CreateDisplay() { new sWinDriver; }
}  // namespace
std::string Run(const std::string& keys, const FrameHook& hook) {
  ResetProcessState();  // the pack is opened once per process
  std::filesystem::current_path(testpaths::Build() + "/app");
  InitMathTables();
  platform::BackendOptions options;
  options.virtualClock = true;
  options.frameMicros = 0;
  options.keyScript = keys;
  if (!platform::StartBackend("headless", options)) return "the headless backend did not start";
  SetFrameObserver(Observe, const_cast<FrameHook*>(&hook));
  SetShellParts({StartDirectDraw, CreateDisplay, ReleaseDirectDraw, DemoMain});
  WinMain();
  const std::string fatal = FatalText;
  // A show ended by a fatal error leaves its devices registered, the driver holding the screen's surfaces.
  if (!fatal.empty()) DestroyDevices();
  platform::ClearDisplayFaults();
  platform::StopBackend();
  return fatal;
}
uint64_t ScreenHash() {
  const platform::DDSurface* front = static_cast<sWinDriver*>(TheDisplay)->PrimarySurface();
  uint64_t hash = 14695981039346656037ull;
  for (int i = 0; i < front->Pitch() * front->Height(); ++i) hash = (hash ^ front->Memory()[i]) * 1099511628211ull;
  return hash;
}
uint64_t PresentedFrames() { return platform::GetHeadlessScreen()->FrameCount(); }
}  // namespace showrun
