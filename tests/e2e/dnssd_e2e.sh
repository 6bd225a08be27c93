#!/usr/bin/env bash
# The real kelvo binary on the simulated supply with remote control on loopback and
# --announce, under an Avahi daemon of the test's own that sees the loopback interface only
# (and a system D-Bus of its own when none runs): avahi-browse finds _scpi-raw._tcp under
# the instrument's name on lo at the socket's port, a second program on another port takes
# the next name, _vxi-11._tcp is there at the portmapper's port while the portmapper maps
# the instrument, each service is gone once its program ends, and remote control stopped in
# a running program withdraws its service (a Qt test run here). Skips (status 77) when the
# daemons cannot start. About 10 s.
#   dnssd_e2e.sh BIN-DIR        (KELVO_E2E_KEEP=1 keeps its folder for a look)
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
bin=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
export QT_QPA_PLATFORM=offscreen
# shellcheck source=tests/e2e/daemons.sh
. "$here/daemons.sh"
trap 'kill $(jobs -p) 2>/dev/null || true; wait 2>/dev/null || true; stop_started_daemons
      [ -n "${KELVO_E2E_KEEP:-}" ] || rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work"/kelvo*.out 2>/dev/null || true; exit 1; }
start_system_dbus || exit 77
start_avahi_on_loopback || exit 77
# With the portmapper, VXI-11 is announced too; without, the rest is tested alone.
portmapper=1
start_rpcbind || portmapper=""

# The announcer in the Qt tests' own program: remote control stopped withdraws at once.
if [ -x "$bin/kelvo_qt_tests" ]; then
  KELVO_TEST_AVAHI_ON_LO=1 "$bin/kelvo_qt_tests" --gtest_filter='AnnouncerUnderTheDaemon.*' \
    >"$work/qt.out" 2>&1 || { cat "$work/qt.out"; fail "the announcer under the daemon"; }
fi

free_port() {
  /usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
# The resolved _scpi-raw._tcp services: "=;IFACE;PROTO;NAME;TYPE;DOMAIN;HOST;ADDRESS;PORT;TXT".
browse() { timeout 10 avahi-browse -rpt _scpi-raw._tcp 2>/dev/null | grep '^=' || true; }
# A name as avahi-browse -p writes it: a dot is \046, a space \032, a hash \035.
escaped() { printf '%s' "$1" | sed 's/\./\\046/g; s/ /\\032/g; s/#/\\035/g'; }
# Waits until a line of the browse answer holds the text (or, with "!", none does).
await_browse() {
  local negate=$1 text=$2
  for _ in $(seq 40); do
    if browse | grep -qF -- "$text"; then [ "$negate" = "!" ] || return 0
    else [ "$negate" != "!" ] || return 0; fi
    sleep 0.25
  done
  return 1
}

mkdir "$work/prog"
cp "$bin/kelvo" "$bin/db1.mdb" "$bin/PPS.ico" "$work/prog/"
"$bin/kelvo-supply-sim" --load 10 --link "$work/sim.tty" >"$work/sim.out" 2>&1 &
for _ in $(seq 50); do [ -e "$work/sim.tty" ] && break; sleep 0.1; done

port=$(free_port)
KELVO_SERIAL_PORTS="$work/sim.tty" "$work/prog/kelvo" --remote "127.0.0.1:$port" --announce \
  >"$work/kelvo.out" 2>&1 &
kelvo=$!
for _ in $(seq 50); do grep -q 'DNS-SD' "$work/kelvo.out" 2>/dev/null && break; sleep 0.1; done
grep -q "DNS-SD: announcing \"KELVO power supply on " "$work/kelvo.out" ||
  fail "not announced"
name="KELVO power supply on $(hostname)"
await_browse "" "=;lo;IPv4;$(escaped "$name");_scpi-raw._tcp;local;" &&
  browse | grep -F "$(escaped "$name");" | grep -qF ";127.0.0.1;$port;" ||
  fail "_scpi-raw._tcp on lo at port $port not found: $(browse)"
browse | grep -q '"Manufacturer=KELVO"' || fail "no maker in the TXT records: $(browse)"
# No web page, so no _lxi._tcp; VXI-11 where its clients begin, the portmapper's port.
! timeout 10 avahi-browse -pt _lxi._tcp 2>/dev/null | grep -q KELVO || fail "_lxi._tcp announced"
vxi11() { timeout 10 avahi-browse -rpt _vxi-11._tcp 2>/dev/null | grep '^=' || true; }
if [ -n "$portmapper" ]; then
  vxi11 | grep -F "=;lo;IPv4;$(escaped "$name");_vxi-11._tcp;local;" | grep -qF ";127.0.0.1;111;" ||
    fail "_vxi-11._tcp on lo at port 111 not found: $(vxi11)"
else
  echo "SKIP: the VXI-11 announcement: no portmapper runs and none could be started"
fi

# A second program on another port: the name is taken, the next one is announced.
second_port=$(free_port)
KELVO_SERIAL_PORTS="$work/none" "$work/prog/kelvo" --remote "127.0.0.1:$second_port" --announce \
  >"$work/kelvo2.out" 2>&1 &
second=$!
await_browse "" ";127.0.0.1;$second_port;" || fail "the second program is not announced: $(browse)"
browse | grep -F ";$second_port;" | grep -qF "$(escaped "$name #2");" ||
  fail "the second program's name: $(browse)"
grep -q "is taken on the network; announcing \"$name #2\" instead" "$work/kelvo2.out" ||
  fail "the second program did not tell of its new name"

# Each goes with its program.
kill "$kelvo"
wait "$kelvo" 2>/dev/null || true
await_browse "!" ";127.0.0.1;$port;" || fail "still announced after the program ended: $(browse)"
for _ in $(seq 20); do vxi11 | grep -qF "$(escaped "$name");" || break; sleep 0.25; done
! vxi11 | grep -qF "$(escaped "$name");" || fail "VXI-11 still announced: $(vxi11)"
browse | grep -qF ";127.0.0.1;$second_port;" || fail "the second program's service went too"
kill "$second"
wait "$second" 2>/dev/null || true
await_browse "!" ";127.0.0.1;$second_port;" || fail "the second program's service outlived it"
echo "PASS"
