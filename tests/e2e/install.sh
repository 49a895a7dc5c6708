#!/usr/bin/env bash
# An installed copy: everything below the prefix, and the program run from
# another folder finds its show there.   install.sh BUILD_DIR
set -u
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/log" 2>&1 || fail "install: $(tail -3 "$work/log")"

for f in bin/tessaline bin/scl bin/pack bin/mpegdec bin/showtrace bin/spin3d \
         share/tessaline/v01.dat share/tessaline/vo.mp3 share/applications/tessaline.desktop \
         share/icons/hicolor/48x48/apps/tessaline.png share/icons/hicolor/256x256/apps/tessaline.png \
         share/man/man1/tessaline.1 share/man/man1/pack.1 share/man/man1/spin3d.1; do
  [ -s "$prefix/$f" ] || fail "not installed: $f"
done
# Nothing outside the prefix.
outside=$(grep -v "^$prefix/" "$build/install_manifest.txt")
[ -z "$outside" ] || fail "installed outside the prefix: $outside"
# The pages are well-formed; the icon is the size its folder says.
command -v man >/dev/null || echo "no man here: the pages' form is not checked"
for page in $(command -v man >/dev/null && echo "$prefix"/share/man/man1/*.1); do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done
if command -v identify >/dev/null; then
  size=$(identify -format '%wx%h %[channels]' "$prefix/share/icons/hicolor/48x48/apps/tessaline.png")
  [ "$size" = "48x48 srgba" ] || fail "48x48 icon: $size"
fi
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/share/applications/tessaline.desktop" || fail "desktop entry"
fi

# Run from an empty folder: the show from share/tessaline, the tools answer.
mkdir "$work/elsewhere"
cd "$work/elsewhere"
"$prefix/bin/tessaline" --headless --seconds 1 >"$work/out" 2>&1 || fail "installed run: $(cat "$work/out")"
"$prefix/bin/tessaline" --check >"$work/out" 2>&1 || fail "installed --check: $(tail -2 "$work/out")"
grep -q "from the pack $prefix/share/tessaline/v01.dat" "$work/out" || fail "--check: $(head -1 "$work/out")"
"$prefix/bin/showtrace" --until 50 >"$work/out" 2>&1 || fail "installed showtrace: $(tail -2 "$work/out")"
# Without the show installed beside it the program names every folder it searched.
mkdir -p "$work/bare/bin"
cp "$prefix/bin/tessaline" "$work/bare/bin/"
"$work/bare/bin/tessaline" --headless >"$work/out" 2>&1
status=$?
[ $status -eq 1 ] || fail "no show: status $status"
grep -qF "tessaline: v01.dat: not found in $work/elsewhere, $work/bare/bin, $work/bare/share/tessaline" "$work/out" ||
  fail "no show: $(cat "$work/out")"
echo "ok: installed in $prefix"
