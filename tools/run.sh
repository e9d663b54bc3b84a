#!/usr/bin/env bash
# Installs what is missing, builds, and starts the converter window.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
tools/build.sh build
exec build/transvane
