# Shared set-up for scripts/run and scripts/test: packages, configure, build.
# Sourced, not run.

TOP=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
JOBS=${JOBS:-2}

# Installs the Debian packages of scripts/packages.txt (or of the lists
# given) that are missing.
ensure_packages() {
  local wanted missing=() pkg lists=("$@")
  [ ${#lists[@]} -eq 0 ] && lists=("$TOP/scripts/packages.txt")
  wanted=$(cat "${lists[@]}" | grep -v -E '^\s*(#|$)')
  for pkg in $wanted; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  # Waits for another apt-get to finish instead of failing on its lock.
  local apt=(apt-get -o DPkg::Lock::Timeout=600 install -y --no-install-recommends "${missing[@]}")
  if [ "$(id -u)" = 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 update -qq && DEBIAN_FRONTEND=noninteractive "${apt[@]}" -qq
  elif command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
    sudo DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 update -qq && sudo DEBIAN_FRONTEND=noninteractive "${apt[@]}" -qq
  else
    echo "Cannot install packages (not root, no sudo). Please run:" >&2
    echo "  sudo apt-get update && sudo ${apt[*]}" >&2
    return 1
  fi
}

# configure_and_build BUILD_DIR [cmake options...]   (BUILD_TARGETS: only these targets)
configure_and_build() {
  local dir=$1
  shift
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S "$TOP" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null || return 1
  cmake --build "$dir" -j "$JOBS" ${BUILD_TARGETS:+--target $BUILD_TARGETS}
}
