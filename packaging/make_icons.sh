#!/bin/sh
# Renders the program icon (resources/velmora.svg) at the hicolor theme's sizes into
# packaging/icons/SIZExSIZE/. Run by hand after changing the drawing; the PNGs are kept in git.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
for size in 16 22 24 32 48 64 128 256 512; do
  mkdir -p "$here/icons/${size}x${size}"
  rsvg-convert -w "$size" -h "$size" "$here/../resources/velmora.svg" -o "$here/icons/${size}x${size}/org.velmora.Velmora.png"
done
