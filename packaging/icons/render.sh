#!/usr/bin/env bash
# Renders the PNG sizes of the application icon from transvane.svg.  The
# PNGs are committed, so building needs no renderer; run this after
# changing the drawing (needs rsvg-convert, Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" transvane.svg --output "transvane-$size.png"
done
