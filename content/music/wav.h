// Writes 16-bit stereo PCM as a RIFF WAVE file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace music {

// False when the file cannot be written.
bool WriteWav(const std::string& path, const std::vector<int16_t>& interleaved, int sampleRate);

}  // namespace music
