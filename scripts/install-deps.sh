#!/usr/bin/env bash
# Installs the Debian packages KELVO needs to build, run and test. Safe to run again:
# when everything is present it returns at once.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-serialport-dev libqt6sql6-sqlite
  mdbtools-dev mdbtools libqcustomplot-dev
  fonts-noto-cjk fonts-arphic-gkai00mp
  libgtest-dev python3 python3-pyvisa python3-pyvisa-py
  clang libclang-rt-dev clang-tidy
  xvfb xauth xdotool imagemagick
)

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
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
