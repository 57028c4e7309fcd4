#!/usr/bin/env bash
# Renders the icon's PNG sizes and the Windows .ico from tarnwick.svg. The results are
# committed, so building needs neither tool; run this again after changing the SVG.
# Needs rsvg-convert (librsvg2-bin) and ImageMagick's convert.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" tarnwick.svg -o "tarnwick-$size.png"
done
# The .ico holds the sizes that Windows shows in Explorer, the taskbar and title bars.
convert tarnwick-16.png tarnwick-32.png tarnwick-48.png tarnwick-256.png tarnwick.ico
# 16 and 32 serve only the .ico.
rm -f tarnwick-16.png tarnwick-32.png
