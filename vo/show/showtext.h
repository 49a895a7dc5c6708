#pragma once
// A show file's text as the TOML library is given it: plain ASCII.

#include <string>
#include <vector>

#include "vo/show/show.h"

// Where the ASCII text runs wider than the show file: from column Column of
// line Line (in the ASCII text) on, by Extra columns; in the order of the text.
struct sTextWidening {
  int Line, Column, Extra;
};

// Rewrites `text` into `ascii`, which means the same to a TOML reader but
// holds no byte above ASCII: in strings such a character becomes its escape
// (a literal string holding one becomes the equal basic string), in comments
// a '?'. Lines and line breaks stay as they are; `widenings` tells where
// columns moved. A leading byte-order mark is dropped. Returns false, with
// the place and what is wrong, for a control character other than tab, CR and
// LF, for bytes that are not UTF-8, and for a character above ASCII outside
// strings and comments.
bool ShowTextToAscii(const std::string& text, std::string* ascii, std::vector<sTextWidening>* widenings,
                     sShowPlace* place, std::string* what);

// The place in the show file of a place in its ASCII text.
sShowPlace ShowFilePlace(const std::vector<sTextWidening>& widenings, sShowPlace place);
