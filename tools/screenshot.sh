#!/usr/bin/env bash
# Takes the screenshot of the converter window that the software-centre
# metadata shows (packaging/screenshots/transvane.png): builds the window,
# starts it under a virtual X server and grabs the window as X draws it.
# Run again whenever the window's look changes, and commit the picture.
set -euo pipefail
cd "$(dirname "$0")/.."
# xvfb-run gives the window a display, xdotool finds it, import
# (ImageMagick) grabs it; only this script needs the last.
tools/setup.sh xvfb xauth xdotool imagemagick
tools/build.sh build -DTRANSVANE_TESTS=OFF -DTRANSVANE_BENCH=OFF
output=packaging/screenshots/transvane.png
mkdir -p "$(dirname "$output")"

# Inside the X server: start the window, wait until it is drawn, grab it,
# close it.  The user's settings stay out of the picture.
grab='
  build/gui/app/transvane & app=$!
  window=$(timeout 30 xdotool search --sync --onlyvisible --name "^Vantrel 4 to 5 Converter$" | head -n 1)
  sleep 1
  /usr/bin/import -window "$window" "$0"
  xdotool windowfocus --sync "$window" key Escape
  wait $app'
settings=$(mktemp -d)
trap 'rm -rf "$settings"' EXIT
env -u QT_QPA_PLATFORM XDG_CONFIG_HOME="$settings" \
  xvfb-run -a -s "-screen 0 1024x768x24" sh -c "$grab" "$output"
# A picture that does not change with the tool that wrote it.
/usr/bin/convert "$output" -strip "$output"
echo "Wrote $output"
