#!/usr/bin/env bash
# Starts the built program on a virtual X display with a freshly written Laravel
# application selected, opens the Views pane at Routes and Views > Log with the keyboard,
# and saves a picture of each.
#   tests/e2e/views-screenshot.sh [ROUTES.png [LOG.png]]
#   (defaults: docs/views-routes.png and docs/log-viewer.png)
# Needs a build (make build) and xvfb, xdotool and imagemagick, which it installs.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
routes_output=$(realpath -m "${1:-$top/docs/views-routes.png}")
log_output=$(realpath -m "${2:-$top/docs/log-viewer.png}")
program=${TARNWICK_PROGRAM:-$top/build/tarnwick}
[ -x "$program" ] || { echo "$program is missing: run make build first" >&2; exit 1; }

. "$here/screenshot-support.sh"

mkdir -p "$work/bin" "$work/www"
cp "$program" "$work/bin/tarnwick"
"$here/make-laravel-app.sh" "$work/www/blog" >/dev/null
# A few entries for the log viewer, one of them with a stack trace.
(cd "$work/www/blog" &&
  php artisan fixture:log 'Payment provider did not answer' >/dev/null &&
  php -r '
    require "bootstrap/autoload.php";
    $app = require "bootstrap/app.php";
    $app->make(Illuminate\Contracts\Console\Kernel::class)->bootstrap();
    Illuminate\Support\Facades\Log::info("Order 1042 saved", ["user" => 7]);
    Illuminate\Support\Facades\Log::warning("Slow query on notes (1.8 s)");
    Illuminate\Support\Facades\Log::error("Unable to reach the mail server", ["exception" => new RuntimeException("Connection refused")]);
  ' >/dev/null)
printf '[Settings]\r\nRoot=%s\r\nProject=%s\r\n' "$work/www" "$work/www/blog" > "$work/bin/settings.ini"

cat > "$work/session.sh" <<'SESSION'
set -euo pipefail
"$WORK/bin/tarnwick" &
program=$!
trap 'kill $program 2>/dev/null || true' EXIT
window=$(xdotool search --sync --onlyvisible --name '^Tarnwick' | head -1)
xdotool windowmove --sync "$window" 0 0
xdotool windowsize --sync "$window" 1000 700
xdotool windowfocus --sync "$window"
sleep 1
# Views > Views Pane opens at Routes and reads them.
xdotool key ctrl+shift+v
sleep 4
import -window "$window" "$ROUTES_OUTPUT"
# Views > Log opens the project's log in a window of its own.
xdotool key alt+w
sleep 0.5
xdotool key l
viewer=$(xdotool search --sync --onlyvisible --name '^Log - ' | head -1)
xdotool windowmove --sync "$viewer" 0 0
sleep 1
# A double click on the last entry (the error with a trace) folds it open.
xdotool mousemove --window "$viewer" 400 106 click --repeat 2 --delay 80 1
sleep 1
import -window "$viewer" "$LOG_OUTPUT"
xdotool key ctrl+q
sleep 1
SESSION
WORK=$work ROUTES_OUTPUT=$routes_output LOG_OUTPUT=$log_output \
  xvfb-run -a -s "-screen 0 1024x800x24" bash "$work/session.sh" 2>/dev/null
echo "saved $routes_output and $log_output"
