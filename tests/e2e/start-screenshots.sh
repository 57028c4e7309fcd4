#!/usr/bin/env bash
# Starts the built program on a virtual X display as on its very first start (no
# settings yet) and saves a picture of the window, then opens Edit > Preferences… and
# saves a picture of that dialog.
#   tests/e2e/start-screenshots.sh [FIRST.png [PREFERENCES.png]]
#   (defaults: docs/first-start.png and docs/preferences.png)
# Needs a build (make build) and xvfb, xdotool and imagemagick, which it installs.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
first=$(realpath -m "${1:-$top/docs/first-start.png}")
preferences=$(realpath -m "${2:-$top/docs/preferences.png}")
program=${TARNWICK_PROGRAM:-$top/build/tarnwick}
[ -x "$program" ] || { echo "$program is missing: run make build first" >&2; exit 1; }

. "$here/screenshot-support.sh"

# A copy of the program that keeps its settings beside itself, none written yet.
mkdir -p "$work/bin"
cp "$program" "$work/bin/tarnwick"

cat > "$work/session.sh" <<'EOF'
set -euo pipefail
"$WORK/bin/tarnwick" &
program=$!
trap 'kill $program 2>/dev/null || true' EXIT
window=$(xdotool search --sync --onlyvisible --name '^Tarnwick' | head -1)
sleep 1.5
xdotool mousemove 1000 780
sleep 0.3
import -window "$window" "$FIRST"
xdotool windowfocus --sync "$window"
xdotool key ctrl+comma
dialog=$(xdotool search --sync --onlyvisible --name '^Preferences' | head -1)
sleep 1
import -window "$dialog" "$PREFERENCES"
EOF
WORK=$work FIRST=$first PREFERENCES=$preferences xvfb-run -a -s "-screen 0 1024x800x24" bash "$work/session.sh" \
  2>"$work/session.log" || { cat "$work/session.log" >&2; exit 1; }
echo "saved $first and $preferences"
