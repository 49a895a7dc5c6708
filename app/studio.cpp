#include "app/studio.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>

#include "app/record.h"
#include "framework/display.h"
#include "framework/pack.h"
#include "framework/system/devices.h"
#include "framework/system/fatal.h"
#include "framework/system/input.h"
#include "framework/system/keys.h"
#include "platform/backend.h"
#include "platform/sound.h"
#include "platform/window.h"
#include "vo/blobfield.h"
#include "vo/main.h"
#include "vo/moveit.h"
#include "vo/palette.h"
#include "vo/screen.h"
#include "vo/show/showfile.h"
#include "vo/soundtrack.h"

namespace fs = std::filesystem;

namespace {

// The show time stops at 2,147,483,647 microseconds.
constexpr double LastMicrosecond = 2147483647.0;

uint64_t LastFrame(unsigned frameMicros) { return static_cast<uint64_t>(LastMicrosecond / frameMicros); }

ShowSetup* studioSetup = nullptr;
std::string studioStart;

}  // namespace

float StudioFrameTime(uint64_t frame, unsigned frameMicros) {
  double elapsed = static_cast<double>(frame) * frameMicros;
  if (elapsed > LastMicrosecond) elapsed = LastMicrosecond;
  return static_cast<float>(elapsed * 0.001);
}

uint64_t StudioFrameAfter(double ms, unsigned frameMicros) {
  if (ms < 0) return 0;
  uint64_t n = static_cast<uint64_t>(ms * 1000.0 / frameMicros);
  while (n > 0 && StudioFrameTime(n - 1, frameMicros) > ms) --n;
  while (StudioFrameTime(n, frameMicros) <= ms && n < LastFrame(frameMicros)) ++n;
  return n;
}

uint64_t StudioChannelJump(const sTimeline& timeline, uint64_t frame, int direction, unsigned frameMicros) {
  uint64_t best = direction < 0 ? 0 : frame;
  bool found = false;
  for (const sTimeline::Window& w : timeline.Channel) {
    if (!(w.Start < w.End)) continue;  // never open
    const uint64_t f = StudioFrameAfter(w.Start, frameMicros);
    if (direction < 0 ? f < frame && f >= best : f > frame && (!found || f < best)) {
      best = f;
      found = true;
    }
  }
  return best;
}

std::string StudioTitle(uint64_t frame, float time, uint32_t channels, bool paused, const std::string& note) {
  char text[160];
  std::snprintf(text, sizeof text, "Tessaline studio  %.3f s  frame %llu  channels", time / 1000.0,
                static_cast<unsigned long long>(frame));
  std::string title = text;
  if (channels == 0) title += " none";
  for (int c = 0; c < 32; ++c)
    if (channels & (1u << c)) title += " " + std::to_string(c);
  if (paused) title += "  paused";
  if (!note.empty()) title += "  | " + note;
  return title;
}

void StudioPresenter::ShowFrame(const platform::DDFrame& frame) {
  if (drop) return;
  last_ = frame;
  have_ = true;
  if (next_) next_->ShowFrame(frame);
}

void StudioPresenter::ShowAgain() {
  if (have_ && next_) next_->ShowFrame(last_);
}

Studio::Studio(ShowSetup* setup, std::string startFolder)
    : setup_(setup), startFolder_(std::move(startFolder)), frameMicros_(platform::CurrentOptions().frameMicros) {
  if (frameMicros_ == 0) frameMicros_ = 16667;
  backendPresenter_ = platform::GetPresenter();
  presenter_ = std::make_unique<StudioPresenter>(backendPresenter_);
  platform::SetPresenter(presenter_.get());
  FilesChanged();  // the first look
}

Studio::~Studio() {
  platform::SetPresenter(backendPresenter_);
  DropShow();
}

void Studio::DropShow() {
  // The display forgets the backdrops' texture records before they go.
  TheDisplay->ReleaseTextures();
  for (int i = TheDisplay->GetTextureCount(); i-- > 0;) TheDisplay->RemoveTexture(TheDisplay->GetTexture(i));
  timeline_.reset();
}

bool Studio::Rebuild(std::string* error) {
  const std::string problem = FirstProblem(setup_->data, setup_->needs);
  if (!problem.empty()) {
    *error = problem;
    return false;
  }
  // Everything the program's start-up leaves as it found it.
  DropShow();
  ClosePackFile();
  ResetScreenPalette();
  ForgetBlobFields();
  TheDisplay->SetDisplayMode(&ScreenMode);
  const sShowSource source = SourceOf(*setup_);
  OpenShowData(source);
  timeline_ = std::make_unique<sTimeline>();
  BuildShowTimeline(source, timeline_.get());
  timeline_->Prepare(TheDisplay);
  TheDisplay->LoadTextures(&ScreenMode);
  TheDisplay->UploadTextures();
  next_ = 0;
  return true;
}

bool Studio::Reload(std::string* error) {
  if (setup_->fromFile) {
    sShow show;
    if (!ReadShowFile(setup_->showPath, &show, error)) return false;
    sShowData data;
    if (setup_->data.IsPack() && !data.OpenPack(setup_->data.Path(), error)) return false;
    if (!setup_->data.IsPack()) data.OpenFolder(setup_->data.Path());
    const std::vector<sNeed> needs = ShowNeeds(show);
    if (std::string problem = FirstProblem(data, needs); !problem.empty()) {
      *error = problem;
      return false;
    }
    setup_->show = show;
    setup_->needs = needs;
    setup_->data = data;
  } else if (setup_->data.IsPack()) {
    sShowData data;
    if (!data.OpenPack(setup_->data.Path(), error)) return false;
    setup_->data = data;
  }
  return Rebuild(error);
}

void Studio::RunFrame(uint64_t frame, bool draw, bool visible) {
  TheDisplay->BeginFrame(0);
  if (PaletteChanged) {
    TheDisplay->SetPalette(ScreenPalette);
    PaletteChanged = 0;
  }
  const float t = StudioFrameTime(frame, frameMicros_);
  if (draw)
    timeline_->Render(TheDisplay, t);
  else
    timeline_->Advance(t);
  presenter_->drop = !visible;
  TheDisplay->Present();
  presenter_->drop = false;
  next_ = frame + 1;
}

void Studio::GoTo(uint64_t frame) {
  frame = std::min(frame, LastFrame(frameMicros_));
  if (frame < next_) {
    std::string error;
    if (!Rebuild(&error)) {
      note_ = error;
      std::fprintf(stderr, "tessaline: %s\n", error.c_str());
      target_ = Frame();
      return;
    }
  }
  const int chain = (ScreenMode.BackBuffers < 1 ? 1 : ScreenMode.BackBuffers) + 1;
  const sTimeline& tl = *timeline_;
  const unsigned step = frameMicros_;
  const std::vector<bool> draw = StudioFramesToDraw(
      next_, frame, chain, [&](uint64_t i) { return tl.Covered(StudioFrameTime(i, step)); });
  for (uint64_t i = next_, first = next_; i <= frame; ++i) RunFrame(i, draw[i - first], i == frame);
  target_ = frame;
}

void Studio::Play(bool playing) {
  paused_ = !playing;
  StopSound();
  sound_.clear();
  // An image without its header holds no soundtrack: the show is silent.
  if (!playing || std::memcmp(SoundImage, SoundHeader, 4) != 0) return;
  const int64_t data = SoundImageBytes - SoundHeaderBytes;
  const int64_t from = std::min<int64_t>(data, std::llround(StudioFrameTime(target_, frameMicros_) * 44.1) * 4);
  sound_.assign(SoundImage, SoundImage + SoundHeaderBytes);
  sound_.insert(sound_.end(), SoundImage + SoundHeaderBytes + from, SoundImage + SoundImageBytes);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) sound_[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  put32(4, static_cast<uint32_t>(sound_.size() - 8));
  put32(40, static_cast<uint32_t>(data - from));
  platform::GetSound().PlaySound(sound_.data(), sound_.size());
}

void Studio::Snapshot() {
  const platform::DDFrame* frame = presenter_->Last();
  if (!frame) return;
  char name[48];
  std::string path, error;
  // Never over an existing file.
  for (int n = 1; n <= 100 && path.empty(); ++n) {
    if (n == 1)
      std::snprintf(name, sizeof name, "studio-frame%05llu.png", static_cast<unsigned long long>(Frame()));
    else
      std::snprintf(name, sizeof name, "studio-frame%05llu-%d.png", static_cast<unsigned long long>(Frame()), n);
    std::error_code ec;
    if (!fs::exists(fs::path(startFolder_) / name, ec)) path = (fs::path(startFolder_) / name).string();
  }
  if (path.empty() || !WriteFramePng(path, *frame, &error)) {
    std::fprintf(stderr, "tessaline: the frame was not saved: %s\n",
                 path.empty() ? "100 snapshots of it are there already" : error.c_str());
    return;
  }
  std::printf("tessaline: saved %s (%s)\n", path.c_str(),
              StudioTitle(Frame(), StudioFrameTime(Frame(), frameMicros_), timeline_->ActiveChannels, paused_, "")
                  .c_str());
  std::fflush(stdout);
}

bool Studio::HandleKey(uint32_t key) {
  if (key & KeyReleased) return true;
  const uint32_t code = key & KeyCodeMask;
  const bool shift = (key & (ModShiftL | ModShiftR)) != 0;
  const uint64_t second = static_cast<uint64_t>(std::lround(1e6 / frameMicros_));
  const uint64_t now = Frame();
  switch (code) {
    case 27: return false;  // Escape
    case ' ': Play(paused_); break;
    case KeyLeft:
    case KeyRight: {
      const uint64_t by = shift ? second : 1;
      target_ = code == KeyRight ? now + by : (now > by ? now - by : 0);
      Play(false);
      break;
    }
    case KeyPageUp:
    case KeyPageDown:
      target_ = StudioChannelJump(*timeline_, now, code == KeyPageUp ? -1 : 1, frameMicros_);
      if (!paused_) Play(true);
      break;
    case KeyHome:
      target_ = 0;
      if (!paused_) Play(true);
      break;
    case 's':
    case 'S': Snapshot(); break;
    default: break;
  }
  return true;
}

std::vector<std::string> Studio::WatchedFiles() const {
  std::vector<std::string> files;
  if (setup_->fromFile) files.push_back(setup_->showPath);
  if (setup_->data.IsPack())
    files.push_back(setup_->data.Path());
  else
    for (const sNeed& n : setup_->needs) files.push_back((fs::path(setup_->data.Path()) / n.Name).string());
  return files;
}

bool Studio::FilesChanged() {
  std::vector<std::pair<std::string, std::string>> stamps;
  for (const std::string& f : WatchedFiles()) {
    std::error_code ec;
    const auto size = fs::file_size(f, ec);
    const auto time = fs::last_write_time(f, ec);
    stamps.push_back({f, ec ? "-" : std::to_string(size) + " " + std::to_string(time.time_since_epoch().count())});
  }
  const bool changed = stamps != stamps_;
  stamps_ = stamps;
  return changed;
}

void Studio::Run() {
  sKeyboard* keyboard = static_cast<sKeyboard*>(GetDevice(DeviceKeyboard, -1));
  if (!keyboard) Fatal("No keyboard device");
  auto lastLook = std::chrono::steady_clock::now();
  std::string shown;
  Play(true);
  GoTo(0);
  while (!quit_) {
    for (uint32_t key; !quit_ && (key = keyboard->ReadKey()) != 0;) quit_ = !HandleKey(key);
    if (quit_) break;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastLook >= std::chrono::milliseconds(100)) {
      lastLook = now;
      if (FilesChanged()) {
        std::string error;
        const uint64_t at = Frame();
        if (Reload(&error)) {
          note_.clear();
          GoTo(at);
          if (!paused_) Play(true);
          std::fprintf(stderr, "tessaline: reloaded the show at frame %llu\n", static_cast<unsigned long long>(at));
        } else {
          note_ = error;
          std::fprintf(stderr, "tessaline: %s\n", error.c_str());
        }
      }
    }
    if (!paused_) target_ = Frame() + 1;
    if (target_ != Frame()) {
      GoTo(target_);
    } else {
      // Paused: the picture stays, the keys and the file watch go on.
      presenter_->ShowAgain();
      std::this_thread::sleep_for(std::chrono::milliseconds(15));
    }
    const std::string title = StudioTitle(Frame(), StudioFrameTime(Frame(), frameMicros_),
                                          timeline_->ActiveChannels, paused_, note_);
    if (title != shown) platform::GetWindow().SetTitle(title.c_str());
    shown = title;
  }
  StopSound();
}

void SetStudio(ShowSetup* setup, const std::string& startFolder) {
  studioSetup = setup;
  studioStart = startFolder;
}

void StudioMain() {
  TheDisplay = static_cast<sDisplay*>(GetDevice(DeviceDisplay, -1));
  if (!TheDisplay) Fatal("No display device");
  ScreenMode = sDisplayMode(640, 480, KindIndex8);
  if (!TheDisplay->FindMode(&ScreenMode)) Assertion(67, "vo/main");
  TheDisplay->SetDisplayMode(&ScreenMode);
  LoadShowSoundtrack(SourceOf(*studioSetup));
  Studio studio(studioSetup, studioStart);
  std::string error;
  if (!studio.Rebuild(&error)) Fatal(error.c_str());
  studio.Run();
}
