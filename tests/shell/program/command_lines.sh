#!/usr/bin/env bash
# Every program answers the same way on its command line: --version and
# --help with status 0 on stdout, a usage error as one line on stderr naming
# the problem and pointing to --help with status 2, "--opt=value" as well
# as "--opt value".
#   command_lines.sh TESSALINE SCL PACK MPEGDEC SHOWTRACE SPIN3D
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

run() {  # run EXE ARGS...: sets status, out, err
  timeout 30 "$@" >"$work/out" 2>"$work/err"
  status=$?
  out=$(cat "$work/out")
  err=$(cat "$work/err")
}

usage_error() {  # usage_error NAME EXPECTED-TEXT EXE ARGS...
  local name=$1 expected=$2
  shift 2
  run "$@"
  [ $status -eq 2 ] || fail "$name ${*:2}: status $status"
  [ "$(wc -l <"$work/err")" -eq 1 ] || fail "$name ${*:2}: not one line: '$err'"
  grep -qF -- "$name: $expected (try '$name --help')" <<<"$err" || fail "$name ${*:2}: '$err'"
  [ -z "$out" ] || fail "$name ${*:2}: wrote to stdout: '$out'"
}

exes=("$@")
names=(tessaline scl pack mpegdec showtrace spin3d)
# A bad value given in the --opt=value form, and what each program says of it.
bad_value=("--fps=0" "--levels=99" "--directory=" "--downshift=9" "--until=soon" "--frames=0")
said=("--fps wants a whole number from 1 to 240" "--levels wants a whole number from 1 to 15"
      "--directory needs a value" "--downshift wants a whole number from 0 to 2"
      "--until wants a number from 0 to 8.64e+07" "--frames wants a whole number from 1 to 1073741824")
for i in "${!names[@]}"; do
  name=${names[$i]}
  exe=${exes[$i]}
  run "$exe" --version
  [ $status -eq 0 ] || fail "$name --version: status $status"
  grep -qE "^$name( \(Tessaline\))? [0-9]+\.[0-9]+\.[0-9]+$" <<<"$out" || fail "$name --version: '$out'"
  run "$exe" --help
  [ $status -eq 0 ] || fail "$name --help: status $status"
  grep -q "^usage: $name" <<<"$out" || fail "$name --help: '$out'"
  [ -z "$err" ] || fail "$name --help: wrote to stderr: '$err'"
  usage_error "$name" "unknown option '--bogus'" "$exe" --bogus
  usage_error "$name" "${said[$i]}" "$exe" "${bad_value[$i]}"
  usage_error "$name" "--version takes no value" "$exe" --version=2
done

# The value form works where the value is good.
run "${exes[5]}" --headless --frames=2
[ $status -eq 0 ] || fail "spin3d --frames=2: status $status, '$err'"
run "${exes[5]}" --headless --frames 2
[ $status -eq 0 ] || fail "spin3d --frames 2: status $status, '$err'"
exit $((failures > 0))
