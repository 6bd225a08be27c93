#!/usr/bin/env bash
# Memory of the real kelvo binary while the simulated supply floods its port: first reply
# frames, then bytes without a header, each as fast as the terminal takes them, for a
# given time (default 600 s each). Under Xvfb, output off. kelvo's resident memory is
# sampled once a second; for each flood this prints it at the start, at the end and at
# its highest, and how much kelvo read from the port meanwhile (/proc/PID/io).
#   flood_rss.sh BIN-DIR [SECONDS-PER-FLOOD]
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
bin=$(cd "$1" && pwd) seconds=${2:-600}
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
cp "$bin/kelvo" "$bin/db1.mdb" "$bin/PPS.ico" "$work/"
unset QT_QPA_PLATFORM
cat >"$work/inside.sh" <<'INSIDE'
set -euo pipefail
bin=$1 work=$2 seconds=$3
trap 'kill $(jobs -p) 2>/dev/null || true' EXIT
# A normal link first, long enough for the program to find the supply and settle.
settle=20
valid_end=$((settle + seconds))
garbage_end=$((valid_end + seconds))
"$bin/kelvo-supply-sim" --link "$work/tty" \
  --schedule "0:normal,$settle:flood,$valid_end:flood-garbage,$garbage_end:normal" \
  >/dev/null 2>&1 &
started=$(date +%s.%N)
for _ in $(seq 50); do [ -e "$work/tty" ] && break; sleep 0.1; done
KELVO_SERIAL_PORTS="$work/tty" "$work/kelvo" >/dev/null 2>&1 &
pid=$!
# One line a second: seconds since the simulator started, resident kB, bytes read.
while kill -0 "$pid" 2>/dev/null; do
  now=$(date +%s.%N)
  t=$(awk -v a="$started" -v b="$now" 'BEGIN { printf "%.1f", b - a }')
  rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status" 2>/dev/null || echo 0)
  read_bytes=$(awk '/^rchar/ { print $2 }' "/proc/$pid/io" 2>/dev/null || echo 0)
  echo "$t $rss $read_bytes" >>"$work/samples"
  awk -v t="$t" -v end="$garbage_end" 'BEGIN { exit !(t >= end) }' && break
  sleep 1
done
kill -0 "$pid" 2>/dev/null || { echo "kelvo ended during the flood" >&2; exit 1; }
report() {
  awk -v what="$1" -v from="$2" -v to="$3" '
    $1 >= from && $1 <= to {
      if (n == 0) { start = $2; read0 = $3 }
      end = $2; read1 = $3; if ($2 > max) max = $2; n++
    }
    END {
      printf "%-14s RSS start %6.1f MB  end %6.1f MB  max %6.1f MB  (end - start %+.1f MB)  read %.0f MB\n",
        what, start / 1024, end / 1024, max / 1024, (end - start) / 1024, (read1 - read0) / 1e6
    }' "$work/samples"
}
report "reply frames" "$settle" "$valid_end"
report "garbage" "$valid_end" "$garbage_end"
INSIDE
xvfb-run -a -s "-screen 0 1440x900x24" bash "$work/inside.sh" "$bin" "$work" "$seconds"
