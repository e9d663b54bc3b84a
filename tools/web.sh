#!/usr/bin/env bash
# Builds the page in the browser: tools/web.sh [DIR]  (default build-web)
# makes DIR/web/transvane.html, one self-contained file.  Installs what is
# missing first (Emscripten, the sources of zlib and libdeflate, the page's
# zip writer).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-web}
tools/setup.sh --tests
(cd web && npm ci --no-audit --no-fund --loglevel=error)
# Emscripten's tools need Debian's node-acorn, which a Node.js not from
# Debian does not look for by itself.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
# libdeflate named outright: a tree configured when the page had zlib alone
# keeps that choice in its cache, and the page must write the native bytes.
emcmake cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRANSVANE_LIBDEFLATE=ON >/dev/null
cmake --build "$dir" --parallel "$(nproc)"
echo "The page: $dir/web/transvane.html"
