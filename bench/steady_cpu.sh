#!/usr/bin/env bash
# CPU time and peak memory of the real kelvo binary connected to the simulated supply with
# the output on, under Xvfb, for a given time (default 600 s). Over the same time a bare
# Qt program keeps the same stream to a second simulator, as the reference: both see the
# same machine, which on a shared virtual machine matters more than anything measured.
# CPU time is the scheduler's own count (/proc/PID/task/*/schedstat), not tick samples,
# which a program waking every 5 ms can alias with.
#   steady_cpu.sh BIN-DIR [SECONDS]
# SPDX-License-Identifier: GPL-3.0-or-later
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
"$bin/kelvo-supply-sim" --link "$work/tty-bare" >/dev/null 2>&1 &
for _ in $(seq 50); do [ -e "$work/tty" ] && [ -e "$work/tty-bare" ] && break; sleep 0.1; done
KELVO_SERIAL_PORTS="$work/tty" "$work/kelvo" >/dev/null 2>&1 &
pid=$!
sleep 4
# ON: Command1 sits at about (96, 681) on a 1440x900 screen.
xdotool mousemove 96 681 click 1
"$bin/kelvo-bare-stream" "$work/tty-bare" >/dev/null 2>&1 &
bare=$!
sleep 2
cpu_ns() { cat /proc/"$1"/task/*/schedstat | awk '{ s += $1 } END { printf "%.0f\n", s }'; }
start=$(cpu_ns "$pid")
bare_start=$(cpu_ns "$bare")
sleep "$seconds"
end=$(cpu_ns "$pid")
bare_end=$(cpu_ns "$bare")
report() {
  awk -v ns="$2" -v s="$seconds" -v what="$1" \
    'BEGIN { printf "%-25s %.2f s in %d s = %.2f %% of one core\n", what, ns / 1e9, s, 100 * ns / 1e9 / s }'
}
report "kelvo CPU, output on" $((end - start))
awk '/VmHWM/ { printf "kelvo peak RSS            %.1f MB\n", $2 / 1024 }' "/proc/$pid/status"
report "bare Qt stream CPU" $((bare_end - bare_start))
# OFF, and the record of the period shows the output was on all along.
xdotool mousemove 96 681 click 1
sleep 2
echo "record lines (one a second)  $(cat "$work"/Record/*.TXT | grep -c 'V   ')"
INSIDE
xvfb-run -a -s "-screen 0 1440x900x24" bash "$work/inside.sh" "$bin" "$work" "$seconds"
