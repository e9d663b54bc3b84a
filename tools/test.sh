#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: once in a normal
# build (with the page in the browser, built first and tested in headless
# Chromium) and once under AddressSanitizer and UndefinedBehaviorSanitizer;
# runs the tests that use threads, a --jobs 16 and a --jobs 64 batch among
# them, under ThreadSanitizer; builds the Debian package and checks it; runs
# each fuzzing harness for a minute; cross-builds transvane-cli and the
# test suite for Windows and checks them under Wine; then runs tools/run.sh
# as a new user would, with a display and without.  Every build (the
# programs and tests, the package, the sanitizers' trees, the Windows
# cross build) treats a warning as an error.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh --tests

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

echo "== Build the page in the browser"
tools/web.sh build-web

echo "== Build and test (with the page, in headless Chromium)"
TRANSVANE_WERROR=ON tools/build.sh build -DTRANSVANE_TESTS=ON -DTRANSVANE_BENCH=ON -DTRANSVANE_WEB_PAGE="$PWD/build-web/web/transvane.html"
ctest --test-dir build --output-on-failure --parallel "$jobs"

echo "== Build the Debian package and check it (lintian, metadata, desktop entry)"
TRANSVANE_WERROR=ON tools/package.sh build-release

echo "== Build and test under AddressSanitizer and UndefinedBehaviorSanitizer"
TRANSVANE_WERROR=ON tools/build.sh build-sanitize -DTRANSVANE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-sanitize --output-on-failure --parallel "$jobs"

echo "== The tests that use threads, under ThreadSanitizer (a few minutes)"
# Two conversions at once, the block prefetch, saves in flight together and
# a 40-file batch at --jobs 1, 16 and 64 through transvane-cli, all built
# with -fsanitize=thread; only the targets they need are built.
TRANSVANE_WERROR=ON tools/tsan.sh build-tsan

echo "== Windows: the test suite and transvane-cli.exe under Wine, against the native conversion"
# Warnings are errors here too, but for two kinds that MinGW's GCC 12
# reports in the tests' inlined std::vector copies (testkit/CMakeLists.txt).
# The three share one build tree (build-windows), each Wine run a fresh
# prefix.
TRANSVANE_WERROR=ON tools/windows.sh suite
TRANSVANE_WERROR=ON tools/windows.sh test
# and the zip the README tells Windows users to build
TRANSVANE_WERROR=ON tools/windows.sh

echo "== Fuzzing, a minute per harness"
tools/fuzz.sh 60

echo "== The first run: tools/run.sh with a display and without, the paths users are told"
tests/check_first_run.sh
