// The show: channel windows, layers and keys.
#pragma once

class sTimeline;

// Builds the whole show on an empty timeline; loads every picture it needs.
void Script(sTimeline* timeline);
