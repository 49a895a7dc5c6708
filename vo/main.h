// The show's main routine, run by the main thread once the framework is up.
#pragma once

class sTimeline;

// What DemoMain plays. The defaults are the original's: the script, its
// pictures from the pack "v01.dat" and the soundtrack "vo.mp3".
struct sShowSource {
  const char* Pack = "v01.dat";       // null: the pictures are plain files
  const char* Soundtrack = "vo.mp3";  // null: a silent show
  // Fills the timeline instead of Script when set.
  void (*Build)(sTimeline* timeline, void* user) = nullptr;
  void* User = nullptr;
};
void SetShowSource(const sShowSource& source);
const sShowSource& ShowSource();

// Opens the source's pack, runs its script or builder and decodes its
// soundtrack: the show's start-up around the display's part.
void OpenShowData(const sShowSource& source);
void BuildShowTimeline(const sShowSource& source, sTimeline* timeline);
void LoadShowSoundtrack(const sShowSource& source);

void DemoMain();
