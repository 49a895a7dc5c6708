// The sound card through SDL; where there is none, a silent device that
// still plays in real time (said once on stderr).
#pragma once
#include <memory>

#include "platform/sound.h"

namespace platform {

std::unique_ptr<Sound> MakeSdlSound();
// True when the last SDL sound service runs silent.
bool SdlSoundIsSilent();
// ALSA's own messages go to the debug output, not stderr.
void QuietAlsaMessages();

}  // namespace platform
