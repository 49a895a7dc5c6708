#!/usr/bin/env bash
# The show in a real window (run under Xvfb): after 20 s of real time the
# second scene with the masked effect is on screen in colour; Escape ends the
# program with status 0.   show_window.sh EXE SHOTDIR
set -u
source "$(dirname "$0")/../../support/show_window.sh"
exe=$1
shots=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
export SDL_AUDIODRIVER=dummy TESSALINE_NO_MESSAGEBOX=1
# SDL's X11 and D-Bus libraries keep buffers to the end (the last setting wins).
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
mkdir -p "$shots"

start_show_window "$exe" "$work" --window

# The first scene's lines and texts, then the second scene (17.3 s to 23 s,
# when its colours start fading to white): at 20 s of real time, which leaves
# the show's start-up (loading, decoding the music) up to 2.7 s.
sleep 8
import -window "$wid" "$shots/window_first_scene.png" 2>/dev/null || fail "no screenshot"
sleep 12
import -window "$wid" "$shots/window_effect.png" 2>/dev/null || fail "no screenshot"
kill -0 $pid 2>/dev/null || fail "the program ended before Escape: $(cat "$work/err")"

colours() { convert "$1" -format %k info:; }
# Saturation (0..1) of the most colourful pixels: the effect's colours.
saturation() { convert "$1" -colorspace HSL -channel G -separate -format '%[fx:maxima]' info:; }
first=$(colours "$shots/window_first_scene.png")
effect=$(colours "$shots/window_effect.png")
sat=$(saturation "$shots/window_effect.png")
[ "$first" -ge 8 ] || fail "first scene shows only $first colours"
[ "$effect" -ge 40 ] || fail "effect scene shows only $effect colours"
awk -v s="$sat" 'BEGIN { exit !(s > 0.5) }' || fail "no colour in the effect scene (saturation $sat)"
# The first scene is grey: the shade ramp and the backdrop range only.
awk -v s="$(saturation "$shots/window_first_scene.png")" 'BEGIN { exit !(s < 0.1) }' ||
  fail "the first scene is not grey"

xdotool windowfocus --sync "$wid" >/dev/null 2>&1
xdotool key Escape
ends_within 10
[ $status -eq 0 ] || fail "status $status: $(cat "$work/err")"
echo "ok: $first and $effect colours, effect saturation $sat"
