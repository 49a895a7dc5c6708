// The display the show draws on, and the mode it asks for.
#pragma once

class sDisplay;
struct sDisplayMode;

extern sDisplay* TheDisplay;
extern sDisplayMode ScreenMode;
