#include "app/record.h"

#include <fcntl.h>
#include <png.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/headless/screen.h"
#include "platform/headless/sound.h"
#include "platform/output/output_file.h"
#include "platform/sound.h"

namespace fs = std::filesystem;

int RecordFrameCount(const RecordSettings& s) { return static_cast<int>(std::lround(s.fps * s.seconds)); }

uint64_t RecordSoundFrames(const RecordSettings& s) {
  return static_cast<uint64_t>(RecordFrameCount(s)) * platform::SoundMixer::Rate / static_cast<uint64_t>(s.fps);
}

unsigned RecordFrameMicros(const RecordSettings& s) {
  return static_cast<unsigned>(std::lround(1000000.0 / s.fps));
}

std::string RecordKeyScript(const RecordSettings& s) {
  // Escape once the clock has passed the last frame: the frame loop reads it
  // after presenting, so every frame up to it is drawn.
  uint64_t endMs = (static_cast<uint64_t>(RecordFrameCount(s)) * RecordFrameMicros(s) + 999) / 1000;
  return std::to_string(endMs) + " key Escape\n";
}

std::string RecordFramePath(const RecordSettings& s, int index) {
  char name[32];
  std::snprintf(name, sizeof name, "/frame%05d.png", index);
  return s.out + name;
}

std::string RecordSoundPath(const RecordSettings& s) { return s.out + "/sound.wav"; }

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string RecordMuxCommand(const RecordSettings& s) {
  // The frame pattern is printf-like for ffmpeg: a '%' of the folder's name is doubled.
  std::string pattern;
  for (char c : s.out) pattern += c == '%' ? std::string("%%") : std::string(1, c);
  return "ffmpeg -framerate " + std::to_string(s.fps) + " -i " + ShellQuote(pattern + "/frame%05d.png") + " -i " +
         ShellQuote(RecordSoundPath(s)) + " -c:v libx264 -pix_fmt yuv420p -crf 16 -c:a aac -b:a 192k -shortest " +
         ShellQuote(s.out + ".mp4");
}

namespace {
struct PngFile {
  std::FILE* file = nullptr;
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~PngFile() {
    if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
    if (file) std::fclose(file);
  }
};
}  // namespace

bool WriteFramePng(const std::string& path, const platform::DDFrame& frame, std::string* error) {
  const bool indexed = (frame.format.flags & platform::DDPF_PALETTEINDEXED8) != 0;
  std::vector<uint8_t> rgb;
  if (!indexed) {
    rgb.resize(static_cast<size_t>(frame.width) * frame.height * 3);
    platform::FrameToRgb(frame, rgb.data());
  }
  PngFile out;
  out.file = std::fopen(path.c_str(), "wb");
  if (!out.file) {
    *error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  out.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (out.png) out.info = png_create_info_struct(out.png);
  if (!out.png || !out.info) {
    *error = "libpng could not start";
    return false;
  }
  if (setjmp(png_jmpbuf(out.png))) {
    *error = "cannot write " + path;
    return false;
  }
  png_init_io(out.png, out.file);
  // No time or text chunks: the same frame always makes the same file.
  png_set_compression_level(out.png, 6);
  png_set_IHDR(out.png, out.info, frame.width, frame.height, 8, indexed ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_color palette[256];
  if (indexed) {
    for (int i = 0; i < 256; ++i) palette[i] = {frame.palette[i].red, frame.palette[i].green, frame.palette[i].blue};
    png_set_PLTE(out.png, out.info, palette, 256);
  }
  png_write_info(out.png, out.info);
  for (int y = 0; y < frame.height; ++y) {
    const uint8_t* row = indexed ? frame.pixels.data() + static_cast<size_t>(y) * frame.pitch
                                 : rgb.data() + static_cast<size_t>(y) * frame.width * 3;
    png_write_row(out.png, const_cast<png_bytep>(row));
  }
  png_write_end(out.png, nullptr);
  std::FILE* file = out.file;
  out.file = nullptr;
  if (std::fflush(file) != 0 || std::ferror(file)) {
    *error = "cannot write " + path + ": " + std::strerror(errno);
    std::fclose(file);
    return false;
  }
  if (std::fclose(file) != 0) {
    *error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

namespace {

// Where the export's pictures and sound go.
class ExportSink {
public:
  virtual ~ExportSink() = default;  // without Finish: nothing is left behind
  virtual bool Frame(const platform::DDFrame& frame, std::string* error) = 0;
  virtual bool Sound(const int16_t* samples, int frames, std::string* error) = 0;
  // The sound is padded with silence to `soundFrames`.
  virtual bool Finish(uint64_t soundFrames, std::string* error) = 0;
};

void PutLe(uint8_t* at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

// Numbered PNG frames and sound.wav in a folder that holds nothing else.
class FolderSink final : public ExportSink {
public:
  static constexpr const char* LockName = ".tessaline-export.lock";

  ~FolderSink() override {
    if (!finished_) RemoveExport();
    if (sound_) std::fclose(sound_);
    if (lock_ >= 0) {
      if (ownLockFile_) ::unlink(LockPath().c_str());
      ::close(lock_);
    }
    if (madeFolder_) ::rmdir(settings_.out.c_str());
  }

  // A name an export writes (frames, sound, the lock).
  static bool OfAnExport(const std::string& name) {
    if (name == "sound.wav" || name == LockName) return true;
    if (name.size() < 14 || name.compare(0, 5, "frame") != 0 || name.compare(name.size() - 4, 4, ".png") != 0)
      return false;
    for (size_t i = 5; i + 4 < name.size(); ++i)
      if (!std::isdigit(static_cast<unsigned char>(name[i]))) return false;
    return true;
  }

  bool Claim(const RecordSettings& settings, std::string* error) {
    settings_ = settings;
    const std::string& dir = settings_.out;
    std::error_code ec;
    const bool existed = fs::exists(dir, ec);
    fs::create_directories(dir, ec);
    if (ec || !fs::is_directory(dir, ec)) {
      *error = "cannot make the folder " + dir + (ec ? ": " + ec.message() : ": a file has that name");
      return false;
    }
    madeFolder_ = !existed;
    // The lock: a second export into the folder finds it held.
    lock_ = ::open(LockPath().c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (lock_ >= 0) {
      ownLockFile_ = true;
    } else if (errno == EEXIST) {
      lock_ = ::open(LockPath().c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    }
    if (lock_ < 0) {
      *error = "cannot write into " + dir + ": " + std::strerror(errno);
      return false;
    }
    struct stat held, named;
    if (::flock(lock_, LOCK_EX | LOCK_NB) != 0 || ::fstat(lock_, &held) != 0 ||
        ::stat(LockPath().c_str(), &named) != 0 || held.st_ino != named.st_ino) {
      ownLockFile_ = false;
      *error = "another export is writing into " + dir;
      return false;
    }
    ownLockFile_ = true;  // held: it goes when this export ends
    // Nothing but an earlier export may be replaced.
    std::vector<std::string> old;
    for (auto it = fs::directory_iterator(dir, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
      const std::string name = it->path().filename().string();
      if (name == LockName) continue;
      std::error_code typeError;
      if (!OfAnExport(name) || !it->is_regular_file(typeError) || it->is_symlink(typeError)) {
        *error = dir + " holds \"" + name + "\", which no export makes: give a new or empty folder, or one with an "
                 "earlier export";
        return false;
      }
      old.push_back(it->path().string());
    }
    if (ec) {
      *error = "cannot read the folder " + dir + ": " + ec.message();
      return false;
    }
    for (const std::string& path : old)
      if (::unlink(path.c_str()) != 0) {
        *error = "cannot remove the earlier export's " + path + ": " + std::strerror(errno);
        return false;
      }
    return true;
  }

  bool Frame(const platform::DDFrame& frame, std::string* error) override {
    if (!WriteFramePng(RecordFramePath(settings_, frames_), frame, error)) {
      ::unlink(RecordFramePath(settings_, frames_).c_str());
      return false;
    }
    ++frames_;
    return true;
  }

  bool Sound(const int16_t* samples, int frames, std::string* error) override {
    if (!sound_ && !StartSound(error)) return false;
    std::vector<uint8_t> bytes(static_cast<size_t>(frames) * 4);
    for (size_t i = 0; i < static_cast<size_t>(frames) * 2; ++i)
      PutLe(&bytes[i * 2], static_cast<uint16_t>(samples[i]), 2);
    soundFrames_ += static_cast<uint64_t>(frames);
    return Wrote(std::fwrite(bytes.data(), 1, bytes.size(), sound_) == bytes.size(), error);
  }

  bool Finish(uint64_t soundFrames, std::string* error) override {
    if (!sound_ && !StartSound(error)) return false;
    std::vector<uint8_t> silence(4096 * 4, 0);
    while (soundFrames_ < soundFrames) {
      const uint64_t n = std::min<uint64_t>(4096, soundFrames - soundFrames_);
      if (!Wrote(std::fwrite(silence.data(), 4, n, sound_) == n, error)) return false;
      soundFrames_ += n;
    }
    std::FILE* file = sound_;
    sound_ = nullptr;
    const bool flushed = std::fflush(file) == 0 && !std::ferror(file);
    if (!Wrote(std::fclose(file) == 0 && flushed, error)) return false;
    finished_ = true;
    madeFolder_ = false;
    return true;
  }

private:
  std::string LockPath() const { return settings_.out + "/" + LockName; }

  bool StartSound(std::string* error) {
    sound_ = std::fopen(RecordSoundPath(settings_).c_str(), "wb");
    if (!sound_) return Wrote(false, error);
    // The length is known from the start: the header is final at once.
    const uint32_t bytes = static_cast<uint32_t>(std::min<uint64_t>(RecordSoundFrames(settings_) * 4, 0xFFFFFFFFu - 36));
    uint8_t h[44];
    std::memcpy(h, "RIFF", 4);
    PutLe(h + 4, 36 + bytes, 4);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    PutLe(h + 16, 16, 4);
    PutLe(h + 20, 1, 2);
    PutLe(h + 22, 2, 2);
    PutLe(h + 24, platform::SoundMixer::Rate, 4);
    PutLe(h + 28, platform::SoundMixer::Rate * 4, 4);
    PutLe(h + 32, 4, 2);
    PutLe(h + 34, 16, 2);
    std::memcpy(h + 36, "data", 4);
    PutLe(h + 40, bytes, 4);
    return Wrote(std::fwrite(h, 1, sizeof h, sound_) == sizeof h, error);
  }

  bool Wrote(bool ok, std::string* error) {
    if (!ok) *error = "cannot write " + RecordSoundPath(settings_) + ": " + std::strerror(errno ? errno : EIO);
    return ok;
  }

  void RemoveExport() {
    for (int i = 0; i < frames_; ++i) ::unlink(RecordFramePath(settings_, i).c_str());
    if (sound_ || soundFrames_ || finished_) ::unlink(RecordSoundPath(settings_).c_str());
  }

  RecordSettings settings_;
  int lock_ = -1;
  bool ownLockFile_ = false;
  bool madeFolder_ = false;
  bool finished_ = false;
  int frames_ = 0;
  std::FILE* sound_ = nullptr;
  uint64_t soundFrames_ = 0;
};

// One video file, under a temporary name until it is complete.
class VideoSink final : public ExportSink {
public:
  bool Claim(const RecordSettings& settings, std::string* error) {
    settings_ = settings;
    return output_.Open(settings.out, error);
  }

  bool Frame(const platform::DDFrame& frame, std::string* error) override {
    if (!started_) {
      if (!writer_.Open(output_.Stream(), settings_.format, frame.width, frame.height, settings_.fps, error)) {
        *error = settings_.out + ": " + *error;
        return false;
      }
      started_ = true;
      if (!pending_.empty() && !writer_.AddSound(pending_.data(), static_cast<int>(pending_.size() / 2), error))
        return false;
      pending_.clear();
    }
    rgb_.resize(static_cast<size_t>(frame.width) * frame.height * 3);
    platform::FrameToRgb(frame, rgb_.data());
    return writer_.AddFrame(rgb_.data(), error);
  }

  bool Sound(const int16_t* samples, int frames, std::string* error) override {
    soundFrames_ += static_cast<uint64_t>(frames);
    if (!started_) {
      pending_.insert(pending_.end(), samples, samples + static_cast<size_t>(frames) * 2);
      return true;
    }
    return writer_.AddSound(samples, frames, error);
  }

  bool Finish(uint64_t soundFrames, std::string* error) override {
    if (!started_) {
      *error = "no picture to encode";
      return false;
    }
    std::vector<int16_t> silence(4096 * 2, 0);
    while (soundFrames_ < soundFrames) {
      const int n = static_cast<int>(std::min<uint64_t>(4096, soundFrames - soundFrames_));
      if (!Sound(silence.data(), n, error)) return false;
    }
    return writer_.Finish(error) && output_.Commit(error);
  }

private:
  RecordSettings settings_;
  platform::OutputFile output_;  // declared before the writer: it outlives it
  VideoWriter writer_;
  bool started_ = false;
  std::vector<int16_t> pending_;  // sound before the first picture
  std::vector<uint8_t> rgb_;
  uint64_t soundFrames_ = 0;
};

// "frame 120 of 2160, 95 frames/s (1.6 x real time), 0:21 left", redrawn in place.
class Progress {
public:
  explicit Progress(const RecordSettings& settings) : settings_(settings), start_(Clock::now()) {}
  void Show(int done, int total) {
    const auto now = Clock::now();
    if (done < total && now - shown_ < std::chrono::milliseconds(250)) return;
    shown_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double rate = seconds > 0 ? done / seconds : 0;
    char left[32] = "-";
    if (rate > 0) {
      const long s = std::lround((total - done) / rate);
      std::snprintf(left, sizeof left, "%ld:%02ld", s / 60, s % 60);
    }
    std::fprintf(stderr, "\rtessaline: frame %d of %d, %.0f frames/s (%.1f x real time), %s left\033[K", done, total,
                 rate, rate / settings_.fps, left);
    std::fflush(stderr);
    drawn_ = true;
  }
  void Clear() {
    if (drawn_) std::fputs("\r\033[K", stderr);
    drawn_ = false;
  }

private:
  using Clock = std::chrono::steady_clock;
  RecordSettings settings_;
  Clock::time_point start_;
  Clock::time_point shown_{};
  bool drawn_ = false;
};

// Stands in front of the screen: every shown frame, up to the export's count,
// and the sound played until then go to the sink.
class Recorder final : public platform::Presenter {
public:
  Recorder(const RecordSettings& settings, ExportSink& sink, platform::Presenter* next,
           platform::HeadlessSound* sound)
      : settings_(settings), sink_(sink), next_(next), sound_(sound), progress_(settings) {}

  void ShowFrame(const platform::DDFrame& frame) override {
    const int total = RecordFrameCount(settings_);
    {
      std::lock_guard<std::mutex> hold(lock_);
      if (frames_ < total && error_.empty() && sink_.Frame(frame, &error_)) {
        ++frames_;
        if (settings_.progress) progress_.Show(frames_, total);
      }
    }
    if (next_) next_->ShowFrame(frame);  // moves the clock on
    if (sound_) sound_->CatchUp();       // the sound up to the next frame's time
  }

  void TakeSound(const int16_t* samples, int frames) {
    std::lock_guard<std::mutex> hold(lock_);
    const uint64_t want = RecordSoundFrames(settings_);
    const int n = static_cast<int>(std::min<uint64_t>(static_cast<uint64_t>(frames), want - std::min(want, soundFrames_)));
    if (n <= 0 || !error_.empty()) return;
    soundFrames_ += static_cast<uint64_t>(n);
    sink_.Sound(samples, n, &error_);
  }

  // Nothing more goes to the sink (it may be gone once this returns).
  void Stop() {
    std::lock_guard<std::mutex> hold(lock_);
    progress_.Clear();
    if (error_.empty()) error_ = "stopped";
  }

  // The number of frames written, or -1 with the first error.
  int End(std::string* error) {
    std::lock_guard<std::mutex> hold(lock_);
    progress_.Clear();
    *error = error_;
    return error_.empty() ? frames_ : -1;
  }

private:
  RecordSettings settings_;
  ExportSink& sink_;
  platform::Presenter* next_;
  platform::HeadlessSound* sound_;
  Progress progress_;
  std::mutex lock_;
  int frames_ = 0;
  uint64_t soundFrames_ = 0;
  std::string error_;
};

std::unique_ptr<ExportSink> sink;
std::unique_ptr<Recorder> recorder;
std::mutex endLock;  // the export ends once: finished, or abandoned from any thread

}  // namespace

bool PrepareRecord(RecordSettings& settings, platform::BackendOptions& backend, std::string* error) {
  std::error_code ec;
  fs::path out = fs::absolute(settings.out, ec);
  if (ec) {
    *error = "cannot find " + settings.out + ": " + ec.message();
    return false;
  }
  settings.out = out.lexically_normal().string();
  while (settings.out.size() > 1 && settings.out.back() == '/') settings.out.pop_back();
  if (settings.video) {
    auto video = std::make_unique<VideoSink>();
    if (!video->Claim(settings, error)) return false;
    sink = std::move(video);
  } else {
    auto folder = std::make_unique<FolderSink>();
    if (!folder->Claim(settings, error)) return false;
    sink = std::move(folder);
  }
  backend.window = false;
  backend.virtualClock = true;
  backend.frameMicros = RecordFrameMicros(settings);
  backend.keyScript += RecordKeyScript(settings);
  return true;
}

bool BeginRecord(const RecordSettings& settings, std::string* error) {
  auto* sound = dynamic_cast<platform::HeadlessSound*>(&platform::GetSound());
  if (!sound || !sink) {
    *error = "the headless sound is not running";
    return false;
  }
  recorder = std::make_unique<Recorder>(settings, *sink, platform::GetHeadlessScreen(), sound);
  sound->SetListener([](const int16_t* samples, int frames) {
    if (recorder) recorder->TakeSound(samples, frames);
  });
  platform::SetPresenter(recorder.get());
  return true;
}

bool FinishRecord(const RecordSettings& settings) {
  std::lock_guard<std::mutex> hold(endLock);
  std::string error;
  int written = -1;
  if (recorder) {
    auto* sound = dynamic_cast<platform::HeadlessSound*>(&platform::GetSound());
    if (sound) {
      sound->CatchUp();
      sound->SetListener(nullptr);
    }
    platform::SetPresenter(platform::GetHeadlessScreen());
    written = recorder->End(&error);
  }
  const int frames = RecordFrameCount(settings);
  if (error.empty() && written != frames)
    error = "the show ended after " + std::to_string(std::max(written, 0)) + " of " + std::to_string(frames) +
            " frames";
  if (error.empty() && !sink) error = "stopped";
  if (error.empty() && !sink->Finish(RecordSoundFrames(settings), &error) && error.empty())
    error = "cannot finish " + settings.out;
  recorder.reset();
  sink.reset();  // an unfinished export removes itself
  if (!error.empty()) {
    std::fprintf(stderr, "tessaline: export: %s\n", error.c_str());
    return false;
  }
  if (settings.quiet) return true;
  if (settings.video) {
    std::printf("tessaline: exported %d frames at %d per second with the sound to %s\n", written, settings.fps,
                settings.out.c_str());
  } else {
    std::printf("tessaline: exported %d frames at %d per second and the sound to %s\n", written, settings.fps,
                settings.out.c_str());
    std::printf("  make a video of them with:\n  %s\n", RecordMuxCommand(settings).c_str());
  }
  return true;
}

bool AbandonRecord() {
  std::lock_guard<std::mutex> hold(endLock);
  if (recorder) recorder->Stop();  // it may still stand in front of the screen
  const bool started = sink != nullptr;
  sink.reset();
  return started;
}
