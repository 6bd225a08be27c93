#!/usr/bin/env bash
# The limits and the silences on the real binary and the simulated supply (10 ohm), driven
# through remote control as a bench script would:
#  1. --max-voltage 6 with 5 V set, and a supply that starts reading 2 V high: the output
#     goes off on the second high reading; the time from that reading to the supply's
#     first complete "N" frame is measured (at most one polling tick, 100 ms);
#  2. --max-time 4: the period ends after 4 s, "N" within a tick of the limit;
#  3. a supply silent from 6 s to 12 s of its schedule: the record names the span, the
#     CSV leaves those readings empty and the events file has the silence, each within a
#     couple of seconds of the schedule (the supply is read once a second).
# About 45 s.   guard_e2e.sh BIN-DIR        (KELVO_E2E_KEEP=1 keeps its folder for a look)
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
bin=$1
work=$(mktemp -d)
export QT_QPA_PLATFORM=offscreen
trap 'kill $(jobs -p) 2>/dev/null || true; [ -n "${KELVO_E2E_KEEP:-}" ] || rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work"/*.out 2>/dev/null || true; exit 1; }

# NAME SIM-OPTIONS... -- KELVO-OPTIONS...: a simulator and a program of their own; the
# program's folder is $work/NAME, the simulator's output log $work/NAME.log.
start() {
  local name=$1
  shift
  local sim=()
  while [ "$1" != -- ]; do sim+=("$1"); shift; done
  shift
  mkdir "$work/$name"
  cp "$bin/kelvo" "$bin/db1.mdb" "$bin/PPS.ico" "$work/$name/"
  date +%s.%N >"$work/$name.start"
  "$bin/kelvo-supply-sim" --load 10 --link "$work/$name.tty" --log-output "$work/$name.log" \
    "${sim[@]}" >"$work/$name.sim.out" 2>&1 &
  for _ in $(seq 50); do [ -e "$work/$name.tty" ] && break; sleep 0.1; done
  port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  KELVO_SERIAL_PORTS="$work/$name.tty" XDG_DATA_HOME="$work/$name-data" \
    "$work/$name/kelvo" --remote "127.0.0.1:$port" "$@" >"$work/$name.out" 2>&1 &
  kelvo=$!
  for _ in $(seq 50); do grep -q 'listening' "$work/$name.out" && break; sleep 0.1; done
  grep -q "listening on 127.0.0.1:$port" "$work/$name.out" || fail "$name: not listening"
}
# Lines to the program's remote control, one answer read for each line with a query.
remote() {
  /usr/bin/python3 - "$port" "$@" <<'PY'
import socket, sys, time
s = socket.create_connection(("127.0.0.1", int(sys.argv[1])), timeout=5)
f = s.makefile("rw", newline="\n")
for line in sys.argv[2:]:
    if line.startswith("wait-link"):
        # The supply is found within a few seconds of the start.
        for _ in range(100):
            f.write("SYST:LINK?\n"); f.flush()
            if f.readline().strip() != "NONE":
                break
            time.sleep(0.1)
        time.sleep(1.2)
        continue
    f.write(line + "\n"); f.flush()
    if "?" in line:
        print(f.readline().strip())
PY
}
# Waits until SECONDS after the simulator NAME started.
at() { sleep "$(awk -v t="$2" -v s="$(cat "$work/$1.start")" -v n="$(date +%s.%N)" 'BEGIN { d = s + t - n; printf "%.3f", (d > 0 ? d : 0) }')"; }
stop() {
  kill "$kelvo"
  wait "$kelvo" 2>/dev/null || true
}
# Milliseconds since the epoch of an ISO 8601 time with its offset.
epoch_ms() { /usr/bin/python3 -c 'import sys, datetime; print(round(datetime.datetime.fromisoformat(sys.argv[1]).timestamp() * 1000))' "$1"; }
# The first line of a simulator's output log with the output off after it was on.
first_off_ms() { awk '$2 == "O" { on = 1 } on && $2 == "N" { print $1; exit }' "$1"; }
first_on_ms() { awk '$2 == "O" { print $1; exit }' "$1"; }
events_of() { ls "$work/$1"/Record/*.events.csv | tail -n 1; }
record_of() { ls "$work/$1"/Record/*.TXT | tail -n 1; }

# ---- 1. over-voltage ---------------------------------------------------------------------
start volts --schedule 0:normal,6:read-high --read-high 2 -- --max-voltage 6
remote wait-link "VOLT 5;CURR 1" "OUTP ON" >/dev/null
sleep 9
on=$(remote "OUTP?")
stop
[ "$on" = 0 ] || fail "over-voltage: the output is still on"
events=$(events_of volts)
grep -q ',output off,max-voltage,' "$events" || fail "over-voltage: $(cat "$events")"
reached=$(grep ',limit reached,max-voltage,' "$events" | cut -d, -f1)
[ -n "$reached" ] || fail "no limit reached event: $(cat "$events")"
grep -q 'Output switched off by a limit: the measured voltage 7.00 V was above the voltage limit of 6.00 V in two readings in a row.' \
  "$(record_of volts)" || fail "the record does not say why: $(cat "$(record_of volts)")"
delay=$(($(first_off_ms "$work/volts.log") - $(epoch_ms "$reached")))
echo "over-voltage: the second high reading at $reached, the first whole \"N\" frame $delay ms later"
[ "$delay" -ge 0 ] && [ "$delay" -le 100 ] || fail "over-voltage: \"N\" $delay ms after the reading"

# ---- 2. time limit -----------------------------------------------------------------------
start time -- --max-time 4
remote wait-link "VOLT 5;CURR 1" "OUTP ON" >/dev/null
sleep 6
stop
events=$(events_of time)
grep -q ',output off,max-time,' "$events" || fail "time limit: $(cat "$events")"
on_at=$(epoch_ms "$(grep ',output on,' "$events" | cut -d, -f1)")
off_ms=$(first_off_ms "$work/time.log")
late=$((off_ms - on_at - 4000))
echo "time limit 4 s: the first whole \"N\" frame $late ms after the limit's moment"
[ "$late" -ge 0 ] && [ "$late" -le 200 ] || fail "time limit: \"N\" $late ms after 4 s"
# One period, one figure: what the program said at the end, and the CSV's last row.
said=$(grep 'Output period ended' "$work/time.out" | tail -n 1)
env -u DISPLAY "$work/time/kelvo" --export-csv "$(record_of time)" "$work/time.csv" || fail "export"
csv=$(tail -n 1 "$work/time.csv" | awk -F, '{ printf "charge %.3f mAh, energy %.3f mWh", $6 * 1000, $7 * 1000 }')
echo "program: ${said#*: }; CSV: $csv"
[ "${said#*: }" = "$csv" ] || fail "the program and the CSV disagree"

# ---- 3. a silence ------------------------------------------------------------------------
start silence --schedule 0:normal,6:silent,12:normal --
remote wait-link "VOLT 5;CURR 1" "OUTP ON" >/dev/null
at silence 9.5
stale=$(remote "MEAS:VOLT?" "SYST:ERR?" | tr '\n' ' ')
echo "remote during the silence: $stale"
[ "$stale" = '9.91E+37 -230,"Data corrupt or stale;the supply is not answering" ' ] ||
  fail "a stale reading answered: $stale"
at silence 15
remote "OUTP OFF" >/dev/null
sleep 0.5
stop
record=$(record_of silence)
events=$(events_of silence)
note=$(grep -a 'The supply did not answer from' "$record" || true)
[ -n "$note" ] || fail "no silence in the record: $(cat "$record")"
echo "record: $note"
sim_start=$(/usr/bin/python3 -c 'import sys; print(round(float(open(sys.argv[1]).read()) * 1000))' "$work/silence.start")
silent=$(($(epoch_ms "$(grep ',supply not answering,' "$events" | head -n 1 | cut -d, -f1)") - sim_start))
back=$(($(epoch_ms "$(grep ',supply answering,' "$events" | head -n 1 | cut -d, -f1)") - sim_start))
echo "events: not answering at $silent ms, answering at $back ms of the schedule (6000, 12000)"
[ "$silent" -ge 6000 ] && [ "$silent" -le 8200 ] || fail "not answering at $silent ms"
[ "$back" -ge 12000 ] && [ "$back" -le 14200 ] || fail "answering at $back ms"
env -u DISPLAY "$work/silence/kelvo" --export-csv "$record" "$work/silence.csv" || fail "export"
empty=$(grep -c '^[^,]*,[^,]*,,,,' "$work/silence.csv" || true)
echo "CSV: $empty rows without readings"
[ "$empty" -ge 3 ] || fail "CSV: $(cat "$work/silence.csv")"
echo "PASS"
