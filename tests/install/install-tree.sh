#!/usr/bin/env bash
# The install rules: `cmake --install` into a throw-away prefix gives the program, the
# desktop entry, icons, AppStream metadata and manual page that the desktop's tools
# accept; the installed program answers --version and --help and keeps its settings in
# the user's configuration folder, while a copy of the built program keeps them beside
# itself. Arguments: the build folder and the project version.
build=$1 version=$2
here=$(dirname "$0")
. "$here/common.sh"

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
check_file_list "$prefix" "" "$here/installed-files.txt"

entry="$prefix/share/applications/example.tarnwick.Tarnwick.desktop"
validation=$(desktop-file-validate "$entry" 2>&1) && [ -z "$validation" ] || fail "desktop entry: $validation"
# The desktop ties the window to the entry by its class, which is the application's name
# (what --version prints before the version).
wm_class=$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/tarnwick" --version | sed 's/ [^ ]*$//')
grep -qxF "StartupWMClass=$wm_class" "$entry" || fail "the entry's StartupWMClass is not \"$wm_class\""
grep -qxF "Exec=tarnwick %f" "$entry" || fail "the entry does not pass a dropped folder on"
appstreamcli validate --no-net "$prefix/share/metainfo/example.tarnwick.Tarnwick.metainfo.xml" >/dev/null ||
  appstreamcli validate --no-net "$prefix/share/metainfo/example.tarnwick.Tarnwick.metainfo.xml"
grep -q "<release version=\"$version\"" "$prefix/share/metainfo/example.tarnwick.Tarnwick.metainfo.xml" ||
  fail "the AppStream release is not $version"
for size in 48 64 128 256; do
  [ "$(png_size "$prefix/share/icons/hicolor/${size}x${size}/apps/tarnwick.png")" = "${size}x${size}" ] ||
    fail "the ${size} pixel icon has another size"
done

program="$prefix/bin/tarnwick"
# --version and --help answer without a display or a window system.
bare() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@"; }
[ "$(bare "$program" --version)" = "Tarnwick 2 $version" ] || fail "--version printed: $(bare "$program" --version 2>&1)"
help=$(bare "$program" --help)
export QT_QPA_PLATFORM=offscreen
for text in "Usage: $program [options] [folder]" "--version" "--help" "folder "; do
  grep -qF -- "$text" <<<"$help" || fail "--help lacks \"$text\": $help"
done
if "$program" --no-such-option >/dev/null 2>&1; then fail "an unknown option was accepted"; fi
if message=$("$program" "$work/missing" 2>&1); then fail "a missing folder was accepted"; fi
grep -qF "$work/missing is not a folder." <<<"$message" || fail "missing folder: $message"

# The installed copy, run as whoever runs the tests (root in CI, with the prefix writable).
mkdir -p "$work/config" "$work/www/shop"
XDG_CONFIG_HOME="$work/config" start_until_file "$work/config/tarnwick/settings.ini" "$program" "$work/www/shop"
[ ! -e "$prefix/bin/settings.ini" ] || fail "the installed copy wrote settings.ini beside itself"
check_file_list "$prefix" "" "$here/installed-files.txt"

# A copy of the built program in a folder of its own keeps its files there.
mkdir -p "$work/portable" "$work/config2"
cp "$build/tarnwick" "$work/portable/"
XDG_CONFIG_HOME="$work/config2" start_until_file "$work/portable/settings.ini" "$work/portable/tarnwick"
[ ! -e "$work/config2/tarnwick" ] || fail "the portable copy used the configuration folder"
echo "install tree: ok"
