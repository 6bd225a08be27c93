#!/usr/bin/env bash
# The real kelvo binary on the simulated supply, under Xvfb, clicked like a user:
#  1. with nowhere to save a record, OFF still takes the output off at once: the supply
#     hears no "O" frame from 80 ms after the click on, while it did hear them before;
#  2. a program killed with the output on leaves its period on disk, and the next start
#     from the same program folder turns it into a record file;
#  3. a program ended by a signal (kill, logout) switches the output off and saves first.
# Each program folder is a copy of the binary, db1.mdb and PPS.ico. About 40 s.
#   safety_e2e.sh BIN-DIR        (KELVO_E2E_KEEP=1 keeps its folder for a look)
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
bin=$1
work=$(mktemp -d)
unset QT_QPA_PLATFORM
trap 'kill $(jobs -p) 2>/dev/null || true; [ -n "${KELVO_E2E_KEEP:-}" ] || rm -rf "$work"' EXIT

for folder in no-save normal term; do
  mkdir "$work/$folder"
  cp "$bin/kelvo" "$bin/db1.mdb" "$bin/PPS.ico" "$work/$folder/"
done
# Nowhere to save, even for root: a file where the Record folder would be, and a data
# folder under a file.
: >"$work/no-save/Record"
: >"$work/not-a-folder"

cat >"$work/inside.sh" <<'INSIDE'
set -eu
bin=$1 work=$2
trap 'kill $(jobs -p) 2>/dev/null || true' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# The ON/OFF button of the maximized window on a 1440x900 screen.
click_switch() { xdotool mousemove 96 682 click 1; }
size() { stat -c %s "$1" 2>/dev/null || echo 0; }
# Complete frames with the output on, in bytes FROM.. (to the end, or COUNT bytes).
on_frames() {
  tail -c +$(($2 + 1)) "$1" | head -c "${3:-100000000}" | { grep -ao 'QZPPSU.\{9\}O' || true; } |
    wc -l
}

start_sim() { # NAME: a simulator of its own, its terminal at $work/NAME.tty
  "$bin/kelvo-supply-sim" --link "$work/$1.tty" --record "$work/$1.bin" >"$work/$1.sim" 2>&1 &
  for _ in $(seq 50); do [ -e "$work/$1.tty" ] && return; sleep 0.1; done
  fail "no simulator terminal"
}
start_kelvo() { # FOLDER SIM [ENV...]
  env KELVO_SERIAL_PORTS="$work/$2.tty" "${@:3}" "$work/$1/kelvo" >>"$work/$1.out" 2>&1 &
  kelvo=$!
}
switch_on() { # SIM: press ON until the supply hears "O" (the press counts once connected)
  local from
  from=$(size "$work/$1.bin")
  for _ in $(seq 8); do
    click_switch
    for _ in $(seq 15); do
      sleep 0.1
      [ "$(on_frames "$work/$1.bin" "$from")" -gt 0 ] && return
    done
  done
  fail "the output never went on"
}

# ---- 1. OFF when the record cannot be saved -------------------------------------------
start_sim a
start_kelvo no-save a XDG_DATA_HOME="$work/not-a-folder/data"
sleep 1.5
switch_on a
on_at=$(size "$work/a.bin")
sleep 3
click_switch
off_click=$(size "$work/a.bin")
sleep 0.08
off_at=$(size "$work/a.bin")
sleep 1.2
end=$(size "$work/a.bin")
before=$(on_frames "$work/a.bin" "$on_at" $((off_click - on_at)))
after=$(on_frames "$work/a.bin" "$off_at" $((end - off_at)))
last=$(grep -abo 'QZPPSU.\{9\}O' "$work/a.bin" | tail -n 1 | cut -d: -f1)
box=$(xdotool search --onlyvisible --name '^Record file error$' 2>/dev/null | head -n 1 || true)
kill "$kelvo"
wait "$kelvo" 2>/dev/null || true
echo "output on: $before frames \"O\" in 3 s; after OFF + 80 ms: $after in $((end - off_at)) bytes" \
  "(the last ended at the click $((last + 16 - off_click)) bytes)"
[ "$before" -ge 20 ] || fail "too few \"O\" frames while on"
[ $((end - off_at)) -ge 200 ] || fail "the stream stopped after OFF"
[ "$after" -eq 0 ] || fail "\"O\" frames after OFF"
[ -n "$box" ] || fail "no \"Record file error\" box"
[ -f "$work/no-save/Record" ] || fail "the Record file was replaced"

# ---- 2. kill -9 during a period, then start again -------------------------------------
start_sim b
start_kelvo normal b XDG_DATA_HOME="$work/data"
sleep 1.5
switch_on b
sleep 30
kill -9 "$kelvo"
wait "$kelvo" 2>/dev/null || true
ls "$work"/normal/Record/unfinished-*.journal >/dev/null 2>&1 || fail "no journal on disk"
start_kelvo normal b XDG_DATA_HOME="$work/data"
for _ in $(seq 50); do
  ls "$work"/normal/Record/*.TXT >/dev/null 2>&1 && break
  sleep 0.1
done
sleep 0.5
kill "$kelvo"
wait "$kelvo" 2>/dev/null || true

# ---- 3. SIGTERM with the output on -----------------------------------------------------
start_sim c
start_kelvo term c XDG_DATA_HOME="$work/data"
sleep 1.5
switch_on c
sleep 2
kill -TERM "$kelvo"
wait "$kelvo" 2>/dev/null || true
sleep 0.2
last_frame=$(grep -ao 'QZPPSU.\{10\}' "$work/c.bin" | tail -n 1)
echo "ended by SIGTERM: the last frame on the wire was $last_frame"
[ "${last_frame: -1}" = N ] || fail "the supply was left on: $last_frame"
ls "$work"/term/Record/*.TXT >/dev/null 2>&1 || fail "no record saved at SIGTERM"
INSIDE

xvfb-run -a -s "-screen 0 1440x900x24" bash "$work/inside.sh" "$bin" "$work"

# The period killed in the middle became one record, with its readings, and no journal
# is left to be recovered twice.
fail() { echo "FAIL: $*"; exit 1; }
records=("$work"/normal/Record/*.TXT)
[ -f "${records[0]}" ] || fail "no record file after the restart"
[ ${#records[@]} -eq 1 ] || fail "${#records[@]} record files"
readings=$(grep -Ec $'^[0-9]{1,2}:[0-9]{2}:[0-9]{2}( ?[AaPp][Mm])? {10}[0-9]{2}\\.[0-9]{2}V {10}[0-9]\\.[0-9]{3}A\r?$' \
  "${records[0]}" || true)
journals=$(find "$work/normal/Record" -name '*.journal' | wc -l)
echo "recovered ${records[0]##*/}: $readings reading lines; $journals journals left"
[ "$readings" -ge 20 ] || fail "too few readings recovered"
[ "$journals" -eq 0 ] || fail "a journal is left to be recovered again"
grep -q 'The program ended while the output was on' "${records[0]}" || fail "no note"
grep -aqxF "Save Path:${records[0]}"$'\r' "${records[0]}" || fail "no Save Path line"
