# What the install tests share. Sourced by install-tree.sh and package.sh.
set -euo pipefail

fail() { echo "FAIL: $*" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-install.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The files under a folder, one relative path a line, sorted.
file_list() { (cd "$1" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort); }

# Compares the files under a folder with the expected list (paths under PREFIX).
check_file_list() {  # FOLDER PREFIX EXPECTED-FILE
  local expected actual
  expected=$(sed "s|^|$2|" "$3" | LC_ALL=C sort)
  actual=$(file_list "$1")
  [ "$actual" = "$expected" ] || fail "files under $1 differ from the list:
$(diff <(echo "$expected") <(echo "$actual") || true)"
}

# A PNG file's width and height as WxH, from its header.
png_size() {
  local b
  b=($(od -An -tu1 -j16 -N8 "$1"))
  echo "$(( (b[0] << 24) + (b[1] << 16) + (b[2] << 8) + b[3] ))x$(( (b[4] << 24) + (b[5] << 16) + (b[6] << 8) + b[7] ))"
}

# Starts a program without a display, waits until FILE appears (or the program ends),
# then stops it. Fails when the file does not appear.
start_until_file() {  # FILE PROGRAM [ARGUMENTS...]
  local file=$1; shift
  QT_QPA_PLATFORM=offscreen "$@" >"$work/run.log" 2>&1 &
  local pid=$! waited=0
  until [ -e "$file" ] || ! kill -0 "$pid" 2>/dev/null || [ $waited -ge 300 ]; do
    sleep 0.1; waited=$((waited + 1))
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  [ -e "$file" ] || fail "$* did not write $file: $(cat "$work/run.log")"
}
