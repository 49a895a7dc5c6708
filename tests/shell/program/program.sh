#!/usr/bin/env bash
# Runs the real program and checks how it ends: exit status and what it says.
#   program.sh EXE CASE [mouse]
set -u
source "$(dirname "$0")/../../support/show_window.sh"
source "$(dirname "$0")/../../support/xvfb_server.sh"
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
    run --headless --data "$work/missing"
    [ $status -eq 1 ] || fail "missing data folder: status $status"
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
    # Without a script, or with one of comments only, the show ends after its
    # last scene, or after --seconds (with a script too); the sound written is
    # as long as the show ran.
    printf '100 key m\n5000 key Escape\n' >late.keys
    printf '# nothing to press\n\n' >comments.keys
    for length in ":36" "--seconds=2:2" "--seconds 0.5 --keys late.keys:0.5" "--keys comments.keys:36"; do
      TESSALINE_SOUND_WAV="$work/sound.wav" run --headless ${length%:*}
      [ $status -eq 0 ] || fail "--headless ${length%:*}: status $status, '$err'"
      seconds=$(( ($(stat -c %s "$work/sound.wav") - 44) / 1764 ))
      [ "$seconds" -eq "$(awk -v s="${length##*:}" 'BEGIN { print int(s * 100) }')" ] ||
        fail "--headless ${length%:*}: $seconds hundredths of sound"
    done
    # A stop signal ends a run at any moment, by that signal.
    for signal in INT TERM; do
      "$exe" --headless --seconds 3600 >"$work/out" 2>"$work/err" &
      pid=$!
      stop_signals_caught
      sleep 0.5
      kill -$signal $pid
      ends_within 2
      [ $status -eq $((128 + $(kill -l $signal))) ] || fail "SIG$signal: status $status, $(cat "$work/err")"
    done
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
    start_show_window "$exe" "$work" --window
    sleep 0.5
    kill -0 $pid 2>/dev/null || fail "the program ended before Escape: $(cat "$work/err")"
    xdotool windowfocus --sync "$wid" >/dev/null 2>&1
    if [ "${3:-}" = mouse ]; then
      # The first two buttons held together end the show too.
      xdotool mousemove --window "$wid" 200 150 mousedown 1 mousedown 3
    else
      xdotool key Escape
    fi
    ends_within 10
    [ $status -eq 0 ] || fail "window run: status $status, $(cat "$work/err")"
    ;;
  window_size)
    # A window of the size asked for; Escape still ends the show.
    export SDL_AUDIODRIVER=dummy TESSALINE_NO_MESSAGEBOX=1 ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
    start_show_window "$exe" "$work" --window=800x600 --scale=integer --no-vsync
    sleep 0.5
    geometry=$(xdotool getwindowgeometry "$wid" | grep Geometry)
    grep -q "800x600" <<<"$geometry" || fail "--window=800x600: $geometry"
    xdotool windowfocus --sync "$wid" >/dev/null 2>&1
    xdotool key Escape
    ends_within 10
    [ $status -eq 0 ] || fail "status $status, $(cat "$work/err")"
    ;;
  fatal_window)
    # A bad pack, the program started as from a desktop (stderr no terminal):
    # the window shows what is wrong until a key.
    export SDL_AUDIODRIVER=dummy ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
    unset TESSALINE_NO_MESSAGEBOX
    mkdir bad
    printf 'PACK but not a pack file' >bad/v01.dat
    start_show_window "$exe" "$work" --window --data bad
    sleep 1.5
    kill -0 $pid 2>/dev/null || fail "the window went at once: $(cat "$work/err")"
    import -window "$wid" "$work/fatal.png" 2>/dev/null || fail "no screenshot"
    # The text is white on black; the show's own first frames have no white.
    white=$(convert "$work/fatal.png" -fill black +opaque white -fill white -opaque white -format '%[fx:mean*w*h]' info:)
    [ "${white%.*}" -ge 200 ] || fail "no text in the window ($white white pixels)"
    xdotool windowfocus --sync "$wid" >/dev/null 2>&1
    xdotool key space
    ends_within 2
    [ $status -eq 1 ] || fail "status $status after the key"
    grep -q "^Tessaline: .*bad/v01.dat: not a pack file" "$work/err" || fail "stderr: $(cat "$work/err")"
    ;;
  lost)
    # The window killed (xkill), the X server gone, a stop signal: each ends
    # the program within 2 s, with status 1 and a message or by the signal.
    export SDL_AUDIODRIVER=dummy TESSALINE_NO_MESSAGEBOX=1 ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
    start_show_window "$exe" "$work" --window
    sleep 1
    xkill -id "$wid" >/dev/null 2>&1
    ends_within 2
    [ $status -eq 1 ] || fail "xkill: status $status"
    grep -q "the display is gone" "$work/err" || fail "xkill: $(cat "$work/err")"
    for signal in INT TERM; do
      start_show_window "$exe" "$work"
      stop_signals_caught
      sleep 1
      kill -$signal $pid
      ends_within 2
      [ $status -eq $((128 + $(kill -l $signal))) ] || fail "SIG$signal: status $status, $(cat "$work/err")"
    done
    # A server of this case's own, to take away.
    start_xvfb "$work" 800x600x24
    [ -n "$number" ] || fail "own server: Xvfb did not start: $(tail -3 "$work/xvfb.log")"
    DISPLAY=:$number start_show_window "$exe" "$work" --window
    sleep 1
    kill $server
    ends_within 2
    [ $status -eq 1 ] || fail "server gone: status $status"
    grep -q "the display is gone" "$work/err" || fail "server gone: $(cat "$work/err")"
    ;;
  *) fail "unknown case $case_" ;;
esac
echo "ok: $case_"
