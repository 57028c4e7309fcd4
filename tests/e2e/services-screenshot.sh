#!/usr/bin/env bash
# Starts the built program on a virtual X display with a freshly written Laravel
# application selected, opens View > Services with the keyboard, starts the development
# server and the scheduler, and saves a picture of the window.
#   tests/e2e/services-screenshot.sh [OUTPUT.png]     (default: docs/services.png)
# Needs a build (make build) and xvfb, xdotool and imagemagick, which it installs.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
output=$(realpath -m "${1:-$top/docs/services.png}")
program=${TARNWICK_PROGRAM:-$top/build/tarnwick}
[ -x "$program" ] || { echo "$program is missing: run make build first" >&2; exit 1; }

. "$here/screenshot-support.sh"

mkdir -p "$work/bin" "$work/www"
cp "$program" "$work/bin/tarnwick"
"$here/make-laravel-app.sh" "$work/www/blog" >/dev/null
printf '[Settings]\r\nRoot=%s\r\nProject=%s\r\n' "$work/www" "$work/www/blog" > "$work/bin/settings.ini"

cat > "$work/session.sh" <<'EOF'
set -euo pipefail
"$WORK/bin/tarnwick" &
program=$!
trap 'kill $program 2>/dev/null || true' EXIT
window=$(xdotool search --sync --onlyvisible --name '^Tarnwick' | head -1)
xdotool windowmove --sync "$window" 0 0
xdotool windowsize --sync "$window" 1000 700
xdotool windowfocus --sync "$window"
sleep 1
# View > Services puts the keyboard in the list of services: Enter starts the first
# (the development server), Down twice and Enter the scheduler, Up twice shows the
# server's output again.
xdotool key ctrl+shift+s
sleep 1
for key in Return Down Down Return Up Up; do
  xdotool key $key
  sleep 0.4
done
sleep 2
import -window "$window" "$OUTPUT"
# Quitting asks about the running services: Yes stops them.
xdotool key ctrl+q
sleep 1
xdotool key y
sleep 1
EOF
WORK=$work OUTPUT=$output xvfb-run -a -s "-screen 0 1024x800x24" bash "$work/session.sh" 2>/dev/null
echo "saved $output"
