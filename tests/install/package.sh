#!/usr/bin/env bash
# The .deb that `cmake --build build --target package` makes: its control fields, its
# dependencies from dpkg-shlibdeps, its files unpacked into a throw-away root with
# `dpkg -x`, a start of the unpacked program, and lintian without errors or warnings.
# Arguments: the build folder and the project version.
build=$1 version=$2
here=$(dirname "$0")
. "$here/common.sh"

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || fail "cpack: $(cat "$work/cpack.log")"
deb="$work/out/tarnwick_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no package $deb: $(ls "$work/out")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = tarnwick ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Section)" = devel ] || fail "Section: $(field Section)"
[ "$(field Maintainer)" = "The Tarnwick developers <packages@tarnwick.example>" ] ||
  fail "Maintainer: $(field Maintainer)"
grep -q "^Run Artisan and Composer commands" <<<"$(field Description)" || fail "Description: $(field Description)"
# Found by dpkg-shlibdeps in the program, with versions.
for library in libc6 libqt6widgets6 libcurl4; do
  grep -qE "(^|, )$library \(>= [^)]+\)" <<<"$(field Depends)" || fail "Depends lacks $library: $(field Depends)"
done
# The window's platform plugin, which no library of Qt's depends on.
grep -qE "(^|, )qt6-qpa-plugins(,|$)" <<<"$(field Depends)" || fail "Depends lacks qt6-qpa-plugins: $(field Depends)"
# Qt's own translations for its dialogs, which the program can do without.
grep -qE "(^|, )qt6-translations-l10n(,|$)" <<<"$(field Recommends)" ||
  fail "Recommends lacks qt6-translations-l10n: $(field Recommends)"
# No maintainer scripts: the update module's private folder needs no ldconfig.
[ -z "$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -E 'post|pre')" ] ||
  fail "maintainer scripts: $(dpkg-deb --ctrl-tarfile "$deb" | tar -t)"

dpkg -x "$deb" "$work/root"
check_file_list "$work/root" "usr/" "$here/installed-files.txt"
[ "$(stat -c %a "$work/root/usr/bin/tarnwick")" = 755 ] || fail "the program is not executable by all"
[ "$(QT_QPA_PLATFORM=offscreen "$work/root/usr/bin/tarnwick" --version)" = "Tarnwick 2 $version" ] ||
  fail "the unpacked program does not start"

lintian --fail-on error,warning --allow-root "$deb" >"$work/lintian.log" 2>&1 ||
  fail "lintian: $(cat "$work/lintian.log")"
echo "package: ok"
