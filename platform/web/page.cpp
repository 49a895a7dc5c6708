#include "platform/web/page.h"

#include <emscripten.h>

#include <vector>

namespace platform::web {

namespace {

using Callback = void (*)();

EM_JS(void, tess_set_up_page, (int exact), {
  document.body.classList.toggle('exact', !!exact);
  Module.tessCanvas = document.getElementById('canvas');
  Module.tessNote = document.getElementById('note');
  Module.tessContext = Module.tessCanvas ? Module.tessCanvas.getContext('2d', {alpha: false}) : null;
  if (Module.tessContext) Module.tessContext.imageSmoothingEnabled = false;
  // The right button belongs to the show, not to a menu.
  const screen = document.getElementById("screen");
  if (screen) screen.addEventListener("contextmenu", (e) => e.preventDefault());
});

EM_JS(void, tess_put_frame, (const uint8_t* rgba, int width, int height), {
  const canvas = Module.tessCanvas;
  if (!canvas || !Module.tessContext) return;
  if (canvas.width != width || canvas.height != height) {
    canvas.width = width;
    canvas.height = height;
    Module.tessContext.imageSmoothingEnabled = false;
  }
  // One view of the frame's memory, made again only when it moves.
  let image = Module.tessImage;
  if (!image || image.buffer !== HEAPU8.buffer || image.at !== rgba || image.data.width !== width ||
      image.data.height !== height) {
    const pixels = new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4);
    image = Module.tessImage = {buffer: HEAPU8.buffer, at: rgba, data: new ImageData(pixels, width, height)};
  }
  Module.tessContext.putImageData(image.data, 0, 0);
});

EM_JS(void, tess_show_note, (int kind, const char* text), {
  const note = Module.tessNote;
  if (!note) return;
  note.textContent = UTF8ToString(text);
  note.className = ["", "start", "ended", "error"][kind] || "";
  note.hidden = kind == 0;
});

EM_JS(void, tess_set_title, (const char* text), { document.title = UTF8ToString(text); });

EM_JS(void, tess_post, (const char* path, const char* text), {
  fetch(UTF8ToString(path), {method: "POST", body: UTF8ToString(text)}).catch(() => {});
});

// Length of the value plus one (0: absent); the value goes to out when it fits.
EM_JS(int, tess_query, (const char* name, char* out, int size), {
  const value = new URLSearchParams(location.search).get(UTF8ToString(name));
  if (value === null) return 0;
  const bytes = lengthBytesUTF8(value) + 1;
  if (bytes <= size) stringToUTF8(value, out, size);
  return bytes;
});

EM_JS(void, tess_cursor, (int visible), {
  if (Module.tessCanvas) Module.tessCanvas.style.cursor = visible ? 'default' : 'none';
});

EM_JS(void, tess_toggle_full_screen, (), {
  const screen = document.getElementById('screen') || document.documentElement;
  if (document.fullscreenElement) {
    if (document.exitFullscreen) document.exitFullscreen();
  } else if (screen.requestFullscreen) {
    screen.requestFullscreen().catch(() => {});
  }
});

EM_JS(void, tess_dispatch_key, (const char* code), {
  const c = UTF8ToString(code);
  window.dispatchEvent(new KeyboardEvent('keydown', {code: c, bubbles: true}));
  window.dispatchEvent(new KeyboardEvent('keyup', {code: c, bubbles: true}));
});

// Calls running (a function of the program) once the sound runs, or after
// 300 ms when it does not come.
EM_JS(void, tess_resume_audio, (Callback running), {
  let called = false;
  const call = () => {
    if (called) return;
    called = true;
    wasmTable.get(running)();
  };
  setTimeout(call, 300);
  if (!Module.tessAudio) {
    const Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return call();
    Module.tessAudio = {context: new Context(), source: null, queuedUntil: 0};
  }
  const context = Module.tessAudio.context;
  if (context.state == "running") return call();
  context.resume().then(call, call);
});

EM_JS(int, tess_play_pcm, (const uint8_t* data, double frames, int channels, int bits, int rate), {
  if (!Module.tessAudio) {
    const Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return 0;
    Module.tessAudio = {context: new Context(), source: null, queuedUntil: 0};
  }
  const audio = Module.tessAudio;
  if (audio.source) {
    audio.source.stop();
    audio.source = null;
  }
  if (frames == 0) return 1;
  let buffer;
  try {
    buffer = audio.context.createBuffer(channels, frames, rate);
  } catch (e) {
    return 0;
  }
  const step = channels * (bits / 8);
  for (let c = 0; c < channels; ++c) {
    const out = buffer.getChannelData(c);
    let p = data + c * (bits / 8);
    if (bits == 16) {
      for (let i = 0; i < frames; ++i, p += step) out[i] = ((HEAPU8[p] | (HEAPU8[p + 1] << 8)) << 16 >> 16) / 32768;
    } else {
      for (let i = 0; i < frames; ++i, p += step) out[i] = (HEAPU8[p] - 128) / 128;
    }
  }
  const source = audio.context.createBufferSource();
  source.buffer = buffer;
  source.connect(audio.context.destination);
  // Before the first gesture the context stands still: the sound starts with it.
  source.start();
  audio.source = source;
  return 1;
});

EM_JS(void, tess_stop_pcm, (), {
  const audio = Module.tessAudio;
  if (audio && audio.source) {
    audio.source.stop();
    audio.source = null;
  }
});

EM_JS(void, tess_queue_pcm, (const int16_t* samples, int frames, int rate), {
  const audio = Module.tessAudio;
  if (!audio || frames <= 0) return;
  const context = audio.context;
  const buffer = context.createBuffer(2, frames, rate);
  const left = buffer.getChannelData(0);
  const right = buffer.getChannelData(1);
  const base = samples >> 1;
  for (let i = 0; i < frames; ++i) {
    left[i] = HEAP16[base + 2 * i] / 32768;
    right[i] = HEAP16[base + 2 * i + 1] / 32768;
  }
  const source = context.createBufferSource();
  source.buffer = buffer;
  source.connect(context.destination);
  const at = Math.max(audio.queuedUntil, context.currentTime);
  source.start(at);
  audio.queuedUntil = at + frames / rate;
});

}  // namespace

void SetUpPage(Layout layout) { tess_set_up_page(layout == Layout::Exact ? 1 : 0); }
void PutFrame(const uint8_t* rgba, int width, int height) { tess_put_frame(rgba, width, height); }
void ShowNote(Note kind, const std::string& text) { tess_show_note(static_cast<int>(kind), text.c_str()); }
void SetTitle(const std::string& text) { tess_set_title(text.c_str()); }
void PostToServer(const char* path, const std::string& text) { tess_post(path, text.c_str()); }

bool QueryParameter(const char* name, std::string& value) {
  std::vector<char> buffer(256);
  int need = tess_query(name, buffer.data(), static_cast<int>(buffer.size()));
  if (need == 0) return false;
  // No parameter of ours is long: a longer value is kept as one none accepts.
  value = need > static_cast<int>(buffer.size()) ? std::string("(too long)") : std::string(buffer.data());
  return true;
}

void SetCursorVisible(bool visible) { tess_cursor(visible ? 1 : 0); }
void ToggleFullScreen() { tess_toggle_full_screen(); }
void DispatchKey(const char* code) { tess_dispatch_key(code); }
void ResumeAudio(void (*running)()) { tess_resume_audio(running); }

bool PlayPcm(const uint8_t* data, size_t frames, int channels, int bits, int rate) {
  return tess_play_pcm(data, static_cast<double>(frames), channels, bits, rate) != 0;
}

void StopPcm() { tess_stop_pcm(); }
void QueuePcm(const int16_t* samples, int frames, int rate) { tess_queue_pcm(samples, frames, rate); }

}  // namespace platform::web
