#!/usr/bin/env bash
# The Debian package as a user gets it: made by cpack from the build folder, clean for
# lintian, its desktop entry and metadata valid, and the programs it holds answering
# --help and --version with nothing but PATH set. Unpacked, the program starts with the
# sample step table copied into the user's folder.
#   package_test.sh BUILD-DIR
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/out/kelvo_*.deb)
root="$work/root"
dpkg-deb -x "$deb" "$root"

depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libqt6serialport6 libqt6sql6-sqlite libmdb3; do
  [[ "$depends" == *"$library"* ]] || fail "Depends lacks $library: $depends"
done
id=io.github.kelvo.Kelvo
for f in usr/bin/kelvo usr/bin/kelvo-supply-sim usr/share/kelvo/db1.mdb usr/share/kelvo/PPS.ico \
         usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml \
         usr/share/icons/hicolor/scalable/apps/$id.svg usr/share/doc/kelvo/copyright \
         usr/share/doc/kelvo/changelog.gz usr/share/man/man1/kelvo.1.gz \
         usr/share/man/man1/kelvo-supply-sim.1.gz; do
  [ -s "$root/$f" ] || fail "missing: $f"
done
for size in 16 22 24 32 48 64 128 256; do
  [ -s "$root/usr/share/icons/hicolor/${size}x${size}/apps/$id.png" ] || fail "no ${size}px icon"
done
zcat "$root/usr/share/man/man1/kelvo.1.gz" | grep -q 'KELVO_SERIAL_PORTS' ||
  fail "the manual page does not tell the environment"

desktop-file-validate "$root/usr/share/applications/$id.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" >"$work/as.log" 2>&1 ||
  { cat "$work/as.log"; fail "appstreamcli"; }
# Errors fail the test; the warnings left are listed in the README.
lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 ||
  { cat "$work/lintian.log"; fail "lintian"; }
cat "$work/lintian.log"

# No display, no Qt platform, no home: help and version still answer.
bare=(env -i PATH=/usr/bin:/bin)
[ "$("${bare[@]}" "$root/usr/bin/kelvo" --version | head -1)" = "kelvo 1.0" ] || fail "kelvo --version"
# Read whole before it is searched: grep -q stops at the first match, and the rest of the
# help would then meet a closed pipe.
help=$("${bare[@]}" "$root/usr/bin/kelvo" --help) || fail "kelvo --help: status $?"
grep -q -- '--export-csv RECORD' <<<"$help" || fail "kelvo --help"
grep -q -- '--max-voltage' <<<"$help" || fail "kelvo --help names no limits"
"${bare[@]}" "$root/usr/bin/kelvo-supply-sim" --version | grep -qx 'kelvo-supply-sim 1.0' ||
  fail "kelvo-supply-sim --version"
status=0
"${bare[@]}" "$root/usr/bin/kelvo" --no-such-option 2>"$work/err" || status=$?
[ "$status" = 2 ] && [ "$(wc -l <"$work/err")" = 1 ] || fail "a wrong option: status $status"

# The first start: the sample becomes the user's own table, the unpacked bin folder gets none.
home="$work/home"
mkdir -p "$home"
"${bare[@]}" HOME="$home" QT_QPA_PLATFORM=offscreen KELVO_SERIAL_PORTS=/nonexistent \
  timeout -s TERM 5 "$root/usr/bin/kelvo" >/dev/null 2>&1 || true
cmp "$root/usr/share/kelvo/db1.mdb" "$home/.local/share/kelvo/db1.mdb" ||
  fail "no copy of the sample step table in the user's folder"
[ ! -e "$root/usr/bin/db1.mdb" ] || fail "a step table beside the installed program"
echo "package $(basename "$deb") checked"
