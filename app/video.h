// The export as one video file: a libavformat muxer with a video and an audio
// encoder, the pictures converted by libswscale, the sound by libswresample.
//   .mp4   H.264 (yuv420p, CRF 16) and AAC
//   .webm  VP9 (yuv420p, constant quality) and Opus
//   .mkv   FFV1 in RGB and FLAC: lossless, it decodes back to the very frames
#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

enum class VideoFormat { Mp4, Webm, Mkv };

// The format a file name asks for by its extension, in any case.
bool VideoFormatOfName(const std::string& name, VideoFormat* format);

class VideoWriter {
public:
  VideoWriter();
  ~VideoWriter();
  VideoWriter(const VideoWriter&) = delete;
  VideoWriter& operator=(const VideoWriter&) = delete;

  // Starts the file on `out` (seeked when it can be, left open). The sound is
  // 44.1 kHz 16-bit stereo. False with a message.
  bool Open(std::FILE* out, VideoFormat format, int width, int height, int fps, std::string* error);
  // One picture of width x height pixels, 3 bytes (r, g, b) each.
  bool AddFrame(const uint8_t* rgb, std::string* error);
  // Interleaved left/right sample pairs.
  bool AddSound(const int16_t* samples, int frames, std::string* error);
  // Drains the encoders and ends the file.
  bool Finish(std::string* error);

private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
