#include "app/record.h"

#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <iterator>
#include <vector>

#include "platform/headless/screen.h"
#include "platform/headless/sound.h"
#include "platform/sound.h"

int RecordFrameCount(const RecordSettings& s) { return static_cast<int>(std::lround(s.fps * s.seconds)); }

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
  return s.dir + name;
}

std::string RecordSoundPath(const RecordSettings& s) { return s.dir + "/sound.wav"; }

std::string RecordMuxCommand(const RecordSettings& s) {
  return "ffmpeg -framerate " + std::to_string(s.fps) + " -i '" + s.dir + "/frame%05d.png' -i '" + s.dir +
         "/sound.wav' -c:v libx264 -pix_fmt yuv420p -crf 16 -c:a aac -b:a 192k -shortest '" + s.dir + "/show.mp4'";
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
    *error = "cannot write " + path;
    return false;
  }
  out.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (out.png) out.info = png_create_info_struct(out.png);
  if (!out.png || !out.info) {
    *error = "libpng could not start";
    return false;
  }
  if (setjmp(png_jmpbuf(out.png))) {
    *error = "libpng failed on " + path;
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
  return true;
}

FrameRecorder::FrameRecorder(const RecordSettings& settings, platform::Presenter* next)
    : settings_(settings), next_(next) {}

void FrameRecorder::ShowFrame(const platform::DDFrame& frame) {
  if (written_ < RecordFrameCount(settings_) && error_.empty()) {
    if (WriteFramePng(RecordFramePath(settings_, written_), frame, &error_)) ++written_;
  }
  if (next_) next_->ShowFrame(frame);
}

bool FitWavLength(const std::string& path, uint64_t frames) {
  std::vector<char> bytes;
  {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  if (bytes.size() < 44 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 36, "data", 4) != 0)
    return false;
  bytes.resize(44 + frames * 4, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(v >> (8 * i));
  };
  put32(4, static_cast<uint32_t>(36 + frames * 4));
  put32(40, static_cast<uint32_t>(frames * 4));
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

namespace {
std::unique_ptr<FrameRecorder> recorder;
}

bool PrepareRecord(RecordSettings& settings, platform::BackendOptions& backend, std::string* error) {
  std::error_code ec;
  std::filesystem::create_directories(settings.dir, ec);
  std::filesystem::path dir = std::filesystem::absolute(settings.dir, ec);
  if (ec || !std::filesystem::is_directory(dir)) {
    *error = "cannot make the folder " + settings.dir;
    return false;
  }
  settings.dir = dir.lexically_normal().string();
  if (settings.dir.size() > 1 && settings.dir.back() == '/') settings.dir.pop_back();
  // Frames and sound of an earlier, longer export must not linger.
  for (int i = RecordFrameCount(settings);; ++i) {
    if (!std::filesystem::remove(RecordFramePath(settings, i), ec)) break;
  }
  backend.window = false;
  backend.virtualClock = true;
  backend.frameMicros = RecordFrameMicros(settings);
  backend.keyScript += RecordKeyScript(settings);
  return true;
}

bool BeginRecord(const RecordSettings& settings, std::string* error) {
  auto* sound = dynamic_cast<platform::HeadlessSound*>(&platform::GetSound());
  if (!sound || !sound->WriteWav(RecordSoundPath(settings))) {
    *error = "cannot write " + RecordSoundPath(settings);
    return false;
  }
  recorder = std::make_unique<FrameRecorder>(settings, platform::GetHeadlessScreen());
  platform::SetPresenter(recorder.get());
  return true;
}

bool FinishRecord(const RecordSettings& settings) {
  const int frames = RecordFrameCount(settings);
  const int written = recorder ? recorder->Written() : 0;
  std::string error = recorder ? recorder->Error() : "";
  recorder.reset();
  const uint64_t soundFrames = static_cast<uint64_t>(frames) * 44100u / static_cast<uint64_t>(settings.fps);
  if (!FitWavLength(RecordSoundPath(settings), soundFrames)) error = "cannot finish " + RecordSoundPath(settings);
  if (written != frames && error.empty())
    error = "the show ended after " + std::to_string(written) + " of " + std::to_string(frames) + " frames";
  if (!error.empty()) {
    std::fprintf(stderr, "tessaline: export: %s\n", error.c_str());
    return false;
  }
  std::printf("tessaline: exported %d frames at %d per second and the sound to %s\n", written, settings.fps,
              settings.dir.c_str());
  std::printf("  make a video of them with:\n  %s\n", RecordMuxCommand(settings).c_str());
  return true;
}
