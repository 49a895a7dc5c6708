#pragma once
// A show file's text as the TOML library is given it: plain ASCII.

#include <string>

#include "vo/show/show.h"

// Rewrites `text` into `ascii`, which means the same to a TOML reader but
// holds no byte above ASCII: in strings such a character becomes its escape
// (a literal string holding one becomes the equal basic string), in comments
// a '?'. Lines and line breaks stay as they are. A leading byte-order mark is
// dropped. Returns false, with the place and what is wrong, for a control
// character other than tab, CR and LF, for bytes that are not UTF-8, and for a
// character above ASCII outside strings and comments.
bool ShowTextToAscii(const std::string& text, std::string* ascii, sShowPlace* place, std::string* what);
