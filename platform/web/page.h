// The page around the show: its canvas, the line of text over it, the title,
// the address's parameters, full screen and WebAudio. Plain declarations, so
// callers need no emscripten header.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform::web {

// The page's layout: Exact puts the canvas at the top-left corner at 1:1 with
// nothing else shown; Fit letterboxes it at 4:3 over the whole page.
enum class Layout { Fit, Exact };
void SetUpPage(Layout layout);

// Shows width x height RGBA pixels (row by row, no padding) on the canvas.
void PutFrame(const uint8_t* rgba, int width, int height);

enum class Note { None, Start, Ended, Error };
// The text over the canvas (None hides it).
void ShowNote(Note kind, const std::string& text);
void SetTitle(const std::string& text);
// Posts text to the page's own server at path (benchmarks read it there).
void PostToServer(const char* path, const std::string& text);

// The value of a parameter of the page's address; false when it is absent.
bool QueryParameter(const char* name, std::string& value);

void SetCursorVisible(bool visible);
void ToggleFullScreen();

// Sends a key press and release with this KeyboardEvent.code through the page's
// own event path (tests).
void DispatchKey(const char* code);

// WebAudio. Resuming needs a user gesture; before it, sound is held back.
// running is called once the sound runs (or after 300 ms without it).
void ResumeAudio(void (*running)());
// Plays PCM at its own rate (the browser resamples it); replaces what played.
// False when the browser cannot take the format.
bool PlayPcm(const uint8_t* data, size_t frames, int channels, int bits, int rate);
void StopPcm();
// Appends frames of 16-bit stereo at rate to the stream of queued sound.
void QueuePcm(const int16_t* samples, int frames, int rate);

}  // namespace platform::web
