#!/usr/bin/env bash
# transvane-cli for Windows, cross-built with Debian's MinGW-w64:
#
#   tools/windows.sh         builds build-windows/transvane-cli-VERSION-windows-x64.zip
#                            (the program, README.txt, LICENSE.txt, licences/)
#   tools/windows.sh test    builds the program for Windows and runs it under
#                            Wine in a fresh prefix on test-kit projects
#                            against the native reference (tests/windows/)
#   tools/windows.sh suite   builds the GoogleTest suite for Windows and runs
#                            it under Wine (the suites that are POSIX by
#                            nature left out: tests/CMakeLists.txt)
#
# The native build tree (build, or TRANSVANE_NATIVE_BUILD) provides the
# reference conversion; only the targets needed are built there.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh --tests

dir=build-windows
native=${TRANSVANE_NATIVE_BUILD:-build}
mode=${1:-zip}
# The cross build is the stage's longest part: ccache makes a second one
# cheap, in this clone or another (names taken relative to it), for our C++
# and for libdeflate's C alike.
launcher=$(command -v ccache || true)
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}

configure() {
  cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DTRANSVANE_GUI=OFF -DTRANSVANE_BENCH=OFF -DTRANSVANE_TESTS="$1" \
    -DTRANSVANE_LIBDEFLATE=ON \
    ${launcher:+-DCMAKE_CXX_COMPILER_LAUNCHER="$launcher" -DCMAKE_C_COMPILER_LAUNCHER="$launcher"} \
    ${TRANSVANE_WERROR:+-DTRANSVANE_WERROR="$TRANSVANE_WERROR"} >/dev/null
}

# Only Windows' own DLLs: the C runtime and the system.
check_dlls() {
  local unexpected
  unexpected=$(x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p' |
    grep -viE '^(kernel32|msvcrt|user32|advapi32|shell32|ole32|ws2_32|bcrypt)\.dll$' || true)
  if [ -n "$unexpected" ]; then
    echo "$1 needs DLLs that Windows does not have: $unexpected" >&2
    exit 1
  fi
}

case "$mode" in
zip)
  configure OFF
  cmake --build "$dir" --parallel "$(nproc)" --target transvane-cli
  exe=$dir/cli/transvane-cli.exe
  check_dlls "$exe"
  version=$(sed -n 's/^project(Transvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
  stage=$dir/zip/transvane-cli-$version-windows-x64
  rm -rf "$dir/zip"
  mkdir -p "$stage/licences"
  cp "$exe" "$stage/"
  x86_64-w64-mingw32-strip "$stage/transvane-cli.exe"
  # Text files for Windows users: CRLF line ends.
  crlf() { sed 's/\r$//; s/$/\r/' "$1" >"$2"; }
  crlf packaging/windows/README.txt "$stage/README.txt"
  crlf LICENSE "$stage/LICENSE.txt"
  crlf /usr/share/doc/libz-mingw-w64/copyright "$stage/licences/zlib.txt"
  # libdeflate, compiled in from its sources unless the build turned it off.
  libdeflate=$(sed -n 's/^TRANSVANE_LIBDEFLATE_SOURCE_DIR:PATH=//p' "$dir/CMakeCache.txt")
  if [ -n "$libdeflate" ]; then crlf "$libdeflate/COPYING" "$stage/licences/libdeflate.txt"; fi
  crlf /usr/share/doc/mingw-w64-common/copyright "$stage/licences/mingw-w64-runtime-and-winpthreads.txt"
  crlf /usr/share/doc/gcc-mingw-w64-base/copyright "$stage/licences/gcc-runtime-libstdc++.txt"
  zip=$PWD/$dir/transvane-cli-$version-windows-x64.zip
  rm -f "$zip"
  (cd "$dir/zip" && python3 -m zipfile -c "$zip" "$(basename "$stage")")
  echo "The zip: $dir/transvane-cli-$version-windows-x64.zip"
  ;;
test | suite)
  started=$(date +%s)
  WINEPREFIX=$(mktemp -d /tmp/transvane-wine.XXXXXX)
  export WINEPREFIX WINEDEBUG=-all
  trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
  # The prefix is made while the programs build (about ten seconds alone).
  wineboot -i >/dev/null 2>&1 &
  if [ "$mode" = suite ]; then
    configure ON
    cmake --build "$dir" --parallel "$(nproc)" --target transvane_tests
    wait || true  # a prefix that failed shows in the runs that follow
    wine "$dir/tests/transvane_tests.exe" --gtest_brief=1
  else
    cmake -S . -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$native" --parallel "$(nproc)" --target web_projects transvane-cli
    configure ON
    cmake --build "$dir" --parallel "$(nproc)" --target transvane-cli interrupt
    check_dlls "$dir/cli/transvane-cli.exe"
    wait || true  # a prefix that failed shows in the runs that follow
    tests/windows/check_cli.sh "$dir/cli/transvane-cli.exe" "$native/tests/web_projects" "$native/cli/transvane-cli" \
      "$dir/tests/interrupt.exe"
  fi
  echo "== Windows stage done in $(($(date +%s) - started)) s"
  ;;
*)
  echo "usage: tools/windows.sh [test | suite]" >&2
  exit 2
  ;;
esac
