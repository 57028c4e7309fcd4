#!/usr/bin/env bash
# Without any window system the program says why and ends with a status of its own,
# instead of the abort the toolkit would end it with.
set -u
program=$1
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
mkdir "$folder/shop"
err=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$folder" XDG_CONFIG_HOME="$folder/config" \
      "$program" "$folder/shop" 2>&1 >/dev/null)
status=$?
[ "$status" -eq 1 ] || { echo "ended with status $status (expected 1): $err"; exit 1; }
grep -qF "tarnwick: the window cannot be shown" <<<"$err" || { echo "no reason given: $err"; exit 1; }
echo "ok: status 1, $(grep -F 'tarnwick:' <<<"$err")"
