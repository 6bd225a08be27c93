#!/usr/bin/env bash
# Builds and runs the benchmarks, printing their figures. Not part of the tests.
#   scripts/bench.sh [STREAM-SECONDS [STEADY-SECONDS]]   (defaults 60 and 600)
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh"
dir="$here/build-release"
cmake -S "$here" -B "$dir" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$dir" -j"$(nproc)" --target kelvo kelvo_assets kelvo-supply-sim \
  kelvo-stream-bench kelvo-record-log-bench kelvo-tick-bench kelvo-bare-stream \
  kelvo-history-bench kelvo-remote-bench
bin="$dir/bin"
export QT_QPA_PLATFORM=offscreen

echo "== send stream of kelvo on a pseudo-terminal, answered like a supply (${1:-60} s)"
"$bin/kelvo-stream-bench" "$bin/kelvo" "${1:-60}" 2>/dev/null
echo
echo "== one polling tick on the fake platform"
"$bin/kelvo-tick-bench"
echo
echo "== the record log: a week of lines appended to the real control"
"$bin/kelvo-record-log-bench" 2>/dev/null
echo
echo "== the history window and the CSV export on a week-long record"
"$bin/kelvo-history-bench" "$bin/kelvo" 2>/dev/null
echo
echo "== remote control: MEAS:VOLT? round trips, the stream under 1000 queries/s (${1:-60} s each)"
"$bin/kelvo-remote-bench" "$bin/kelvo" "${1:-60}" 2>/dev/null
echo
echo "== remote control listening with no client against none (${2:-600} s)"
"$here/bench/remote_idle_cpu.sh" "$bin" "${2:-600}"
echo
echo "== kelvo on the simulated supply with the output on (${2:-600} s, under Xvfb)"
"$here/bench/steady_cpu.sh" "$bin" "${2:-600}"
