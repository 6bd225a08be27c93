#!/usr/bin/env bash
# Installs what is missing to build and run KELVO (not the test tools), builds only the
# program and the simulated supply (no tests, benchmarks or fuzzers) and starts it.
# Without a display it runs the program under Xvfb, takes a screenshot after a few seconds
# and says where it is.
#   scripts/run.sh             the supply on a USB-serial port when one is attached,
#                              otherwise the simulated supply
#   scripts/run.sh --sim       always the simulated supply
#   scripts/run.sh --hardware  always the serial ports of this machine
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
sim=auto
for a in "$@"; do
  case "$a" in
    --sim) sim=1 ;;
    --hardware) sim=0 ;;
    *) echo "usage: scripts/run.sh [--sim | --hardware]" >&2; exit 2 ;;
  esac
done
if [ "$sim" = auto ]; then
  sim=1
  if [ -n "${KELVO_SERIAL_PORTS:-}" ] || compgen -G '/dev/ttyUSB*' >/dev/null ||
     compgen -G '/dev/ttyACM*' >/dev/null; then
    sim=0
  fi
fi
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh" run
# A folder of its own: the full build of scripts/test.sh keeps its tests in build/.
build=${KELVO_BUILD_DIR:-$here/build-run}
# Built to be started soon: one compiler run per batch of sources (most of the time goes
# into reading Qt's headers again for each file), no debug information, light optimisation;
# a third of the compiler's time of a debuggable optimised build. The program needs no more
# (it idles at about 1 % of a core); scripts/package.sh builds the optimised one.
# Ninja builds the two programs side by side where make would build one after the other.
generator=()
[ -f "$build/CMakeCache.txt" ] || generator=(-G Ninja)
cmake "${generator[@]}" -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_UNITY_BUILD=ON \
  -DCMAKE_CXX_FLAGS_RELEASE="-O1 -DNDEBUG" -DKELVO_TESTS=OFF -DKELVO_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target kelvo kelvo-supply-sim
bin="$build/bin/kelvo"

if [ "$sim" = 1 ]; then
  # The simulator's terminal becomes the program's only port, COM1.
  link="${TMPDIR:-/tmp}/kelvo-sim-$$"
  "$build/bin/kelvo-supply-sim" --link "$link" >/dev/null &
  sim_pid=$!
  trap 'kill $sim_pid 2>/dev/null || true' EXIT
  for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
  export KELVO_SERIAL_PORTS="$link"
  echo "Simulated supply on $link (COM1)"
fi

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  "$bin"
  exit $?
fi

mkdir -p "$here/shots"
shot="$here/shots/kelvo-$(date +%Y%m%d-%H%M%S).png"
seconds=${KELVO_SHOT_AFTER:-6}
echo "No display: running KELVO under Xvfb (1440x900) for ${seconds}s"
xvfb-run -a -s "-screen 0 1440x900x24" bash -c '
  "$1" & pid=$!
  sleep "$2"
  import -window root "$3"
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true
' _ "$bin" "$seconds" "$shot"
echo "Screenshot: $shot"
