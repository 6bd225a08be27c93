#!/usr/bin/env bash
# Remote control under a crowd: the real kelvo binary on the simulated supply, eight clients
# sending queries without pause for a given time (default 60 s), the first of them also
# switching the output on and off every second. Passes when the program is still there,
# every query got its answer, and the wire shows every switch-on the client asked for.
#   remote_soak.sh BIN-DIR [SECONDS] [PORT]
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
bin=$1 seconds=${2:-60} port=${3:-5025}
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
cp "$bin/kelvo" "$bin/db1.mdb" "$bin/PPS.ico" "$work/"
"$bin/kelvo-supply-sim" --link "$work/tty" --record "$work/wire.bin" >/dev/null 2>&1 &
for _ in $(seq 50); do [ -e "$work/tty" ] && break; sleep 0.1; done
KELVO_SERIAL_PORTS="$work/tty" "$work/kelvo" --remote "$port" >"$work/kelvo.out" 2>&1 &
kelvo=$!
sleep 4
/usr/bin/python3 - "$port" "$seconds" "$work/wire.bin" <<'PY'
import socket, sys, threading, time

port, seconds, wire = int(sys.argv[1]), float(sys.argv[2]), sys.argv[3]
end = time.monotonic() + seconds
results = [None] * 8

def client(index):
    s = socket.create_connection(("127.0.0.1", port))
    f = s.makefile("rb")
    asked = answered = switches = 0
    next_switch, on = time.monotonic(), False
    while time.monotonic() < end:
        if index == 0 and time.monotonic() >= next_switch:
            on = not on
            switches += on
            next_switch += 1.0
            s.sendall(b"OUTP ON;OUTP?\n" if on else b"OUTP OFF;OUTP?\n")
            state = f.readline().strip()
            if state != (b"1" if on else b"0"):
                sys.exit(f"switch: {state!r}")
        s.sendall(b"MEAS:VOLT?;CURR?;:PROG:STAT?;SYST:ERR?\n")
        asked += 1
        line = f.readline()
        if line.count(b";") == 3 and line.endswith(b'0,"No error"\n'):
            answered += 1
    s.sendall(b"OUTP OFF\n" if index == 0 else b"")
    s.close()
    results[index] = (asked, answered, switches)

threads = [threading.Thread(target=client, args=(i,)) for i in range(8)]
for t in threads: t.start()
for t in threads: t.join()
asked = sum(r[0] for r in results)
answered = sum(r[1] for r in results)
switches = results[0][2]
time.sleep(1.5)
data = open(wire, "rb").read()
letters = [data[i + 15:i + 16] for i in range(len(data) - 15) if data[i:i + 6] == b"QZPPSU"]
ons = sum(1 for a, b in zip(letters, letters[1:]) if a == b"N" and b == b"O")
print(f"queries {asked} answered {answered} ({asked / seconds:.0f}/s); "
      f"switched on {switches} times, the wire shows {ons}")
sys.exit(0 if asked == answered and ons == switches and asked > 0 else 1)
PY
kill -0 "$kelvo" || { echo "FAIL: kelvo is gone"; cat "$work/kelvo.out"; exit 1; }
echo PASS
