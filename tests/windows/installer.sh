#!/usr/bin/env bash
# The Windows installer, tried under wine: tests/windows/installer.sh BUILD_FOLDER
#
# Makes BUILD_FOLDER's NSIS installer with CPack, installs it silently (/S) into a fresh
# wine prefix, finds the program and its Start-menu entry, starts the installed program on
# a virtual display and quits it with File > Exit, then uninstalls silently and requires
# that nothing of the program is left but what the user's settings folder holds.
set -euo pipefail

build=$(realpath "$1")
for tool in wine xvfb-run xdotool makensis cpack; do
  command -v "$tool" >/dev/null || { echo "installer: $tool is missing (scripts/install-deps installs it)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
(cd "$build" && cpack -G NSIS -B "$work/package" >"$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log" >&2; echo "installer: cpack failed" >&2; exit 1; }
installer=$(find "$work/package" -maxdepth 1 -name 'tarnwick-*-win64.exe' | head -n1)
[ -n "$installer" ] || { echo "installer: cpack made no installer" >&2; exit 1; }

export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i >/dev/null 2>&1 || true
wineserver -w
drive=$WINEPREFIX/drive_c
fail() { echo "installer: $*" >&2; exit 1; }
leftovers() { find "$drive" -iname '*tarnwick*' -not -path "$drive/users/*" | sort; }
[ -z "$(leftovers)" ] || fail "the fresh prefix already holds the program"

wine "$installer" /S
wineserver -w
program="$drive/Program Files/Tarnwick/bin/tarnwick.exe"
[ -f "$program" ] || fail "the silent install put no tarnwick.exe under Program Files"
for file in Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll platforms/qwindows.dll libstdc++-6.dll tarnwick-update.dll; do
  [ -f "$drive/Program Files/Tarnwick/bin/$file" ] || fail "the install lacks $file"
done
[ -f "$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Tarnwick/Tarnwick.lnk" ] ||
  fail "the install made no Start-menu entry"
[ -f "$drive/Program Files/Tarnwick/Uninstall.exe" ] || fail "the install has no uninstaller"

cat > "$work/start.sh" <<'SESSION'
set -euo pipefail
wine 'C:\Program Files\Tarnwick\bin\tarnwick.exe' >/dev/null 2>&1 &
timeout 120 xdotool search --sync --name '^Tarnwick' >/dev/null
sleep 2
xdotool key alt+f
sleep 1
xdotool key e
for _ in $(seq 60); do
  pgrep -f 'Tarnwick.bin.tarnwick\.exe' >/dev/null || exit 0
  sleep 1
done
exit 1
SESSION
timeout 300 xvfb-run -a bash "$work/start.sh" || fail "the installed program did not start and quit"
wineserver -k 2>/dev/null || true
wineserver -w

wine 'C:\Program Files\Tarnwick\Uninstall.exe' /S
wineserver -w
# The uninstaller goes on from a copy of itself in the temporary folder.
for _ in $(seq 30); do
  [ -z "$(leftovers)" ] && break
  sleep 1
done
[ -z "$(leftovers)" ] || fail "the uninstall left: $(leftovers)"
echo "installer: installed silently, started, quit and uninstalled without leftovers"
