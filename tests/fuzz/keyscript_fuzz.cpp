// The headless key-script parser on any text: it accepts a script or names
// the line it cannot read; accepted events are in time order with their
// values in range. A crash, a sanitizer report or a hang is a find.
#include <cstdlib>
#include <string>
#include <vector>
#include "platform/headless/input.h"
#include "tests/fuzz/fuzz_support.h"
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<platform::InputScriptEvent> events;
  std::string error;
  if (!platform::ParseInputScript(text, events, error)) {
    if (!events.empty() || error.compare(0, 5, "line ") != 0) std::abort();
    return 0;
  }
  using Kind = platform::InputScriptEvent::Kind;
  for (size_t i = 0; i < events.size(); ++i) {
    const platform::InputScriptEvent& e = events[i];
    if (i > 0 && events[i - 1].timeMs > e.timeMs) std::abort();
    if ((e.kind == Kind::Press || e.kind == Kind::Release) && (e.a < 1 || e.a > 0xFF)) std::abort();
    if (e.kind == Kind::Buttons && (e.a < 0 || e.a > 15)) std::abort();
  }
  return 0;
}
