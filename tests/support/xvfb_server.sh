# Sourced by the tests that start an X server of their own.
#   start_xvfb DIR SCREEN   starts Xvfb; sets server (its pid) and number (its
#                           display number), or leaves number empty with the
#                           server's last words in DIR/xvfb.log
# The server takes a free display number itself and reports it (-displayfd),
# so tests that run at the same time never race for one number. -noreset: a
# server resets when its last client leaves (each xdotool call is one), and a
# client connecting during the reset is refused.
start_xvfb() {
  Xvfb -displayfd 3 -screen 0 "$2" -nolisten tcp -noreset 3>"$1/display" 2>"$1/xvfb.log" &
  server=$!
  for _ in $(seq 1 200); do
    grep -q . "$1/display" 2>/dev/null && break
    kill -0 "$server" 2>/dev/null || break
    sleep 0.05
  done
  number=$(head -1 "$1/display" 2>/dev/null)
}
