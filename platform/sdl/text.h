// Plain text drawn with the renderer in a small built-in face: what the
// window shows of a fatal error when no dialog can be opened.
#pragma once
#include <SDL.h>

#include <string>
#include <vector>

namespace platform {

// Pixels per face pixel for an output of width x height.
int TextScale(int width, int height);
// Lines of at most `columns` characters, broken at spaces where one is near
// and at every '\n'.
std::vector<std::string> WrapText(const std::string& text, int columns);
void DrawTextLine(SDL_Renderer* renderer, int x, int y, int scale, const std::string& line);
// Clears the output and shows a caption, the text and a footer, then presents.
void DrawTextPage(SDL_Renderer* renderer, const char* caption, const char* text, const char* footer);

}  // namespace platform
