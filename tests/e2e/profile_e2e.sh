#!/usr/bin/env bash
# A Li-ion charge from a script on the real kelvo binary and a small simulated cell, nearly
# full: the profile is written and run through remote control, the charge goes from constant
# current to constant voltage and ends when the current tapers below 0.1 A, the program says
# why, and the report beside the record (text and picture) tells the same, as does
# `kelvo --report` with no display at all (and one line and status 1 for a missing record).
# About 35 s.
#   profile_e2e.sh BIN-DIR        (KELVO_E2E_KEEP=1 keeps its folder for a look)
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
bin=$1
work=$(mktemp -d)
export QT_QPA_PLATFORM=offscreen
trap 'kill $(jobs -p) 2>/dev/null || true; [ -n "${KELVO_E2E_KEEP:-}" ] || rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work/kelvo.out" 2>/dev/null || true; exit 1; }
mkdir "$work/prog"
cp "$bin/kelvo" "$bin/db1.mdb" "$bin/PPS.ico" "$work/prog/"
port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')

# 10 mAh with 7 in it: a few seconds at 1 A, then the current tapers within half a minute.
"$bin/kelvo-supply-sim" --cell 10 --charged 7 --link "$work/sim.tty" >"$work/sim.out" 2>&1 &
for _ in $(seq 50); do [ -e "$work/sim.tty" ] && break; sleep 0.1; done
KELVO_SERIAL_PORTS="$work/sim.tty" "$work/prog/kelvo" --remote "127.0.0.1:$port" \
  >"$work/kelvo.out" 2>&1 &
kelvo=$!
for _ in $(seq 50); do grep -q 'listening' "$work/kelvo.out" && break; sleep 0.1; done
grep -q "listening on 127.0.0.1:$port" "$work/kelvo.out" || fail "not listening"

/usr/bin/python3 - "$port" <<'PY' || fail "the charge"
import socket, sys, time

link = socket.create_connection(("127.0.0.1", int(sys.argv[1])), timeout=5)
lines = link.makefile("r", encoding="utf-8")

def ask(command):
    link.sendall((command + "\n").encode())
    return lines.readline().rstrip("\n")

def check(what, got, want):
    if got != want:
        sys.exit(f"{what}: {got!r}, not {want!r}")

# The supply answered in the latest read second.
for _ in range(100):
    if ask("*TST?") == "0":
        break
    time.sleep(0.1)
link.sendall(b'PROG:PROF "LIION,cells=1,cell=4.2,current=1,taper=0.1,hours=0.1"\n')
check("the profile", ask("SYST:ERR?"), '0,"No error"')
check("its name", ask("PROG:PROF?"), '"Li-ion charge"')
link.sendall(b"PROG:RUN\n")
check("the run", ask("SYST:ERR?"), '0,"No error"')
amps = []
deadline = time.time() + 90
while (state := ask("PROG:STAT?")) != "IDLE":
    if time.time() > deadline:
        sys.exit(f"still {state} after 90 s")
    amps.append(float(ask("MEAS:CURR?")))
    time.sleep(1)
# Constant current first, then a current that falls as the cell fills.
if max(amps) < 0.9 or not any(a < 0.5 for a in amps):
    sys.exit(f"no charge seen in the readings: {amps}")
print(f"{len(amps)} s of charge, current {max(amps):.3f} A down to {amps[-1]:.3f} A")
cause, words = ask("PROG:END?").split('","')
check("why the run ended", cause, '"step condition')
if "I<0.100 A" not in words or "stop at 0.0" not in words:
    sys.exit(f"the end's words: {words}")
PY
kill "$kelvo"
wait "$kelvo" || true

record=$(ls "$work/prog/Record/"*.TXT | head -1)
report=${record%.TXT}.report.txt
[ -f "$report" ] || fail "no report beside $record"
[ -s "${record%.TXT}.report.png" ] || fail "no picture of the run"
grep -q '^Profile: Li-ion charge (cells=1, cell=4.2 V' "$report" || fail "the profile: $(cat "$report")"
grep -q "^Run ended by: a step's condition" "$report" || fail "the end: $(cat "$report")"
# No display at all: neither X, Wayland nor a Qt platform to fall back on.
bare=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$work/prog/kelvo")
"${bare[@]}" --report "$record" >"$work/printed.txt" 2>&1 || fail "kelvo --report"
cmp -s "$work/printed.txt" "$report" || fail "kelvo --report prints another report"
status=0
"${bare[@]}" --report "$work/missing.TXT" >"$work/missing.out" 2>&1 || status=$?
[ "$status" = 1 ] && [ "$(wc -l <"$work/missing.out")" = 1 ] ||
  fail "a missing record: status $status, $(cat "$work/missing.out")"
echo "PASS"
