// Show files: a show as TOML text (docs/SHOWS.md). Reading checks everything
// that does not need the pictures: the names, kinds and ranges of all values,
// the order of keys and the timeline's capacities.
#pragma once
#include <string>

#include "vo/show/show.h"

// Show files are small; a larger one is refused before it is parsed.
constexpr size_t MaxShowFileBytes = 1 << 20;
// Nor may it nest deeper than this many levels of tables and lists (counted
// as dots, brackets and braces outside strings).
constexpr size_t MaxShowNesting = 10000;

// False with "FILE:LINE:COLUMN: what was expected" when it is not a show.
bool ReadShowFile(const std::string& path, sShow* show, std::string* error);
// The same for text already read; `file` names it in messages.
bool ParseShow(const std::string& text, const std::string& file, sShow* show, std::string* error);
