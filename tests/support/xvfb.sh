#!/usr/bin/env bash
# Runs a command with its own Xvfb server. The server takes a free display
# number itself and reports it (-displayfd), so tests that run at the same
# time never race for one number. -noreset: a server resets when its last
# client leaves (each xdotool call is one), and a client connecting during
# the reset is refused.
#   xvfb.sh [--screen WxHxD] COMMAND ARGS...
set -u
screen=1024x768x24
if [ "${1:-}" = --screen ]; then
  screen=$2
  shift 2
fi
[ $# -gt 0 ] || { echo "usage: xvfb.sh [--screen WxHxD] COMMAND ARGS..." >&2; exit 2; }
command -v Xvfb >/dev/null || { echo "xvfb.sh: Xvfb is not installed" >&2; exit 2; }
work=$(mktemp -d)
server=
stop() {
  if [ -n "$server" ]; then
    kill "$server" 2>/dev/null
    wait "$server" 2>/dev/null
  fi
  rm -rf "$work"
}
trap stop EXIT
trap 'exit 143' TERM INT
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset 3>"$work/display" 2>"$work/log" &
server=$!
for _ in $(seq 1 200); do
  grep -q . "$work/display" 2>/dev/null && break
  kill -0 "$server" 2>/dev/null || break
  sleep 0.05
done
number=$(head -1 "$work/display" 2>/dev/null)
if [ -z "$number" ]; then
  echo "xvfb.sh: Xvfb did not start: $(tail -3 "$work/log")" >&2
  exit 2
fi
export DISPLAY=":$number"
unset WAYLAND_DISPLAY
"$@"
