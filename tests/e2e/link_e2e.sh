#!/usr/bin/env bash
# The real kelvo binary on the simulated supply's terminal, under Xvfb: the stream on the
# wire is the idle frame repeated seamlessly, and after the simulator hangs up and comes
# back the program opens the port again. Bounded to well under a minute.
#   link_e2e.sh BIN-DIR
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
bin=$1
work=$(mktemp -d)
# A real window on Xvfb, whatever the other tests use.
unset QT_QPA_PLATFORM
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT

cat >"$work/inside.sh" <<'INSIDE'
set -euo pipefail
bin=$1 work=$2
trap 'kill $(jobs -p) 2>/dev/null || true' EXIT
"$bin/kelvo-supply-sim" --link "$work/tty" --record "$work/rx.bin" \
  --hangup-after 4 --return-after 2 >"$work/sim.out" 2>&1 &
for _ in $(seq 50); do [ -e "$work/tty" ] && break; sleep 0.1; done
KELVO_SERIAL_PORTS="$work/tty" "$bin/kelvo" >"$work/kelvo.out" 2>&1 &
kelvo=$!

size() { stat -c %s "$work/rx.bin" 2>/dev/null || echo 0; }
sleep 3.5
before=$(size)
# The hang-up makes the next read fail: the program says so in a message box and waits
# for OK, as a user would see it. Press it, then wait for the stream to come back.
returned=""
for i in $(seq 40); do
  sleep 1
  windows=$(xdotool search --onlyvisible --name '^KELVO$' 2>/dev/null || true)
  if [ "$(printf '%s\n' "$windows" | grep -c .)" -ge 2 ]; then
    box=$(printf '%s\n' "$windows" | tail -n 1)
    xdotool windowfocus --sync "$box" key Return 2>/dev/null || true
  fi
  if grep -q '^/dev/pts' <(tail -n +2 "$work/sim.out") && [ "$(size)" -gt "$((before + 400))" ]; then
    returned=$i
    break
  fi
done
kill "$kelvo" 2>/dev/null || true
echo "bytes before the hang-up: $before; stream back after ${returned:-never} s"
[ -n "$returned" ]
INSIDE

xvfb-run -a -s "-screen 0 1440x900x24" bash "$work/inside.sh" "$bin" "$work"

# Everything the supply received: the idle frame again and again with nothing between.
# The stream is cut once by the hang-up and restarts at whatever position is due, so one
# frame across that junction may read differently.
size=$(stat -c %s "$work/rx.bin")
frames=$(grep -ao 'QZPPSU.\{10\}' "$work/rx.bin" | wc -l)
odd=$(grep -ao 'QZPPSU.\{10\}' "$work/rx.bin" | grep -vcx 'QZPPSU0000H0000N' || true)
echo "$size bytes received: $frames frames, $odd not the idle frame"
[ "$frames" -ge 20 ] && [ "$odd" -le 1 ] && [ $((size - 16 * frames)) -le 48 ]
