# The system daemons an end-to-end test needs, started only when none runs and stopped
# again by stop_started_daemons (put it in the test's EXIT trap): a system D-Bus, an Avahi
# daemon that sees the loopback interface only, the portmapper. Each returns 1 with one
# line on standard output saying why when it cannot start; the caller skips then.
#   . tests/e2e/daemons.sh
#   trap 'stop_started_daemons' EXIT
#   start_system_dbus || exit 77
# SPDX-License-Identifier: GPL-3.0-or-later

daemons_started=()
daemons_dir=$(mktemp -d)
started_bus=
system_bus_socket=/run/dbus/system_bus_socket

# The PIDs this shell started, stopped in the reverse order, and nothing else.
stop_started_daemons() {
  local i
  for ((i = ${#daemons_started[@]} - 1; i >= 0; i--)); do
    kill "${daemons_started[i]}" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "${daemons_started[i]}" 2>/dev/null || break; sleep 0.1; done
  done
  daemons_started=()
  # The bus leaves its socket behind.
  [ -z "$started_bus" ] || rm -f "$system_bus_socket"
  started_bus=
  rm -rf "$daemons_dir"
}

system_bus_answers() {
  timeout 5 dbus-send --system --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.GetId >/dev/null 2>&1
}

is_root() { [ "$(id -u)" -eq 0 ]; }

start_system_dbus() {
  system_bus_answers && return 0
  command -v dbus-daemon >/dev/null || { echo "SKIP: no dbus-daemon (install dbus)"; return 1; }
  is_root || { echo "SKIP: no system D-Bus runs, and starting one needs root"; return 1; }
  mkdir -p /run/dbus
  # A socket left by a bus that died answers nobody.
  [ -S "$system_bus_socket" ] && rm -f "$system_bus_socket"
  local pid
  pid=$(dbus-daemon --system --fork --nopidfile --print-pid) ||
    { echo "SKIP: the system D-Bus does not start"; return 1; }
  daemons_started+=("$pid")
  started_bus=1
  for _ in $(seq 50); do system_bus_answers && return 0; sleep 0.1; done
  echo "SKIP: the system D-Bus started but does not answer"
  return 1
}

avahi_on_bus() {
  timeout 5 dbus-send --system --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:org.freedesktop.Avahi 2>/dev/null |
    grep -q 'boolean true'
}

# Ours, on lo only, so nothing a test announces leaves this machine. One of the system's
# would announce on every network: the test skips instead of using it.
start_avahi_on_loopback() {
  command -v avahi-daemon >/dev/null && command -v avahi-browse >/dev/null ||
    { echo "SKIP: no avahi-daemon or avahi-browse (install avahi-daemon avahi-utils)"; return 1; }
  avahi_on_bus &&
    { echo "SKIP: an Avahi daemon of the system's runs; a test announces through its own only"; return 1; }
  is_root || { echo "SKIP: starting an Avahi daemon on the system D-Bus needs root"; return 1; }
  cat >"$daemons_dir/avahi-daemon.conf" <<'CONF'
[server]
allow-interfaces=lo
use-ipv4=yes
use-ipv6=no
enable-dbus=yes
ratelimit-interval-usec=1000000
ratelimit-burst=1000
[wide-area]
enable-wide-area=no
[publish]
disable-publishing=no
publish-addresses=yes
publish-hinfo=no
publish-workstation=no
publish-domain=no
[reflector]
enable-reflector=no
CONF
  avahi-daemon -f "$daemons_dir/avahi-daemon.conf" --no-drop-root --no-chroot --no-rlimits \
    >"$daemons_dir/avahi.out" 2>&1 &
  daemons_started+=("$!")
  for _ in $(seq 100); do
    if avahi_on_bus && timeout 5 avahi-browse -at >/dev/null 2>&1; then return 0; fi
    kill -0 "$!" 2>/dev/null || break
    sleep 0.1
  done
  echo "SKIP: the Avahi daemon does not start: $(tail -n 3 "$daemons_dir/avahi.out" | tr '\n' ' ')"
  return 1
}

# The portmapper, where VXI-11 clients begin.
start_rpcbind() {
  command -v rpcbind >/dev/null || { echo "SKIP: no rpcbind (install rpcbind)"; return 1; }
  command -v rpcinfo >/dev/null && timeout 5 rpcinfo -p 127.0.0.1 >/dev/null 2>&1 && return 0
  is_root || { echo "SKIP: starting rpcbind needs root"; return 1; }
  rpcbind -f >"$daemons_dir/rpcbind.out" 2>&1 &
  daemons_started+=("$!")
  for _ in $(seq 50); do timeout 5 rpcinfo -p 127.0.0.1 >/dev/null 2>&1 && return 0; sleep 0.1; done
  echo "SKIP: rpcbind does not start: $(tail -n 3 "$daemons_dir/rpcbind.out" | tr '\n' ' ')"
  return 1
}
