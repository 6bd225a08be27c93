#!/usr/bin/env bash
# KELVO as a standard LAN instrument, on the real binary and the simulated supply (10 ohm):
# a driver's walk through the common commands, the status model and the DC-supply forms
# (tests/e2e/instrument_walk.py) over the raw socket and over VXI-11 with pyvisa, and lxi's
# client both ways; then MEASure on a supply that stops answering waits about 1.5 s and answers the error,
# not the last value. About 30 s.
#   instrument_e2e.sh BIN-DIR        (KELVO_E2E_KEEP=1 keeps its folder for a look)
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
bin=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
export QT_QPA_PLATFORM=offscreen
# shellcheck source=tests/e2e/daemons.sh
. "$here/daemons.sh"
programs=()
# The programs this test started, and nothing else: the portmapper stays till the end.
stop_programs() {
  [ ${#programs[@]} -eq 0 ] || kill "${programs[@]}" 2>/dev/null || true
  [ ${#programs[@]} -eq 0 ] || wait "${programs[@]}" 2>/dev/null || true
  programs=()
}
trap 'stop_programs; stop_started_daemons; [ -n "${KELVO_E2E_KEEP:-}" ] || rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work"/kelvo*.out 2>/dev/null || true; exit 1; }
free_port() {
  /usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
# kelvo on a simulated supply: start_kelvo NAME PORT SIM-OPTIONS...
start_kelvo() {
  local name=$1 port=$2
  shift 2
  mkdir -p "$work/$name"
  cp "$bin/kelvo" "$bin/db1.mdb" "$bin/PPS.ico" "$work/$name/"
  "$bin/kelvo-supply-sim" --load 10 --link "$work/$name.tty" "$@" >"$work/$name-sim.out" 2>&1 &
  programs+=("$!")
  for _ in $(seq 50); do [ -e "$work/$name.tty" ] && break; sleep 0.1; done
  KELVO_SERIAL_PORTS="$work/$name.tty" "$work/$name/kelvo" --remote "127.0.0.1:$port" \
    >"$work/kelvo-$name.out" 2>&1 &
  programs+=("$!")
  for _ in $(seq 50); do grep -q 'listening' "$work/kelvo-$name.out" && break; sleep 0.1; done
  grep -q "listening on 127.0.0.1:$port" "$work/kelvo-$name.out" || fail "$name: not listening"
}

# VXI-11 clients find the instrument through the portmapper: one runs, or this starts one,
# before the program starts and registers.
vxi=1
start_rpcbind || vxi=0

port=$(free_port)
start_kelvo walk "$port"
/usr/bin/python3 "$here/instrument_walk.py" "TCPIP0::127.0.0.1::$port::SOCKET" || fail "raw walk"

if command -v lxi >/dev/null; then
  got=$(timeout 10 lxi scpi -r -a 127.0.0.1 -p "$port" "*IDN?")
  [[ $got == KELVO,KELVO\ desktop,COM1,1.0 ]] || fail "lxi raw *IDN?: $got"
  timeout 10 lxi scpi -r -a 127.0.0.1 -p "$port" "VOLT 2.5" || fail "lxi raw VOLT"
  got=$(timeout 10 lxi scpi -r -a 127.0.0.1 -p "$port" "VOLT?")
  [ "$got" = "2.50" ] || fail "lxi raw VOLT?: $got"
else
  echo "SKIP: lxi's raw client: lxi-tools is not installed"
fi

# One instrument at a time with the portmapper: the walk's program goes first.
if [ "$vxi" = 1 ]; then
  stop_programs
  for _ in $(seq 50); do rpcinfo -p 127.0.0.1 | grep -q '^ *395183 ' || break; sleep 0.1; done
  port=$(free_port)
  start_kelvo vxi "$port"
  rpcinfo -p 127.0.0.1 | grep -q '^ *395183 *1 *tcp' || fail "VXI-11: not with the portmapper"
  /usr/bin/python3 "$here/instrument_walk.py" "TCPIP0::127.0.0.1::INSTR" || fail "VXI-11 walk"
  if command -v lxi >/dev/null; then
    got=$(timeout 10 lxi scpi -a 127.0.0.1 "*IDN?")
    [[ $got == KELVO,KELVO\ desktop,COM1,1.0 ]] || fail "lxi VXI-11 *IDN?: $got"
    timeout 10 lxi scpi -a 127.0.0.1 "VOLT 3.5" || fail "lxi VXI-11 VOLT"
    got=$(timeout 10 lxi scpi -a 127.0.0.1 "VOLT?")
    [ "$got" = "3.50" ] || fail "lxi VXI-11 VOLT?: $got"
  fi
  stop_programs
else
  echo "SKIP: the VXI-11 walk: no portmapper (rpcbind) runs and none could be started"
fi

# A supply that answers for 4 s, then falls silent.
port=$(free_port)
start_kelvo silent "$port" --stop-after 4
/usr/bin/python3 - "$port" <<'PY' || fail "MEASure on a silent supply"
import socket, sys, time
c = socket.create_connection(("127.0.0.1", int(sys.argv[1])))
f = c.makefile("rw", newline="\n")
def ask(line):
    f.write(line + "\n")
    f.flush()
    return f.readline().strip()
deadline = time.monotonic() + 10
while ask("*TST?") != "0":
    if time.monotonic() > deadline:
        sys.exit("the supply was never found")
    time.sleep(0.1)
if ask("MEAS:VOLT?") == "9.91E+37":
    sys.exit("a measurement refused while the supply answers")
while ask("*TST?") == "0":
    time.sleep(0.1)
start = time.monotonic()
got = ask("MEAS:VOLT?")
took = time.monotonic() - start
if got != "9.91E+37" or not 1.3 < took < 2.0:
    sys.exit(f"silent: {got!r} after {took:.2f} s")
err = ask("SYST:ERR?")
if not err.startswith("-230,"):
    sys.exit(f"silent: {err}")
start = time.monotonic()
got = ask("FETC:VOLT?")
if got != "9.91E+37" or time.monotonic() - start > 0.2:
    sys.exit(f"FETCh waited or answered {got!r}")
print(f"MEASure on a silent supply: the error after {took:.2f} s")
PY
echo "instrument_e2e: passed"
