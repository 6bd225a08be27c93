#!/usr/bin/env bash
# CPU of the real kelvo binary with remote control listening and no client, against the same
# binary without it, side by side over the same time (default 300 s) under Xvfb, each on a
# simulated supply of its own with the output off. A listening socket costs nothing until
# a client comes: the two figures must be within 0.1 points of one core.
#   remote_idle_cpu.sh BIN-DIR [SECONDS] [PORT]
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
bin=$1 seconds=${2:-300} port=${3:-5025}
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
unset QT_QPA_PLATFORM
for run in on off; do
  mkdir "$work/$run"
  cp "$bin/kelvo" "$bin/db1.mdb" "$bin/PPS.ico" "$work/$run/"
done
cat >"$work/inside.sh" <<'INSIDE'
set -euo pipefail
bin=$1 work=$2 seconds=$3 port=$4
trap 'kill $(jobs -p) 2>/dev/null || true' EXIT
for run in on off; do
  "$bin/kelvo-supply-sim" --link "$work/$run/tty" >/dev/null 2>&1 &
done
for _ in $(seq 50); do [ -e "$work/on/tty" ] && [ -e "$work/off/tty" ] && break; sleep 0.1; done
KELVO_SERIAL_PORTS="$work/on/tty" "$work/on/kelvo" --remote "$port" >"$work/on.out" 2>&1 &
on=$!
KELVO_SERIAL_PORTS="$work/off/tty" "$work/off/kelvo" >/dev/null 2>&1 &
off=$!
sleep 5
grep -q listening "$work/on.out" || { cat "$work/on.out"; exit 1; }
cpu_ns() { cat /proc/"$1"/task/*/schedstat | awk '{ s += $1 } END { printf "%.0f\n", s }'; }
on_start=$(cpu_ns "$on") off_start=$(cpu_ns "$off")
sleep "$seconds"
on_end=$(cpu_ns "$on") off_end=$(cpu_ns "$off")
report() {
  awk -v ns="$2" -v s="$seconds" -v what="$1" \
    'BEGIN { printf "%-32s %.2f %% of one core\n", what, 100 * ns / 1e9 / s }'
}
report "kelvo, remote control listening" $((on_end - on_start))
report "kelvo, no remote control" $((off_end - off_start))
INSIDE
xvfb-run -a -s "-screen 0 1440x900x24" bash "$work/inside.sh" "$bin" "$work" "$seconds" "$port"
