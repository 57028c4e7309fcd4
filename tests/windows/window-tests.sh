#!/usr/bin/env bash
# The window tests built for Windows: tests/windows/window-tests.sh BUILD_FOLDER [EXCLUDED]
#
# Runs BUILD_FOLDER's windows_ui_tests.exe under wine, with Qt's Windows platform plugin
# on a virtual display (Xvfb), in a wine prefix of its own. EXCLUDED is a GoogleTest
# filter of single tests left out ("Suite.Name:Suite.Other").
set -euo pipefail

build=$(realpath "$1")
excluded=${2:-}
for tool in wine xvfb-run; do
  command -v "$tool" >/dev/null || { echo "window-tests: $tool is missing (scripts/install-deps installs it)" >&2; exit 1; }
done
[ -f "$build/windows_ui_tests.exe" ] || { echo "window-tests: no windows_ui_tests.exe in $build" >&2; exit 1; }

export WINEPREFIX=$build/wineprefix-ui WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
fi
filter=()
[ -z "$excluded" ] || filter=("--gtest_filter=-$excluded")
status=0
# The program's own folder first, where the Qt DLLs and plugins are.
cd "$build"
QT_QPA_PLATFORM=windows timeout 800 xvfb-run -a -s "-screen 0 1280x900x24" \
  wine "$build/windows_ui_tests.exe" --gtest_color=no "${filter[@]}" || status=$?
wineserver -k 2>/dev/null || true
exit "$status"
