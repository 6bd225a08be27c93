#!/usr/bin/env bash
# Files planted in a portable copy's folder, on the real binary:
#  1. in Record/: a FIFO, a link to a private file and junk, each named as the program names
#     its journals, and a notes.journal: the window opens and remote control listens within
#     a few seconds, each is named once on standard error and left as it was, and no record
#     is made of any;
#  2. a FIFO as db1.mdb, and as PPS.ico: the program ends at once with status 1 and a line
#     naming the file and why, as for a missing one.
# About 10 s.   planted_e2e.sh BIN-DIR
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
bin=$1
work=$(mktemp -d)
export QT_QPA_PLATFORM=offscreen
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work"/*.out 2>/dev/null || true; exit 1; }

copy() {
  mkdir "$work/$1"
  cp "$bin/kelvo" "$bin/db1.mdb" "$bin/PPS.ico" "$work/$1/"
}
run() { # NAME COMMAND...: started with nothing to find on the serial side
  local name=$1
  shift
  KELVO_SERIAL_PORTS="$work/none" XDG_DATA_HOME="$work/$name-data" "$@"
}

copy journals
record="$work/journals/Record"
mkdir "$record"
echo "the user's private text" >"$work/secret"
chmod 600 "$work/secret"
mkfifo "$record/unfinished-20261206-011700-4242-1.journal"
ln -s "$work/secret" "$record/unfinished-20261206-011700-4242-2.journal"
head -c 1024 /dev/urandom >"$record/unfinished-20261206-011700-4242-3.journal"
printf 'KELVO\r\nVersion: 1.0\r\n' >"$record/notes.journal"
before=$(cd "$record" && ls -l --time-style=+ | sha256sum)
port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
# Started as the job itself, not through run(): killing the job must end the program, not a
# shell that would leave it running.
KELVO_SERIAL_PORTS="$work/none" XDG_DATA_HOME="$work/journals-data" \
  "$work/journals/kelvo" --remote "127.0.0.1:$port" >"$work/journals.out" 2>&1 &
for _ in $(seq 100); do grep -q 'listening' "$work/journals.out" && break; sleep 0.1; done
grep -q "listening on 127.0.0.1:$port" "$work/journals.out" || fail "start-up waited"
for n in 1 2 3; do
  [ "$(grep -c "left in place: $record/unfinished-20261206-011700-4242-$n.journal" \
    "$work/journals.out")" = 1 ] || fail "journal $n not named once"
done
grep -q "left in place: $record/notes.journal" "$work/journals.out" || fail "notes not named"
kill %1
wait %1 || true
[ "$(cd "$record" && ls -l --time-style=+ | sha256sum)" = "$before" ] || fail "Record/ changed"
! ls "$record" | grep -q '\.TXT$' || fail "a record was made"
[ "$(cat "$work/secret")" = "the user's private text" ] || fail "the private file changed"

for file in db1.mdb PPS.ico; do
  name=${file%.*}
  copy "$name"
  rm "$work/$name/$file"
  mkfifo "$work/$name/$file"
  start=$(date +%s)
  code=0
  run "$name" timeout 20 "$work/$name/kelvo" >"$work/$name.out" 2>&1 || code=$?
  [ "$code" = 1 ] || fail "$file as a FIFO: status $code"
  [ $(($(date +%s) - start)) -le 10 ] || fail "$file as a FIFO: waited"
  grep -q "kelvo: cannot start: .*$work/$name/$file.*it is a FIFO, not a regular file" \
    "$work/$name.out" || fail "$file as a FIFO: no reason"
done
echo PASS
