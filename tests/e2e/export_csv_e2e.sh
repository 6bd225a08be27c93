#!/usr/bin/env bash
# kelvo --export-csv with no display at all: a record becomes a CSV beside it or where
# told, and a missing file, a file that is no record and an output that cannot be written
# each give one line on stderr and a non-zero exit code, with no CSV left behind; an OUT
# that is the record is refused, and a device, a pipe or an endless line is no record.
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

# An OUT that is the record, by its name or through a link, is refused and the record
# stays as it was; a record named .csv gets NAME.export.csv by default.
record="$dir/2026123123590.TXT"
cp "$record" "$dir/copy"
ln -s "$record" "$dir/link.csv"
ln "$record" "$dir/hard.csv"
for out in "$record" "$dir/link.csv" "$dir/hard.csv"; do
  check 3 "it is the record" "$record" "$out"
  cmp -s "$record" "$dir/copy" || fail "the record was changed by an export onto $out"
done
cp "$record" "$dir/named.csv"
run "$dir/named.csv" 2>"$dir/err" || fail "export of named.csv: exit $?"
cmp -s "$dir/named.csv" "$dir/copy" || fail "named.csv was changed by its export"
[ "$(cat "$dir/named.export.csv")" = "$expected" ] || fail "named.export.csv: $(cat "$dir/named.export.csv")"

# A device and a pipe are refused, not read from or waited on.
check 1 "not a regular file" /dev/zero "$dir/zero.csv"
mkfifo "$dir/fifo.TXT"
set +e
timeout 20 env -u DISPLAY "$kelvo" --export-csv "$dir/fifo.TXT" "$dir/fifo.csv" 2>/dev/null
got=$?
set -e
[ "$got" = 1 ] || fail "a pipe: exit $got, not 1"

# A line of 50 MB without an end is no record, read in the memory of a line: the peak
# stays near that of a small export (the sanitizers' own share included in both).
peak() { # ARGS...: the export's peak resident size in KB, then its exit code
  python3 -c 'import resource, subprocess, sys
code = subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss, code)' \
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$kelvo" --export-csv "$@"
}
{
  printf 'KELVO\r\nVersion: 1.0\r\n2026-3-4   12:00:00\r\n'
  head -c $((50 << 20)) /dev/zero | tr '\0' 'x'
} >"$dir/long.TXT"
read -r small small_code < <(peak "$record" "$dir/small.csv")
read -r long long_code < <(peak "$dir/long.TXT" "$dir/long.csv")
[ "$small_code" = 0 ] && [ "$long_code" = 1 ] || fail "exits $small_code and $long_code, not 0 and 1"
echo "peak: small $small KB, long line $long KB" >&2
[ "$long" -lt $((small + 30 * 1024)) ] && [ "$long" -lt $((150 * 1024)) ] ||
  fail "a 50 MB line took a peak of $long KB (a small export $small KB)"
[ ! -e "$dir/long.csv" ] || fail "a CSV was left for the long line"
echo "export_csv_e2e: ok"
