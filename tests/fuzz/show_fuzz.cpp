// The show-file reader on any text: it accepts a show within the timeline's
// capacities, or names the place it cannot read ("show:LINE:COLUMN: ...").
// A crash, a sanitizer report or a hang is a find.
#include <cstdlib>
#include <string>
#include <vector>
#include "tests/fuzz/fuzz_support.h"
#include "vo/show/showcheck.h"
#include "vo/show/showfile.h"
#include "vo/show/showtext.h"
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  // The TOML library is only ever given ASCII, and ASCII text as it is.
  std::string ascii, what;
  std::vector<sTextWidening> widenings;
  sShowPlace place;
  if (ShowTextToAscii(text, &ascii, &widenings, &place, &what)) {
    bool above = false;
    for (const char c : text) above |= static_cast<unsigned char>(c) >= 0x80;
    for (const char c : ascii)
      if (static_cast<unsigned char>(c) >= 0x80) std::abort();
    if (!above && ascii != text) std::abort();
  }
  sShow show;
  std::string error;
  if (!ParseShow(text, "show", &show, &error)) {
    if (error.compare(0, 5, "show:") != 0 || error.find(": ", 5) == std::string::npos) std::abort();
    return 0;
  }
  size_t tracks = 0, keys = 0;
  if (show.Layers.empty() || show.Layers.size() > 64) std::abort();
  for (const sShowWindow& w : show.Channels)
    if (w.Channel < 0 || w.Channel > 31 || !(w.Start < w.End)) std::abort();
  for (const sShowLayer& l : show.Layers) {
    tracks += l.Tracks.size();
    for (const sShowTrack& t : l.Tracks) {
      if (t.Keys.empty() || t.Keys.size() > 32) std::abort();
      for (size_t i = 1; i < t.Keys.size(); ++i)
        if (t.Keys[i].Time < t.Keys[i - 1].Time) std::abort();
      keys += t.Keys.size();
    }
  }
  if (tracks > 64 || keys > 1024) std::abort();
  ShowNeeds(show);
  return 0;
}
