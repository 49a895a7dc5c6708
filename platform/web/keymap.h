// Keys of the page by position: KeyboardEvent.code to PC set-1 scan codes
// (0x80 added for extended keys). Free of emscripten, so it is tested natively.
#pragma once

namespace platform::web {

// The scan code of a KeyboardEvent.code ("KeyZ", "Escape", "NumpadEnter", ...),
// or 0 for a key the PC keyboard does not have.
int Set1FromKeyCode(const char* code);

}  // namespace platform::web
