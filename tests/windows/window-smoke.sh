#!/usr/bin/env bash
# The Windows program seen from outside: tests/windows/window-smoke.sh BUILD_FOLDER
#
# Starts BUILD_FOLDER's tarnwick.exe (a copy of its folder, so that its settings.ini is
# the test's own) under wine on a virtual display. As a user would, it chooses a web root
# that holds one project with Browse (wine's folder chooser), and the program selects the
# project by itself; it types commands into the command box, copies the console through
# the clipboard, checks what ran and where, quits with File > Exit, and reads the
# settings.ini written beside the program.
set -euo pipefail

build=$(realpath "$1")
for tool in wine xvfb-run xdotool xclip; do
  command -v "$tool" >/dev/null || { echo "window-smoke: $tool is missing (scripts/install-deps installs it)" >&2; exit 1; }
done
[ -f "$build/tarnwick.exe" ] || { echo "window-smoke: no tarnwick.exe in $build" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/app" "$work/www/blog" "$work/www/notes"
cp -r "$build/tarnwick.exe" "$build"/*.dll "$build/platforms" "$build/styles" "$work/app/"
touch "$work/www/blog/artisan"
echo '{}' > "$work/www/blog/composer.json"
# wine shows the Linux file system as drive Z:.
root="Z:${work//\//\\}\\www"

cat > "$work/session.sh" <<'SESSION'
set -euo pipefail
work=$1
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine "$work/app/tarnwick.exe" >"$work/wine.log" 2>&1 &
window=$(timeout 120 xdotool search --sync --name '^Tarnwick')
window=${window%%$'\n'*}
sleep 3

# Types a line into the command box, presses Enter and gives the command time to end.
type_command() {
  xdotool mousemove --window "$window" 182 202 click --repeat 3 1
  xdotool type --delay 30 "$1"
  xdotool key Return
  sleep 6
}
# Browse: the folder chooser takes the root's path typed into its name field.
xdotool key alt+b
sleep 5
xdotool type --delay 30 "$2"
xdotool key Return
sleep 2
xdotool key alt+o
sleep 4
type_command 'echo hello from the console'
type_command 'cd'
# A picture of the window for the README, when asked for (TARNWICK_SMOKE_PICTURE=file.png).
if [ -n "${TARNWICK_SMOKE_PICTURE:-}" ]; then
  import -window root -crop 660x560+310+175 +repage "$TARNWICK_SMOKE_PICTURE"
fi

# The console's text through the clipboard.
xdotool mousemove --window "$window" 322 457 click 1
xdotool key ctrl+a ctrl+c
sleep 1
xclip -o -selection clipboard > "$work/console.txt" || true

xdotool key alt+f
sleep 1
xdotool key e
for _ in $(seq 60); do
  pgrep -f 'tarnwick\.exe' >/dev/null || exit 0
  sleep 1
done
echo "window-smoke: File > Exit did not end the program" >&2
exit 1
SESSION

export WINEPREFIX=$build/wineprefix-window
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  WINEDEBUG=-all wineboot -i >/dev/null 2>&1 || true
  wineserver -w
fi
status=0
timeout 300 xvfb-run -a -s "-screen 0 1280x900x24" bash "$work/session.sh" "$work" "$root" || status=$?
wineserver -k 2>/dev/null || true

fail() { echo "window-smoke: $*" >&2; echo "--- console:" >&2; cat "$work/console.txt" >&2 || true; exit 1; }
[ "$status" -eq 0 ] || fail "the session ended with status $status"
console=$(tr -d '\r' < "$work/console.txt")
grep -qx 'Command: echo hello from the console' <<<"$console" || fail "the typed command is not in the console"
grep -qx 'hello from the console' <<<"$console" || fail "the command's output is not in the console"
grep -qxF "${root}\\blog" <<<"$console" || fail "the command did not run in the project's folder"

settings=$(tr -d '\r' < "$work/app/settings.ini")
grep -qxF "Root=$root" <<<"$settings" || fail "settings.ini lost the root: $settings"
grep -qxF "Project=${root}\\blog" <<<"$settings" || fail "settings.ini has not the project: $settings"
echo "window-smoke: the Windows program ran typed commands in its project and kept its settings"
