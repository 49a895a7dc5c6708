// Export: the show rendered off screen at a fixed frame rate, kept as numbered
// PNG frames and the sound that played as a WAV file, ready to mux into a video.
#pragma once
#include <cstdint>
#include <string>

#include "platform/backend.h"
#include "platform/display.h"

struct RecordSettings {
  std::string dir;        // where the files go (created if missing)
  int fps = 60;           // frames per second of show time
  double seconds = 36.0;  // length of the export
};

// Frames in an export: fps x seconds, rounded.
int RecordFrameCount(const RecordSettings& settings);
// The virtual clock's step per frame, in microseconds.
unsigned RecordFrameMicros(const RecordSettings& settings);
// The headless input that ends the show once the last frame is drawn.
std::string RecordKeyScript(const RecordSettings& settings);

std::string RecordFramePath(const RecordSettings& settings, int index);  // dir/frame00000.png
std::string RecordSoundPath(const RecordSettings& settings);             // dir/sound.wav
// The ffmpeg command that makes dir/show.mp4 out of the export.
std::string RecordMuxCommand(const RecordSettings& settings);

// An indexed frame as a palette PNG, any other as RGB. False with a message.
bool WriteFramePng(const std::string& path, const platform::DDFrame& frame, std::string* error);

// Writes each shown frame, up to the export's count, then hands it on to the
// presenter it stands in front of.
class FrameRecorder : public platform::Presenter {
 public:
  FrameRecorder(const RecordSettings& settings, platform::Presenter* next);
  void ShowFrame(const platform::DDFrame& frame) override;
  int Written() const { return written_; }
  const std::string& Error() const { return error_; }

 private:
  RecordSettings settings_;
  platform::Presenter* next_;
  int written_ = 0;
  std::string error_;
};

// The three steps of an export run. Before the backend starts: the folder made
// (its path made absolute), the headless options with the clock's step and the
// key that ends the show. After it started: the recorder in front of the screen
// and the sound service writing what it plays. After it stopped: the sound cut
// to the frames' length and a summary with the mux command on standard output.
bool PrepareRecord(RecordSettings& settings, platform::BackendOptions& backend, std::string* error);
bool BeginRecord(const RecordSettings& settings, std::string* error);
bool FinishRecord(const RecordSettings& settings);

// Cuts or pads (with silence) a 16-bit stereo WAV file to exactly `frames`
// sample frames. False when the file is not such a WAV or cannot be rewritten.
bool FitWavLength(const std::string& path, uint64_t frames);
