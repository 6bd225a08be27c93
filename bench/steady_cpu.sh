#!/usr/bin/env bash
# CPU time and peak memory of the real kelvo binary connected to the simulated supply with
# the output on, under Xvfb, for a given time (default 600 s); then, for the same time,
# a bare Qt program keeping the same stream to the same simulator, for reference.
#   steady_cpu.sh BIN-DIR [SECONDS]
set -euo pipefail
bin=$1 seconds=${2:-600}
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
cp "$bin/kelvo" "$bin/db1.mdb" "$bin/PPS.ico" "$work/"
unset QT_QPA_PLATFORM
cat >"$work/inside.sh" <<'INSIDE'
set -euo pipefail
bin=$1 work=$2 seconds=$3
trap 'kill $(jobs -p) 2>/dev/null || true' EXIT
"$bin/kelvo-supply-sim" --link "$work/tty" >/dev/null 2>&1 &
for _ in $(seq 50); do [ -e "$work/tty" ] && break; sleep 0.1; done
KELVO_SERIAL_PORTS="$work/tty" "$work/kelvo" >/dev/null 2>&1 &
pid=$!
sleep 4
# ON: Command1 sits at about (96, 681) on a 1440x900 screen.
xdotool mousemove 96 681 click 1
sleep 2
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
start=$(ticks)
sleep "$seconds"
end=$(ticks)
hz=$(getconf CLK_TCK)
awk -v t=$((end - start)) -v hz="$hz" -v s="$seconds" \
  'BEGIN { printf "kelvo CPU, output on     %.2f s in %d s = %.2f %% of one core\n", t / hz, s, 100 * t / hz / s }'
awk '/VmHWM/ { printf "kelvo peak RSS           %.1f MB\n", $2 / 1024 }' "/proc/$pid/status"
# OFF, and the record of the period shows the output was on all along.
xdotool mousemove 96 681 click 1
sleep 2
echo "record lines (one a second)  $(cat "$work"/Record/*.TXT | grep -c 'V   ')"
# The reference: a bare Qt program keeping the same stream to the same simulator.
kill "$pid"
wait "$pid" 2>/dev/null || true
if [ -x "$bin/kelvo-bare-stream" ]; then
  "$bin/kelvo-bare-stream" "$work/tty" "$seconds" 2>/dev/null
fi
INSIDE
xvfb-run -a -s "-screen 0 1440x900x24" bash "$work/inside.sh" "$bin" "$work" "$seconds"
