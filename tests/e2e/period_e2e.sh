#!/usr/bin/env bash
# The real kelvo binary on the simulated supply (10 ohm load), under Xvfb, clicked like a
# user: set 5 V and 1 A, output on for 10 s, off. 5.00 V into 10 ohm for 10 s is 0.500 A:
# 1.389 mAh and 6.944 mWh. The CSV export of that period's record must agree with that
# within 3 %, and so must the figures the program gives when the period ends, counted over
# the time the program itself saw the output on: a loaded machine may take a click a few
# hundred milliseconds late, which no integration can know of.
# The record holds whole seconds, so the test first learns when the program takes its
# once-a-second reading (a short period, watching its journal grow) and then switches on
# half a second after one: the period then holds exactly ten readings. About 30 s.
#   period_e2e.sh BIN-DIR        (KELVO_E2E_KEEP=1 keeps its folder for a look)
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
bin=$1
work=$(mktemp -d)
unset QT_QPA_PLATFORM
trap 'kill $(jobs -p) 2>/dev/null || true; [ -n "${KELVO_E2E_KEEP:-}" ] || rm -rf "$work"' EXIT
mkdir "$work/prog"
cp "$bin/kelvo" "$bin/db1.mdb" "$bin/PPS.ico" "$work/prog/"

cat >"$work/inside.sh" <<'INSIDE'
set -eu
bin=$1 work=$2
trap 'kill $(jobs -p) 2>/dev/null || true' EXIT
fail() { echo "FAIL: $*"; exit 1; }
now() { date +%s.%N; }
# Waits until the time given (seconds since the epoch, fractional).
until_time() { sleep "$(awk -v t="$1" -v n="$(now)" 'BEGIN { d = t - n; printf "%.3f", (d > 0 ? d : 0) }')"; }
plus() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a + b }'; }
journal_size() { stat -c %s "$work"/prog/Record/*.journal 2>/dev/null || echo 0; }
# The moment (epoch seconds) the journal grows by its next reading line.
next_reading() {
  local from; from=$(journal_size)
  for _ in $(seq 150); do
    sleep 0.01
    [ "$(journal_size)" != "$from" ] && { now; return; }
  done
  fail "no reading within 1.5 s"
}

"$bin/kelvo-supply-sim" --load 10 --link "$work/sim.tty" --record "$work/wire.bin" \
  >"$work/sim.out" 2>&1 &
for _ in $(seq 50); do [ -e "$work/sim.tty" ] && break; sleep 0.1; done
KELVO_SERIAL_PORTS="$work/sim.tty" "$work/prog/kelvo" >"$work/kelvo.out" 2>&1 &
kelvo=$!
sleep 2

# 5 V and 1 A, typed; each entry takes effect 3 s after its last key.
for field in "93 361 5" "283 361 1"; do
  set -- $field
  xdotool mousemove "$1" "$2" click 1 key ctrl+a type "$3"
done
sleep 3.5
grep -aq 'QZPPSU0500H1000N' "$work/wire.bin" || fail "5 V / 1 A never reached the supply"

# The phase of the readings: a short period, its journal watched.
xdotool mousemove 96 682 click 1
first=$(next_reading)
next_reading >/dev/null
xdotool mousemove 96 682 click 1
sleep 1

# On half a second after a reading moment, off ten seconds later.
on=$(plus "$first" 4.5)
until_time "$on"
xdotool mousemove 96 682 click 1
until_time "$(plus "$on" 10)"
xdotool mousemove 96 682 click 1
sleep 1.5
kill "$kelvo"
wait "$kelvo" 2>/dev/null || true
INSIDE

xvfb-run -a -s "-screen 0 1440x900x24" bash "$work/inside.sh" "$bin" "$work"

fail() { echo "FAIL: $*"; cat "$work/kelvo.out"; exit 1; }
within() { # VALUE EXPECTED: within 3 %
  echo "$1 $2" | awk '{ d = ($1 - $2) / $2; exit !(d < 0.03 && d > -0.03) }'
}
# The program's own figures of the second period.
line=$(grep 'Output period ended' "$work/kelvo.out" | sed -n 2p)
[ -n "$line" ] || fail "no figures at the end of the period"
echo "program: $line"
on_time=$(echo "$line" | sed -n 's/.*after \([0-9.]*\) s:.*/\1/p')
charge=$(echo "$line" | sed -n 's/.*charge \([0-9.]*\) mAh.*/\1/p')
energy=$(echo "$line" | sed -n 's/.*energy \([0-9.]*\) mWh.*/\1/p')
echo "$on_time" | awk '{ exit !($1 > 9.5 && $1 < 10.5) }' || fail "on for $on_time s, not 10"
scaled() { awk -v v="$1" -v t="$on_time" 'BEGIN { printf "%.6f", v * t / 10 }'; }
within "$charge" "$(scaled 1.389)" || fail "charge $charge mAh, not 1.389 for 10 s"
within "$energy" "$(scaled 6.944)" || fail "energy $energy mWh, not 6.944 for 10 s"

# The second record, as CSV; its last row holds the period's totals.
record=$(ls -tr "$work"/prog/Record/*.TXT | tail -n 1)
grep -c '05.00V          0.500A' "$record" >/dev/null || fail "no 5 V, 0.5 A readings: $(cat "$record")"
env -u DISPLAY "$work/prog/kelvo" --export-csv "$record" "$work/period.csv" || fail "export failed"
head -n 1 "$work/period.csv" | grep -qx 'time,seconds,voltage_V,current_A,power_W,charge_Ah,energy_Wh' ||
  fail "CSV header: $(head -n 1 "$work/period.csv")"
last=$(tail -n 1 "$work/period.csv")
echo "CSV: $last"
within "$(echo "$last" | cut -d, -f6)" 0.001389 || fail "CSV charge: $last"
within "$(echo "$last" | cut -d, -f7)" 0.006944 || fail "CSV energy: $last"
echo "PASS"
