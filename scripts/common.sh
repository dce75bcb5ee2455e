# Shared by scripts/run, scripts/test and scripts/screenshots: installs the
# Debian packages the build and the program need (each command adds what it
# alone needs), then configures and builds into build/.
set -euo pipefail

TOP=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$TOP/build}
# Further cmake options of build_project's configure (scripts/test adds
# -DTAVIX_WERROR=ON).
BUILD_OPTIONS=()
# The build, and the program at run time: its fonts for English and
# Chinese, and Qt's own Chinese texts (file dialogs, message box buttons).
PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-qpa-plugins
  qt6-svg-dev
  fonts-liberation2 fonts-wqy-microhei fontconfig
  qt6-translations-l10n
)
# scripts/test also checks the installed launcher and AppStream data and
# the manual page, and runs the fuzzers.
TEST_PACKAGES=(
  desktop-file-utils appstream man-db
  clang libclang-rt-14-dev
  # The report's and the CSV export's tests: pdftotext, pdffonts and pdfinfo
  # read the PDF; Python's csv module reads the CSV back.
  poppler-utils python3
)
# The benchmarks that scripts/test builds compare the batch sort with mawk.
BENCHMARK_PACKAGES=(
  mawk
)
# scripts/package makes the Debian package (CPack runs file and
# dpkg-shlibdeps) and checks it with lintian, appstreamcli and man.
PACKAGE_PACKAGES=(
  dpkg-dev file lintian appstream man-db desktop-file-utils
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

# The compiler and linker flags Debian builds its packages with
# (dpkg-buildflags: -g -O2, the stack protector, format checks,
# _FORTIFY_SOURCE, relro), as cmake arguments. The paths of the sources are
# kept as they are (no -ffile-prefix-map): the tests of the build tree and
# a debugger find the sources by them.
debian_build_flags() {
  local get="env DEB_BUILD_MAINT_OPTIONS=reproducible=-fixfilepath,-fixdebugpath dpkg-buildflags --get"
  local cppflags
  cppflags=$(cd "$TOP" && $get CPPFLAGS)
  echo "-DCMAKE_C_FLAGS=$(cd "$TOP" && $get CFLAGS) $cppflags"
  echo "-DCMAKE_CXX_FLAGS=$(cd "$TOP" && $get CXXFLAGS) $cppflags"
  local ldflags
  ldflags=$(cd "$TOP" && $get LDFLAGS)
  echo "-DCMAKE_EXE_LINKER_FLAGS=$ldflags"
  echo "-DCMAKE_SHARED_LINKER_FLAGS=$ldflags"
  echo "-DCMAKE_MODULE_LINKER_FLAGS=$ldflags"
}

# Configures, then builds the targets named (everything when none is). A
# name ending in "?" is built only when the build has such a target. The
# build is the program as it ships and as scripts/package packages it:
# RelWithDebInfo with Debian's flags.
build_project() {
  local flags
  mapfile -t flags < <(debian_build_flags)
  configure "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${flags[@]}" "${BUILD_OPTIONS[@]}"
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
