#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing Transvane needs,
# skipping those already present; packages named as arguments are added
# (tools/screenshot.sh asks for imagemagick).  Run as root (or with sudo
# available).
set -euo pipefail

# desktop-file-utils and shared-mime-info check the desktop entry and the file
# types in the tests; dpkg-dev lets cpack work out the package's dependencies;
# lintian and appstream check the package and its software-centre metadata
# (tools/package.sh); xvfb, xauth and xdotool run the window under a virtual
# X server in one test; clang and its runtime build and run the fuzzing
# harnesses (tools/fuzz.sh); emscripten builds the page in the browser
# (tools/web.sh), with zlib's C sources from binutils-source, and chromium
# runs the page's test and renders the page that extract writes;
# libpng-dev writes extract's PNG files and nlohmann-json3-dev reads the
# project.json it writes in its test; python3-jsonschema checks every JSON
# report of the tests against its schema.
packages=(g++ cmake ninja-build pkg-config zlib1g-dev libdeflate-dev libpng-dev qt6-base-dev libgtest-dev
          desktop-file-utils shared-mime-info dpkg-dev lintian appstream xvfb xauth xdotool
          clang-14 libclang-rt-14-dev emscripten binutils-source chromium nlohmann-json3-dev python3-jsonschema "$@")
# Node.js and npm drive the browser test and fetch the page's zip writer; a
# Node.js already installed (with its own npm) is kept.
command -v npm >/dev/null || packages+=(nodejs npm)

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
