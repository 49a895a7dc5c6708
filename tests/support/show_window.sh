# Sourced by the Xvfb tests: starts the program in a window and waits for it.
#   start_show_window EXE WORK   sets pid and wid; on failure calls fail MESSAGE
start_show_window() {
  "$1" --window >"$2/out" 2>"$2/err" &
  pid=$!
  wid=
  for _ in $(seq 1 150); do
    wid=$(xdotool search --name '^Tessaline$' 2>/dev/null | head -1)
    [ -n "$wid" ] && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$wid" ] || { kill $pid 2>/dev/null; fail "no window named Tessaline: $(cat "$2/err")"; }
}
