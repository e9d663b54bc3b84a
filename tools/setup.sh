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
# (.clang-format).  The page and the Windows build also compile libdeflate
# from Debian's source package, fetched below.
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

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# libdeflate's C sources for the page and the Windows build, which compile
# them (cmake/Libdeflate.cmake): the very version of libdeflate-dev, so both
# write the bytes the command-line tool writes on Linux.  Fetched once from
# Debian's source package (its hashes checked against the signed index)
# through a private apt state folder, leaving the system's sources list
# alone, and unpacked into $libdeflate_folder (cmake/Libdeflate.cmake looks
# there); fetched again when libdeflate-dev changes version.
libdeflate_folder=/usr/local/src/transvane/libdeflate
fetch_libdeflate_sources() (
  folder=$libdeflate_folder
  version=$(dpkg-query -W -f='${source:Version}' libdeflate-dev)
  upstream=${version%-*}
  upstream=${upstream#*:}
  if grep -qs "^#define LIBDEFLATE_VERSION_STRING[[:space:]]*\"$upstream\"" "$folder/libdeflate.h"; then
    return
  fi
  echo "Fetching libdeflate $version's sources into $folder"
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  mkdir -p "$work/apt/lists/partial" "$work/apt/archives/partial" "$work/source"
  # apt run by root downloads as its own unprivileged user.
  chmod 755 "$work"
  if [ "$(id -u)" -eq 0 ] && id _apt >/dev/null 2>&1; then chown -R _apt "$work/apt" "$work/source"; fi
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$work/apt/src.sources"
  else
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >"$work/apt/src.list"
  fi
  apt_options=(-o Dir::Etc::sourcelist=/dev/null -o "Dir::Etc::sourceparts=$work/apt"
                     -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache::Archives=$work/apt/archives")
  apt-get "${apt_options[@]}" update -qq
  (cd "$work/source" && apt-get "${apt_options[@]}" source -qq --download-only "libdeflate=$version")
  mkdir -p "$work/unpacked"
  tar -xf "$work"/source/libdeflate_"$upstream".orig.tar.* -C "$work/unpacked"
  unpacked=("$work"/unpacked/*)
  if [ ${#unpacked[@]} -ne 1 ] ||
     ! grep -qs "^#define LIBDEFLATE_VERSION_STRING[[:space:]]*\"$upstream\"" "${unpacked[0]}/libdeflate.h"; then
    echo "libdeflate's source package did not unpack to version $upstream" >&2
    return 1
  fi
  "${sudo_cmd[@]}" mkdir -p "$(dirname "$folder")"
  "${sudo_cmd[@]}" rm -rf "$folder"
  "${sudo_cmd[@]}" cp -R --no-preserve=ownership "${unpacked[0]}" "$folder"
)

if [[ " ${packages[*]} " == *" emscripten "* ]]; then
  fetch_libdeflate_sources
fi
