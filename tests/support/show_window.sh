# Sourced by the Xvfb tests: starts the program in a window and waits for it.
#   start_show_window EXE WORK [ARGS...]   sets pid and wid; on failure calls fail MESSAGE
#   (the window's title matches $window_title, by default "Tessaline")
start_show_window() {
  local exe=$1 dir=$2
  shift 2
  "$exe" "$@" >"$dir/out" 2>"$dir/err" &
  pid=$!
  wid=
  for _ in $(seq 1 150); do
    # Once shown: SDL may make the window again (another id) while it sets up.
    wid=$(xdotool search --onlyvisible --pid $pid --name "${window_title:-^Tessaline\$}" 2>/dev/null | head -1)
    [ -n "$wid" ] && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$wid" ] || { kill $pid 2>/dev/null; fail "no window named ${window_title:-Tessaline}: $(cat "$dir/err")"; }
}

# ends_within SECONDS: waits for $pid to end; sets status (or fails)
ends_within() {
  for _ in $(seq 1 $(($1 * 20))); do
    kill -0 $pid 2>/dev/null || break
    sleep 0.05
  done
  if kill -0 $pid 2>/dev/null; then
    kill -9 $pid
    fail "still running $1 s later"
  fi
  wait $pid
  status=$?
}

# stop_signals_caught: waits until $pid blocks SIGINT and SIGTERM for its own
# watcher. Before that a shell's background job ignores SIGINT, and a slow
# start on a loaded machine would lose the signal.
stop_signals_caught() {
  local mask
  for _ in $(seq 1 400); do
    mask=$(awk '/^SigBlk:/ { print $2 }' /proc/$pid/status 2>/dev/null)
    [ -n "$mask" ] && (( (16#$mask & 16#4002) == 16#4002 )) && return 0
    kill -0 $pid 2>/dev/null || break
    sleep 0.05
  done
  fail "the program did not set up its stop signals"
}
