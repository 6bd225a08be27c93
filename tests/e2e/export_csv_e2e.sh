#!/usr/bin/env bash
# kelvo --export-csv with no display at all: a record becomes a CSV beside it or where
# told, and a missing file, a file that is no record and an output that cannot be written
# each give one line on stderr and a non-zero exit code, with no CSV left behind.
#   export_csv_e2e.sh BIN-DIR
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
kelvo="$1/kelvo"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
run() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$kelvo" --export-csv "$@"; }
fail() { echo "FAILED: $*" >&2; exit 1; }

{
  printf 'KELVO\r\nVersion: 1.0\r\n2026-12-31   23:59:58\r\n'
  printf '23:59:59          05.00V          0.500A\r\n'
  printf '0:00:00          05.00V          0.500A\r\n'
  printf 'Save Path:%s/2026123123590.TXT\r\n' "$dir"
} >"$dir/2026123123590.TXT"

run "$dir/2026123123590.TXT" 2>"$dir/err" || fail "export: exit $?"
[ ! -s "$dir/err" ] || fail "export said: $(cat "$dir/err")"
expected='time,seconds,voltage_V,current_A,power_W,charge_Ah,energy_Wh
2026-12-31T23:59:59,1,5.00,0.500,2.50000,0.000139,0.000694
2027-01-01T00:00:00,2,5.00,0.500,2.50000,0.000278,0.001389'
[ "$(cat "$dir/2026123123590.csv")" = "$expected" ] || fail "CSV: $(cat "$dir/2026123123590.csv")"

check() { # CODE WORDS ARGS...: exit code and a word of the one line on stderr
  local code=$1 words=$2
  shift 2
  set +e
  run "$@" 2>"$dir/err" >/dev/null
  local got=$?
  set -e
  [ "$got" = "$code" ] || fail "$*: exit $got, not $code"
  [ "$(wc -l <"$dir/err")" = 1 ] && grep -q -- "$words" "$dir/err" || fail "$*: said $(cat "$dir/err")"
}
echo "not a record" >"$dir/notes.txt"
check 1 "cannot be read" "$dir/missing.TXT" "$dir/out1.csv"
check 1 "not a record" "$dir/notes.txt" "$dir/out2.csv"
check 3 "cannot be written" "$dir/2026123123590.TXT" "$dir/no/such/folder.csv"
check 2 "--export-csv"
[ ! -e "$dir/out1.csv" ] && [ ! -e "$dir/out2.csv" ] || fail "a CSV was left for a bad record"
echo "export_csv_e2e: ok"
