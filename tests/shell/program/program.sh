#!/usr/bin/env bash
# Runs the real program and checks how it ends: exit status and what it says.
#   program.sh EXE CASE [mouse]
set -u
source "$(dirname "$0")/../../support/show_window.sh"
exe=$1
case_=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*"; exit 1; }

run() {  # run with a time limit; sets status, out, err
  timeout 30 "$exe" "$@" >"$work/out" 2>"$work/err"
  status=$?
  out=$(cat "$work/out")
  err=$(cat "$work/err")
}

case $case_ in
  options)
    run --fullscreen
    [ $status -eq 2 ] || fail "unknown option: status $status"
    grep -q "unknown option '--fullscreen'" <<<"$err" || fail "unknown option: '$err'"
    run --keys
    [ $status -eq 2 ] || fail "--keys without a value: status $status"
    run --help
    [ $status -eq 0 ] || fail "--help: status $status"
    grep -q -- "--headless" <<<"$out" || fail "--help does not list --headless"
    printf '100 jump\n' >bad.keys
    run --keys bad.keys
    [ $status -eq 2 ] || fail "bad script: status $status"
    grep -q "line 1: unknown event 'jump'" <<<"$err" || fail "bad script: '$err'"
    run --data "$work/missing"
    [ $status -eq 2 ] || fail "missing data folder: status $status"
    ;;
  headless)
    printf '500 key m\n1000 key Escape\n' >quit.keys
    run --keys quit.keys
    [ $status -eq 0 ] || fail "Escape: status $status, '$err'"
    printf '700 buttons 3\n' >buttons.keys
    run --keys buttons.keys
    [ $status -eq 0 ] || fail "two buttons: status $status, '$err'"
    # A keyboard read error is a fatal error: the text on stderr, status 1.
    printf '300 error\n' >error.keys
    run --keys error.keys
    [ $status -eq 1 ] || fail "fatal error: status $status"
    grep -q "Tessaline: Fatal:Assertion in line 3152, file system" <<<"$err" || fail "fatal text: '$err'"
    ;;
  nodisplay)
    (unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER TESSALINE_BACKEND
     timeout 30 "$exe" >"$work/out" 2>"$work/err"; echo $? >"$work/status")
    status=$(cat "$work/status")
    err=$(cat "$work/err")
    [ "$status" -eq 1 ] || fail "no display: status $status"
    grep -q "no display could be opened" <<<"$err" || fail "no display: '$err'"
    grep -q -- "--headless" <<<"$err" || fail "no display: no hint of --headless"
    ;;
  window)
    # Under Xvfb: the window named Tessaline appears, Escape ends the show.
    export SDL_AUDIODRIVER=dummy TESSALINE_NO_MESSAGEBOX=1
    # Under the sanitizers: the system's D-Bus library, which SDL loads, keeps
    # buffers for the life of the process (without frames to suppress them by);
    # leaks of our own are the unit tests' business. The last setting wins.
    export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
    start_show_window "$exe" "$work"
    sleep 0.5
    kill -0 $pid 2>/dev/null || fail "the program ended before Escape: $(cat "$work/err")"
    xdotool windowfocus --sync "$wid" >/dev/null 2>&1
    if [ "${3:-}" = mouse ]; then
      # The first two buttons held together end the show too.
      xdotool mousemove --window "$wid" 200 150 mousedown 1 mousedown 3
    else
      xdotool key Escape
    fi
    for _ in $(seq 1 100); do
      kill -0 $pid 2>/dev/null || break
      sleep 0.1
    done
    if kill -0 $pid 2>/dev/null; then
      kill $pid
      fail "still running 10 s after ${3:-Escape}"
    fi
    wait $pid
    status=$?
    [ $status -eq 0 ] || fail "window run: status $status, $(cat "$work/err")"
    ;;
  *) fail "unknown case $case_" ;;
esac
echo "ok: $case_"
