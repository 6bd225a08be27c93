#!/usr/bin/env bash
# Installs the Debian packages KELVO needs. Safe to run again: when everything is present
# it returns at once.
#   scripts/install-deps.sh run    what building and running the program needs (and Xvfb,
#                                  for scripts/run.sh on a machine without a display)
#   scripts/install-deps.sh test   that, and everything the tests, the checks and the
#                                  Debian package need
#   scripts/install-deps.sh        the same as "test"
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail

run_packages=(
  cmake g++ make ninja-build pkg-config
  qt6-base-dev qt6-serialport-dev libqt6sql6-sqlite
  mdbtools-dev libqcustomplot-dev libtirpc-dev rpcsvc-proto libavahi-client-dev
  fonts-noto-cjk fonts-arphic-gkai00mp
  xvfb xauth imagemagick python3
)
test_packages=(
  libgtest-dev mdbtools
  clang libclang-rt-dev clang-tidy-19 clang-format
  xdotool procps rpcbind
  avahi-daemon avahi-utils dbus
  python3 python3-pyvisa python3-pyvisa-py lxi-tools
  dpkg-dev file help2man lintian appstream desktop-file-utils
)

case "${1:-test}" in
  run) packages=("${run_packages[@]}") ;;
  test | all) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
  *) echo "usage: scripts/install-deps.sh [run | test]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "install-deps: need root or sudo to install ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
# Packaged, the Avahi daemon would start at once and announce on every interface; the tests
# start their own, confined to loopback (allow-interfaces=lo in its own configuration), and
# their own portmapper and bus. So no service starts while these packages go in.
policy=/usr/sbin/policy-rc.d
if [ ! -e "$policy" ]; then
  printf '#!/bin/sh\nexit 101\n' | "${as_root[@]}" tee "$policy" >/dev/null
  "${as_root[@]}" chmod 755 "$policy"
  trap '"${as_root[@]}" rm -f "$policy"' EXIT
fi
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
