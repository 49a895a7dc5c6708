// Advice on memory: best effort, no effect where the system has none to take.
#pragma once
#include <cstddef>

namespace platform {

// A large buffer about to be written whole: backed by large pages where the
// system offers them, so filling it takes a few page faults instead of one
// per 4 KiB.
void AdviseLargeWrite(void* data, size_t bytes);

}  // namespace platform
