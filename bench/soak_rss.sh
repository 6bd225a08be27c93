#!/usr/bin/env bash
# The fault soak with kelvo's memory watched from outside: RSS every 30 s, then the RSS at
# each tenth of the run and the growth over the last hour (or the last half, when shorter).
# RSS counts the pages of the shared libraries and fonts too, which the kernel drops and
# reads again under memory pressure (other builds on the machine); the anonymous part is
# the program's own memory, and the figure to judge growth by.
#   soak_rss.sh BIN-DIR MINUTES
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
bin=$1
minutes=${2:-120}
samples=$(mktemp)
trap 'rm -f "$samples"' EXIT
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
"$bin/kelvo-soak" --minutes "$minutes" &
soak=$!
start=$(date +%s)
while kill -0 "$soak" 2>/dev/null; do
  rss=$(awk '/^VmRSS/ { r = $2 } /^RssAnon/ { a = $2 } END { if (r) print r, a }' \
    "/proc/$soak/status" 2>/dev/null || true)
  [ -n "$rss" ] && echo "$(($(date +%s) - start)) $rss" >>"$samples"
  sleep 30
done
wait "$soak" && result=PASS || result=FAIL
awk -v total="$((minutes * 60))" -v result="$result" '
  { t[NR] = $1; r[NR] = $2 / 1024; a[NR] = $3 / 1024 }
  END {
    if (NR == 0) { print "no samples"; exit 1 }
    for (i = 1; i <= 10; i++) {
      want = total * i / 10; best = 1
      for (j = 1; j <= NR; j++) if (t[j] <= want) best = j
      printf "minute %5.1f  RSS %6.1f MB  anonymous %6.1f MB\n", t[best] / 60, r[best], a[best]
    }
    window = total >= 7200 ? 3600 : total / 2
    from = 1
    for (j = 1; j <= NR; j++) if (t[j] <= t[NR] - window) from = j
    max = 0; amax = 0
    for (j = from; j <= NR; j++) { if (r[j] > max) max = r[j]; if (a[j] > amax) amax = a[j] }
    printf "soak %s; RSS first %.1f MB, last %.1f MB, highest %.1f MB; over the last %d min: %+.2f MB (start of window %.1f MB, highest in window %.1f MB)\n",
      result, r[1], r[NR], max, window / 60, r[NR] - r[from], r[from], max
    printf "anonymous memory over the last %d min: %+.2f MB (start of window %.1f MB, highest in window %.1f MB, last %.1f MB)\n",
      window / 60, a[NR] - a[from], a[from], amax, a[NR]
  }' "$samples"
[ "$result" = PASS ]
