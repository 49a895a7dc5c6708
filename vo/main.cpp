// DemoMain: set-up, the frame loop and shut-down of the show.
#include "framework/display.h"
#include "framework/pack.h"
#include "framework/system/clocks.h"
#include "framework/system/devices.h"
#include "framework/system/fatal.h"
#include "framework/system/input.h"
#include "vo/frame_observer.h"
#include "vo/main.h"
#include "vo/moveit.h"
#include "vo/palette.h"
#include "vo/profiler.h"
#include "vo/screen.h"
#include "vo/script.h"
#include "vo/soundtrack.h"

sDisplay* TheDisplay;
sDisplayMode ScreenMode;

namespace {
const int AssertNoScreenMode = 67;
// The show time stops here (about 35.8 minutes), and a clock that went back freezes it.
const uint64_t LastMicrosecond = 2147483647;

enum : uint32_t { KeyEscape = 27, KeySpace = 32, KeyM = 109, KeyR = 114 };

sShowSource source;
}  // namespace

void SetShowSource(const sShowSource& s) { source = s; }
const sShowSource& ShowSource() { return source; }

void OpenShowData(const sShowSource& s) {
  if (s.Pack) OpenPackFile(s.Pack);
}

void BuildShowTimeline(const sShowSource& s, sTimeline* timeline) {
  if (s.Build)
    s.Build(timeline, s.User);
  else
    Script(timeline);
}

void LoadShowSoundtrack(const sShowSource& s) {
  if (s.Soundtrack) DecodeSoundtrack(s.Soundtrack);
}

void DemoMain() {
  sTimeline timeline;
  TheDisplay = static_cast<sDisplay*>(GetDevice(DeviceDisplay, -1));
  sPointer* pointer = static_cast<sPointer*>(GetDevice(DevicePointer, -1));
  sKeyboard* keyboard = static_cast<sKeyboard*>(GetDevice(DeviceKeyboard, -1));
  // Without these the loop would call through null devices.
  if (!TheDisplay) Fatal("No display device");
  if (!pointer) Fatal("No pointer device");
  if (!keyboard) Fatal("No keyboard device");
  OpenShowData(source);

  ScreenMode = sDisplayMode(640, 480, KindIndex8);
  if (!TheDisplay->FindMode(&ScreenMode)) Assertion(AssertNoScreenMode, "vo/main");
  TheDisplay->SetDisplayMode(&ScreenMode);

  timeline.Reset();
  BuildShowTimeline(source, &timeline);
  timeline.Prepare(TheDisplay);
  TheDisplay->LoadTextures(&ScreenMode);
  TheDisplay->UploadTextures();
  Profiler.SetScale(25);
  bool running = true, overlay = false;
  LoadShowSoundtrack(source);
  uint64_t start = GetMicroseconds();

  for (uint64_t frame = 0; running; ++frame) {
    uint64_t elapsed = GetMicroseconds() - start;
    if (elapsed > LastMicrosecond) elapsed = LastMicrosecond;
    TheDisplay->BeginFrame(0);
    // A palette rewritten while the last frame was drawn goes out now.
    if (PaletteChanged) {
      TheDisplay->SetPalette(ScreenPalette);
      PaletteChanged = 0;
    }
    Profiler.Begin(0);
    StartSound();
    Profiler.Mark(8);
    const float t = static_cast<float>(static_cast<double>(elapsed) * 0.001);
    timeline.Render(TheDisplay, t);
    Profiler.Mark(15);
    if (overlay) Profiler.Draw(TheDisplay);
    TheDisplay->Present();
    Profiler.Mark(15);
    ObserveFrame(sFrameInfo{frame, t, &timeline});

    sPointerState state{};
    pointer->ReadState(&state);
    // Both first buttons quit, after this iteration.
    if (state.Buttons == 3) running = false;
    const uint32_t key = keyboard->ReadKey();
    if (key == KeyEscape || key == KeySpace) break;
    if (key == KeyM) overlay = !overlay;
    if (key == KeyR) {
      start = GetMicroseconds();
      StopSound();
      timeline.Reset();
    }
  }

  TheDisplay->ReleaseTextures();
  StopSound();
}
