#!/usr/bin/env bash
# Runs a command with its own Xvfb server (see xvfb_server.sh).
#   xvfb.sh [--screen WxHxD] COMMAND ARGS...
set -u
source "$(dirname "$0")/xvfb_server.sh"
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
start_xvfb "$work" "$screen"
if [ -z "$number" ]; then
  echo "xvfb.sh: Xvfb did not start: $(tail -3 "$work/xvfb.log")" >&2
  exit 2
fi
export DISPLAY=":$number"
unset WAYLAND_DISPLAY
"$@"
