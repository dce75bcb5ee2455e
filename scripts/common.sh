# Shared by scripts/run, scripts/test and scripts/screenshots: installs the
# Debian packages the build and the program need (each command adds what it
# alone needs), then configures and builds into build/.
set -euo pipefail

TOP=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$TOP/build}
# The build, and the program at run time: its fonts for English and
# Chinese, and Qt's own Chinese texts (file dialogs, message box buttons).
PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-qpa-plugins
  qt6-svg-dev
  fonts-liberation2 fonts-wqy-microhei fontconfig
  qt6-translations-l10n
)
# scripts/test also checks the installed launcher and runs the fuzzers.
TEST_PACKAGES=(
  desktop-file-utils
  clang libclang-rt-14-dev
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs PACKAGES and the extra packages named, those not installed yet.
install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
  fi
}

# Configures a build directory (with Ninja when it is new; one made before
# keeps its generator), passing the further arguments to cmake.
configure() {
  local dir=$1 generator=()
  shift
  [ -f "$dir/CMakeCache.txt" ] || generator=(-G Ninja)
  cmake -S "$TOP" -B "$dir" "${generator[@]}" "$@"
}

# Configures, then builds the targets named (everything when none is). A
# name ending in "?" is built only when the build has such a target.
build_project() {
  configure "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo
  if [ $# -eq 0 ]; then
    cmake --build "$BUILD_DIR" -j"$(nproc)"
    return
  fi
  local targets=() known t
  known=$(cmake --build "$BUILD_DIR" --target help 2>/dev/null || true)
  for t in "$@"; do
    if [[ $t == *\? ]]; then
      t=${t%\?}
      grep -qE "(^|[^[:alnum:]_-])$t([^[:alnum:]_-]|\$)" <<<"$known" || continue
    fi
    targets+=("$t")
  done
  cmake --build "$BUILD_DIR" -j"$(nproc)" --target "${targets[@]}"
}
