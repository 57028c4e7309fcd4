#!/bin/sh
# Draws the 2x pictures (refresh 32 px, donate 184x52) at double the 1x sizes.
set -e
out=${1:-.}
# The refresh arrow's ring, open at the top left, as one filled outline.
ring=$(python3 -c "
import math
cx, cy, outer, inner, start, sweep, n = 16, 19, 9, 6, 210, 285, 48
def at(r, i):
    a = math.radians(start - sweep * i / n)
    return '%.2f,%.2f' % (cx + r * math.cos(a), cy + r * math.sin(a))
print(' '.join([at(outer, i) for i in range(n + 1)] + [at(inner, i) for i in range(n, -1, -1)]))")
convert -size 32x32 xc:none \
  -fill white -stroke '#B4B4B4' -strokewidth 2 -draw "path 'M 5,1.5 L 22,1.5 L 28.5,8 L 28.5,30.5 L 5,30.5 Z'" \
  -fill '#D8D8D8' -stroke '#7A7A7A' -strokewidth 1.5 -draw "path 'M 22,1.5 L 22,8 L 28.5,8 Z'" \
  -fill '#1E9E2E' -stroke none -draw "polygon $ring" \
  -draw "polygon 14.0,10.9 19.8,7.2 18.0,15.2" \
  -depth 8 -define png:color-type=6 "$out/refresh@2x.png"
convert -size 184x52 xc:none -fill '#F5B400' -stroke '#C58A00' -strokewidth 2 -draw "roundrectangle 1,1 182,50 6,6" \
  -stroke none -fill '#3B2A00' -font DejaVu-Sans-Bold -pointsize 24 -annotate +42+34 Donate \
  -depth 8 -define png:color-type=6 "$out/donate@2x.png"
