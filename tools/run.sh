#!/usr/bin/env bash
# Installs what building and starting the window needs, builds the two
# programs (no tests, no benchmark) and starts the converter window; the
# arguments go to the window (a file to convert at once).  Without a display
# it says where the command-line tool was built and exits with status 1.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
tools/build.sh build -DTRANSVANE_TESTS=OFF -DTRANSVANE_BENCH=OFF
# The window's own test for a display, told here with the paths of this
# build.
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
  cat >&2 <<'TEXT'
tools/run.sh: the converter window needs a graphical display, and none was found
(neither DISPLAY nor WAYLAND_DISPLAY is set).  Both programs are built:

    build/gui/app/transvane         the window, where there is a display
    build/cli/transvane-cli         the converter without a window

To convert a file without a window:

    build/cli/transvane-cli convert OLD.vtr NEW.vtr

"build/cli/transvane-cli --help" says more.
TEXT
  exit 1
fi
exec build/gui/app/transvane "$@"
