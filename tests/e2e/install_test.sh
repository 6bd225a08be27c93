#!/usr/bin/env bash
# cmake --install lays out a whole program folder, a command and a menu entry, and an
# update keeps the user's step table.
#   install_test.sh BUILD-DIR
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$1" --prefix "$prefix" >/dev/null
for f in lib/kelvo/kelvo lib/kelvo/db1.mdb lib/kelvo/PPS.ico lib/kelvo/kelvo-supply-sim \
         bin/kelvo share/applications/kelvo.desktop share/icons/hicolor/128x128/apps/kelvo.png; do
  [ -e "$prefix/$f" ] || { echo "missing: $f"; exit 1; }
done
grep -qx "Exec=$prefix/lib/kelvo/kelvo" "$prefix/share/applications/kelvo.desktop"
echo "the user's own" >"$prefix/lib/kelvo/db1.mdb"
cmake --install "$1" --prefix "$prefix" >/dev/null
grep -qx "the user's own" "$prefix/lib/kelvo/db1.mdb"
echo "installed and updated under $prefix"
