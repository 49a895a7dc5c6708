// The studio: the show in a window for the one making it. It plays frame by
// frame on the virtual clock's steps (frame n at n x the step), pauses, steps
// and jumps, and reloads the show when its files change. The effect's blobs
// move per frame, so a frame is reached by running the frames before it from
// the start; frames whose picture is drawn over later are run without
// drawing (the palette and the blobs still move), which keeps a paused studio
// frame equal to the exported frame of that number.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/show_setup.h"
#include "platform/display.h"

class sTimeline;

// The show time of frame n: n steps of `frameMicros`, as the main loop turns
// the virtual clock into milliseconds.
float StudioFrameTime(uint64_t frame, unsigned frameMicros);
// The first frame whose time is after `ms` (a channel opens after its start).
uint64_t StudioFrameAfter(double ms, unsigned frameMicros);
// The frame PgUp (direction -1) or PgDn (+1) goes to from `frame`: the
// previous or next frame that opens a channel window; 0 when there is no
// earlier one, `frame` when there is no later one.
uint64_t StudioChannelJump(const sTimeline& timeline, uint64_t frame, int direction, unsigned frameMicros);
// "12.500 s  frame 750  channels 1 4  paused"
std::string StudioTitle(uint64_t frame, float time, uint32_t channels, bool paused, const std::string& note);
// Which of frames first..last must be drawn so that the last `chain` frames
// (the flip chain's buffers) come out as a run of every frame would leave
// them; covered(i) tells whether frame i draws over the whole screen first.
template <typename Covered>
std::vector<bool> StudioFramesToDraw(uint64_t first, uint64_t last, int chain, Covered covered) {
  std::vector<bool> draw(last - first + 1, false);
  for (uint64_t i = last + 1; i-- > first && i + chain > last;) draw[i - first] = true;
  for (uint64_t i = last + 1; i-- > first;)
    if (draw[i - first] && i >= first + chain && !covered(i)) draw[i - chain - first] = true;
  return draw;
}

// Stands in front of the backend's presenter: passes the shown frames on and
// keeps the last, drops the frames run on the way to another.
class StudioPresenter : public platform::Presenter {
public:
  explicit StudioPresenter(platform::Presenter* next) : next_(next) {}
  void ShowFrame(const platform::DDFrame& frame) override;
  // Shows the last frame again: the window keeps its picture and the
  // virtual clock its pace while the studio is paused.
  void ShowAgain();
  const platform::DDFrame* Last() const { return have_ ? &last_ : nullptr; }
  bool drop = false;

private:
  platform::Presenter* next_;
  platform::DDFrame last_;
  bool have_ = false;
};

class Studio {
public:
  // The display mode is set; the show is checked. `startFolder` is where
  // snapshots go.
  Studio(ShowSetup* setup, std::string startFolder);
  ~Studio();

  // Builds the show from scratch, as the program's start-up does; false with
  // a message when its data has a problem (the old show is kept then).
  bool Rebuild(std::string* error);
  // Reads the show file (if any) and the data again, checks and rebuilds.
  bool Reload(std::string* error);
  // Makes `frame` the shown frame: runs the frames up to it from the last
  // one run, or from the start when it lies before.
  void GoTo(uint64_t frame);
  uint64_t Frame() const { return next_ == 0 ? 0 : next_ - 1; }
  sTimeline* Timeline() { return timeline_.get(); }

  // The frame loop with the keys, the title and the file watch.
  void Run();

private:
  void RunFrame(uint64_t frame, bool draw, bool visible);
  void DropShow();
  bool HandleKey(uint32_t key);
  void Play(bool playing);
  void Snapshot();
  // True when a watched file changed since the last look.
  bool FilesChanged();
  std::vector<std::string> WatchedFiles() const;

  ShowSetup* setup_;
  std::string startFolder_;
  unsigned frameMicros_;
  std::unique_ptr<sTimeline> timeline_;
  std::unique_ptr<StudioPresenter> presenter_;
  platform::Presenter* backendPresenter_ = nullptr;
  uint64_t next_ = 0;  // the next frame to run
  uint64_t target_ = 0;
  bool paused_ = false;
  bool quit_ = false;
  std::string note_;  // the last reload's problem, shown in the title
  std::vector<uint8_t> sound_;
  std::vector<std::pair<std::string, std::string>> stamps_;  // file, size and time
};

// The show the studio plays; StudioMain stands in for DemoMain.
void SetStudio(ShowSetup* setup, const std::string& startFolder);
void StudioMain();
