// The built-in show's data needs. The compiled script and shows/default.show
// describe one show (a test runs both); the file's text is compiled in so the
// built-in pack can be checked, layer by layer, before the script runs.
#pragma once
#include <vector>

#include "vo/show/showcheck.h"

extern const char* const BuiltInShowText;

// Every picture and raw file the built-in script loads, with its layer.
std::vector<sNeed> BuiltInNeeds();
