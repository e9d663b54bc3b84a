#!/usr/bin/env bash
# Builds a Release tree and runs the conversion benchmark (it needs the
# tests' project builder, so the tests are configured but not built):
#   tools/bench.sh [transvane-bench options: --scale S --repeat N --only NAME --dir DIR]
# Needs about 2 GB of memory and 1 GB of disk at the default scale.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh --tests
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRANSVANE_GUI=OFF -DTRANSVANE_TESTS=ON >/dev/null
cmake --build build-bench --parallel "$(nproc)" --target transvane-bench
exec build-bench/bench/transvane-bench "$@"
