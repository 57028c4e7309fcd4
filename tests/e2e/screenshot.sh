#!/usr/bin/env bash
# Starts the built program on a virtual X display with a freshly written Laravel
# application selected, clicks Route > List, and saves a picture of the window.
#   tests/e2e/screenshot.sh [OUTPUT.png]     (default: docs/screenshot.png)
# With --colours first, View > Colours is on and the picture shows General > List, the
# tool's coloured list of commands (default: docs/screenshot-colours.png).
#   tests/e2e/screenshot.sh --colours [OUTPUT.png]
# Needs a build (make build) and xvfb, xdotool and imagemagick, which it installs.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
colours=0
if [ "${1:-}" = "--colours" ]; then colours=1; shift; fi
default=$top/docs/screenshot.png
[ $colours -eq 0 ] || default=$top/docs/screenshot-colours.png
output=$(realpath -m "${1:-$default}")
program=${TARNWICK_PROGRAM:-$top/build/tarnwick}
[ -x "$program" ] || { echo "$program is missing: run make build first" >&2; exit 1; }

. "$here/screenshot-support.sh"

# A copy of the program that keeps its settings beside itself, a web root with three
# projects, and the Laravel one chosen.
mkdir -p "$work/bin" "$work/www/api" "$work/www/shop"
cp "$program" "$work/bin/tarnwick"
"$here/make-laravel-app.sh" "$work/www/blog" >/dev/null
printf '[Settings]\r\nRoot=%s\r\nProject=%s\r\nColours=%s\r\n' "$work/www" "$work/www/blog" $colours \
  > "$work/bin/settings.ini"
# Where to click: the Route page's tab and its List button, or the General page's.
if [ $colours -eq 1 ]; then tab="57 236" button="167 292"; else tab="457 236" button="62 324"; fi

cat > "$work/session.sh" <<'EOF'
set -euo pipefail
"$WORK/bin/tarnwick" &
program=$!
trap 'kill $program 2>/dev/null || true' EXIT
window=$(xdotool search --sync --onlyvisible --name '^Tarnwick' | head -1)
xdotool windowmove --sync "$window" 0 0
xdotool windowsize --sync "$window" 860 700
sleep 1
# The page's tab, then its List button (places in the window, which the window's
# fixed layout and the DejaVu font keep the same).
xdotool mousemove --window "$window" $TAB click 1
sleep 0.5
xdotool mousemove --window "$window" $BUTTON click 1
# The command runs while the window waits; the console fills when it has ended.
sleep 3
xdotool mousemove --window "$window" 600 20
sleep 0.5
import -window "$window" "$OUTPUT"
EOF
WORK=$work OUTPUT=$output TAB=$tab BUTTON=$button xvfb-run -a -s "-screen 0 1024x800x24" bash "$work/session.sh" 2>/dev/null
echo "saved $output"
