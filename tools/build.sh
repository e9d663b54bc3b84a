#!/usr/bin/env bash
# Configures and builds one build tree: tools/build.sh DIR [cmake options...]
# TRANSVANE_WERROR=ON in the environment (tools/test.sh) makes every warning
# an error.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1
shift
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  ${TRANSVANE_WERROR:+-DTRANSVANE_WERROR="$TRANSVANE_WERROR"} "$@" >/dev/null
cmake --build "$dir" --parallel "$(nproc)"
