#!/usr/bin/env bash
# Installs the Debian 12 packages that Transvane needs, skipping those
# already present.  Run as root (or with sudo available).
#
#   tools/setup.sh                  what building and starting the programs needs
#   tools/setup.sh --tests          and what the tests, the page, the package
#                                   and the fuzzing harnesses need
#   tools/setup.sh ... PACKAGE...   and these (tools/screenshot.sh asks for
#                                   imagemagick)
set -euo pipefail

# Building the two programs and starting the window: the compiler and build
# tools, zlib and libdeflate (the compressed blocks), libpng (extract's
# PNG files) and Qt's widgets with their platform plugins.
packages=(g++ cmake ninja-build pkg-config zlib1g-dev libdeflate-dev libpng-dev qt6-base-dev)

# The tests and the rest of tools/test.sh: GoogleTest, and nlohmann-json3-dev
# to read the project.json that extract writes; desktop-file-utils and
# shared-mime-info check the desktop entry and the file types; dpkg-dev lets
# cpack work out the package's dependencies; lintian and appstream check the
# package and its software-centre metadata (tools/package.sh); xvfb, xauth
# and xdotool run the window under a virtual X server; clang and its runtime
# build and run the fuzzing harnesses (tools/fuzz.sh); emscripten builds the
# page in the browser (tools/web.sh), with zlib's C sources from
# binutils-source; chromium runs the page's test and renders the page that
# extract writes; python3-jsonschema checks every JSON report of the tests
# against its schema.  MinGW-w64 (its posix thread model, for std::thread),
# zlib built for it, GoogleTest's sources and Wine cross-build
# transvane-cli.exe and the test suite for Windows and run them
# (tools/windows.sh; ccache makes its second cross build cheap);
# clang-format checks that the sources keep the house style
# (.clang-format).
test_packages=(libgtest-dev nlohmann-json3-dev desktop-file-utils shared-mime-info dpkg-dev lintian appstream
               xvfb xauth xdotool clang-14 libclang-rt-14-dev emscripten binutils-source chromium
               python3-jsonschema g++-mingw-w64-x86-64-posix libz-mingw-w64-dev googletest wine64
               ccache clang-format-14)

if [ "${1:-}" = "--tests" ]; then
  shift
  packages+=("${test_packages[@]}")
  # Node.js and npm drive the browser test and fetch the page's zip writer;
  # a Node.js already installed (with its own npm) is kept.
  command -v npm >/dev/null || packages+=(nodejs npm)
fi
packages+=("$@")

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi
