// Export: the show rendered off screen at a fixed frame rate, kept either as
// numbered PNG frames and the sound that played as a WAV file, or as one
// video file (see app/video.h), chosen by the name's extension.
#pragma once
#include <cstdint>
#include <string>

#include "app/video.h"
#include "platform/backend.h"
#include "platform/display.h"

struct RecordSettings {
  std::string out;        // the folder or the video file (made absolute by PrepareRecord)
  bool video = false;     // out names a video file of `format`
  VideoFormat format = VideoFormat::Mp4;
  int fps = 60;           // frames per second of show time
  double seconds = 36.0;  // length of the export
  bool progress = false;  // one updating line on stderr while it runs
  bool quiet = false;     // no summary at the end
};

// Frames in an export: fps x seconds, rounded.
int RecordFrameCount(const RecordSettings& settings);
// Sample frames of sound in an export: the frames' length at 44.1 kHz.
uint64_t RecordSoundFrames(const RecordSettings& settings);
// The virtual clock's step per frame, in microseconds.
unsigned RecordFrameMicros(const RecordSettings& settings);
// The headless input that ends the show once the last frame is drawn.
std::string RecordKeyScript(const RecordSettings& settings);

std::string RecordFramePath(const RecordSettings& settings, int index);  // out/frame00000.png
std::string RecordSoundPath(const RecordSettings& settings);             // out/sound.wav
// The ffmpeg command that makes a video beside a folder export (out.mp4),
// every path quoted for a POSIX shell.
std::string RecordMuxCommand(const RecordSettings& settings);
// text in single quotes for a POSIX shell, whatever it holds.
std::string ShellQuote(const std::string& text);

// An indexed frame as a palette PNG, any other as RGB. False with a message.
bool WriteFramePng(const std::string& path, const platform::DDFrame& frame, std::string* error);

// The steps of an export run. Before the backend starts, PrepareRecord claims
// the output: a folder is made or must hold nothing but an earlier export
// (which is then removed whole), and is locked against a second export; a
// video file is started under a temporary name. It also sets the headless
// options (the clock's step, the key that ends the show). False with the
// reason: nothing of the user's was touched. After the backend started,
// BeginRecord puts the recorder in front of the screen and takes what the
// sound plays. After the show, before the backend stops, FinishRecord
// completes the output (or removes it when the show ended early) and prints
// a summary. AbandonRecord removes whatever was started (false: nothing
// was), from any thread.
bool PrepareRecord(RecordSettings& settings, platform::BackendOptions& backend, std::string* error);
bool BeginRecord(const RecordSettings& settings, std::string* error);
bool FinishRecord(const RecordSettings& settings);
bool AbandonRecord();
