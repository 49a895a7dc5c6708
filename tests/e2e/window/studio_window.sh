#!/usr/bin/env bash
# The studio in a real window (run under Xvfb): its title names the time, the
# frame and the open channels, and follows Space, Right and Home; Escape ends
# it with status 0.   studio_window.sh EXE SHOW SHOTDIR
set -u
source "$(dirname "$0")/../../support/show_window.sh"
exe=$1
show=$2
shots=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
export SDL_AUDIODRIVER=dummy TESSALINE_NO_MESSAGEBOX=1
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
mkdir -p "$shots"

window_title='^Tessaline studio ' start_show_window "$exe" "$work" --studio --show "$show"
title() { xdotool getwindowname "$wid"; }
# Waits up to 5 s for the title to match a pattern.
expect_title() {
  for _ in $(seq 1 50); do
    title | grep -Eq "$1" && return 0
    sleep 0.1
  done
  fail "title '$(title)' does not match '$1'"
}
key() { xdotool windowfocus --sync "$wid" >/dev/null 2>&1; xdotool key "$1"; }

sleep 2
key space
expect_title 'frame [0-9]+  channels 0  paused$'
frame=$(title | sed -E 's/.*frame ([0-9]+).*/\1/')
key Right
expect_title "frame $((frame + 1))  channels 0  paused"
import -window "$wid" "$shots/studio_paused.png" 2>/dev/null || fail "no screenshot"
key Home
expect_title '^Tessaline studio  0\.000 s  frame 0  channels none  paused$'
key Escape
ends_within 10
[ $status -eq 0 ] || fail "status $status: $(cat "$work/err")"
echo "ok: paused at frame $frame, stepped, went home"
