#!/usr/bin/env bash
# SIGTERM, SIGINT and SIGHUP (a logout, kill, Ctrl+C in the starting terminal) end the
# program through its normal end, which stops what it started, rather than killing it
# on the spot: it ends with status 0.
set -u
program=$1
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
mkdir "$folder/shop"
for signal in TERM INT HUP; do
  QT_QPA_PLATFORM=offscreen HOME="$folder" XDG_CONFIG_HOME="$folder/config" "$program" "$folder/shop" \
    >/dev/null 2>&1 &
  pid=$!
  # The window is up once the program has read its settings folder.
  for _ in $(seq 50); do [ -d "$folder/config" ] && break; sleep 0.1; done
  sleep 1
  kill -"$signal" "$pid"
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid"
    echo "SIG$signal: still running after 10 s"
    exit 1
  fi
  wait "$pid"
  status=$?
  [ "$status" -eq 0 ] || { echo "SIG$signal: ended with status $status (expected 0)"; exit 1; }
done
echo "ok: SIGTERM, SIGINT and SIGHUP end the program with status 0"
