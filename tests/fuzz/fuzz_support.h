// Shared by the fuzz harnesses: fatal errors become exceptions (a clean end
// for an input), and inputs that need a file get one of their own.
#pragma once
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
namespace fuzz {
struct FatalExit : std::runtime_error {
  using std::runtime_error::runtime_error;
};
// Fatal errors throw FatalExit from now on (ResetProcessState clears this).
void ThrowOnFatal();
// A file in the temporary folder, private to this process and harness,
// holding exactly these bytes; the same path every call.
const char* WriteScratch(const char* tag, const uint8_t* data, size_t size);
}  // namespace fuzz
// Each harness defines this; libFuzzer or the replay driver calls it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
