#!/usr/bin/env bash
# The LAN instrument's figures side by side in one run, on the real kelvo binary and the
# simulated supply: the round trip of MEAS:VOLT? over the raw socket (a bare socket and
# pyvisa) and over VXI-11 (pyvisa, TCPIP0::127.0.0.1::INSTR), median and p99; lxi's
# benchmark both ways; then kelvo-remote-bench for the send stream's gaps while a client
# sends a thousand queries a second. VXI-11 needs a portmapper: one is started when none
# runs and this runs as root, else its figures are left out with a line saying so.
#   instrument_figures.sh BIN-DIR [COUNT] [PORT]     (default 2000 queries, port 5025)
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
bin=$(cd "$1" && pwd) count=${2:-2000} port=${3:-5025}
work=$(mktemp -d)
started_rpcbind=""
cleanup() {
  kill $(jobs -p) 2>/dev/null || true
  [ -z "$started_rpcbind" ] || pkill -x rpcbind || true
  rm -rf "$work"
}
trap cleanup EXIT
export QT_QPA_PLATFORM=offscreen

vxi=1
if ! rpcinfo -p 127.0.0.1 >/dev/null 2>&1; then
  if [ "$(id -u)" -eq 0 ] && command -v rpcbind >/dev/null; then
    rpcbind && started_rpcbind=1
    for _ in $(seq 50); do rpcinfo -p 127.0.0.1 >/dev/null 2>&1 && break; sleep 0.1; done
  else
    echo "no portmapper runs and none can be started here: VXI-11 figures left out"
    vxi=0
  fi
fi

cp "$bin/kelvo" "$bin/db1.mdb" "$bin/PPS.ico" "$work/"
"$bin/kelvo-supply-sim" --link "$work/tty" >/dev/null 2>&1 &
for _ in $(seq 50); do [ -e "$work/tty" ] && break; sleep 0.1; done
KELVO_SERIAL_PORTS="$work/tty" "$work/kelvo" --remote "$port" >"$work/kelvo.out" 2>&1 &
sleep 4

/usr/bin/python3 - "$port" "$count" "$vxi" <<'PY'
import socket, statistics, sys, time
import pyvisa

port, count, vxi = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3] == "1"

def figures(name, ask):
    ask()  # the first query opens what the later ones reuse
    times = []
    for _ in range(count):
        start = time.perf_counter()
        answer = ask()
        times.append((time.perf_counter() - start) * 1000)
        float(answer)
    times.sort()
    p99 = times[int(len(times) * 0.99) - 1]
    print(f"MEAS:VOLT? {name:28s} median {statistics.median(times):.3f} ms  p99 {p99:.3f} ms")

s = socket.create_connection(("127.0.0.1", port))
s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
f = s.makefile("rb")
def bare():
    s.sendall(b"MEAS:VOLT?\n")
    return f.readline()
figures("raw, a bare socket", bare)

rm = pyvisa.ResourceManager("@py")
raw = rm.open_resource(f"TCPIP0::127.0.0.1::{port}::SOCKET", read_termination="\n",
                       write_termination="\n", timeout=3000)
figures("raw, pyvisa", lambda: raw.query("MEAS:VOLT?"))
if vxi:
    inst = rm.open_resource("TCPIP0::127.0.0.1::INSTR", timeout=3000)
    figures("VXI-11, pyvisa", lambda: inst.query("MEAS:VOLT?"))
PY

lxi_rate() {
  lxi benchmark "$@" 2>&1 | grep -Eo '[0-9.]+ requests/second' || echo "(no figure)"
}
if command -v lxi >/dev/null; then
  echo "lxi benchmark raw:    $(lxi_rate -a 127.0.0.1 -r -p "$port" -c 1000)"
  [ "$vxi" = 0 ] || echo "lxi benchmark VXI-11: $(lxi_rate -a 127.0.0.1 -c 1000)"
else
  echo "lxi-tools is not installed: its benchmark left out"
fi
kill $(jobs -p) 2>/dev/null || true
wait 2>/dev/null || true

"$bin/kelvo-remote-bench" "$bin/kelvo" 10 "$port"
