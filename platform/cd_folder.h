// A virtual disc: the WAV files of a folder, in name order, are its tracks,
// played through the sound service's waveform output (so they mix with the
// rest of the sound). Chosen with TESSALINE_CD=DIR; nothing in the show opens
// the player, so it is there for the framework's own CD commands.
#pragma once
#include <string>

#include "platform/cd.h"

namespace platform {

class FolderCdAudio final : public CdAudio {
public:
  explicit FolderCdAudio(std::string folder) : folder_(std::move(folder)) {}
  // Null (and a debug line) when the folder holds no playable WAV file.
  std::unique_ptr<CdDevice> Open(const char* deviceType) override;

private:
  std::string folder_;
};

}  // namespace platform
