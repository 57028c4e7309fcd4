#!/usr/bin/env bash
# Starts the built program on a virtual X display with a freshly written Laravel
# application selected, opens Commands > Run Any Command, searches "model", fills make:model's form
# (name Carriage, --migration) and saves a picture of the palette.
#   tests/e2e/palette-screenshot.sh [OUTPUT.png]     (default: docs/palette.png)
# Needs a build (make build) and xvfb, xdotool and imagemagick, which it installs.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
output=$(realpath -m "${1:-$top/docs/palette.png}")
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
sleep 1
xdotool windowfocus --sync "$window"
xdotool key ctrl+shift+p
palette=$(xdotool search --sync --onlyvisible --name '^Run Any Command' | head -1)
xdotool windowmove --sync "$palette" 0 0
# The project's commands are read by the tools themselves.
sleep 4
xdotool type --delay 60 'model'
sleep 0.5
# Search, list, then the form: name, and the fifth option --migration.
xdotool key Tab Tab
xdotool type --delay 60 'Carriage'
xdotool key Tab Tab Tab Tab Tab space
sleep 0.5
import -window "$palette" "$OUTPUT"
EOF
WORK=$work OUTPUT=$output xvfb-run -a -s "-screen 0 1024x800x24" bash "$work/session.sh" 2>"$work/session.log" || { cat "$work/session.log" >&2; exit 1; }
echo "saved $output"
