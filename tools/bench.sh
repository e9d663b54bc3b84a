#!/usr/bin/env bash
# Builds a Release tree and runs the conversion benchmark (it needs the
# tests' project builder, so the tests are configured but not built):
#   tools/bench.sh [transvane-bench options: --scale S --repeat N --only NAME --dir DIR]
# Needs about 2 GB of memory and 1 GB of disk at the default scale.
# Where Chromium is installed (CHROMIUM names another), the page is built
# too (tools/web.sh, into build-web) and its times are set beside the
# command-line tool's; without them that column is skipped.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh --tests
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRANSVANE_GUI=OFF -DTRANSVANE_TESTS=ON >/dev/null
cmake --build build-bench --parallel "$(nproc)" --target transvane-bench
page=()
chromium=${CHROMIUM:-/usr/bin/chromium}
if ! [ -f "$chromium" ] || ! [ -x "$chromium" ] || ! command -v node >/dev/null; then
  echo "bench.sh: Chromium or Node.js is missing: the page is not measured" >&2
elif ! tools/web.sh build-web >/dev/null; then
  echo "bench.sh: the page could not be built (tools/web.sh): it is not measured" >&2
else
  page=(--page build-web/web/transvane.html)
fi
exec build-bench/bench/transvane-bench "${page[@]}" "$@"
