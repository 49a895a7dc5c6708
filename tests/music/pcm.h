// 16-bit stereo sound for the music tests: read from WAV files and decoded MP3s.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace musictest {

struct Pcm {
  std::vector<int16_t> samples;  // left and right interleaved
  std::size_t Frames() const { return samples.size() / 2; }
  float Left(std::size_t i) const { return samples[2 * i] / 32768.0f; }
  float Right(std::size_t i) const { return samples[2 * i + 1] / 32768.0f; }
};

// Reads a 16-bit stereo RIFF WAVE file; empty on any other file.
Pcm ReadWav(const std::string& path);

// Decodes a 44.1 kHz stereo MP3 with the show's decoder, every frame the stream
// holds (the encoder's Info frame decodes as silence); empty on failure.
Pcm DecodeMp3(const std::string& path, const std::string& scratchDir);
// The same through mpg123, as a second opinion.
Pcm DecodeMp3WithMpg123(const std::string& path, const std::string& scratchDir);

// Writes 16-bit stereo 44.1 kHz PCM as a WAV file.
bool WriteWav(const std::string& path, const Pcm& pcm);

// Runs a shell command; true when it exits with 0.
bool RunQuiet(const std::string& command);
// Runs a shell command and returns its standard output (and error).
std::string Capture(const std::string& command);

}  // namespace musictest
