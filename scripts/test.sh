#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest: once on the normal
# build and once on a build with AddressSanitizer and UndefinedBehaviorSanitizer; then
# runs the fuzz targets and the fault soak.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh"

export QT_QPA_PLATFORM=offscreen
KELVO_BUILD_DIR="$here/build" "$here/scripts/build.sh"
(cd "$here/build" && ctest --output-on-failure -j2)

if [ "${KELVO_SKIP_SANITIZERS:-0}" != 1 ]; then
  # Leak reports would come from the toolkit's own caches, not from our code.
  export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  KELVO_BUILD_DIR="$here/build-asan" "$here/scripts/build.sh" -DKELVO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
  (cd "$here/build-asan" && ctest --output-on-failure -j2)
fi

# Each fuzz target for 30 seconds (about two minutes in all, with its build).
if [ "${KELVO_SKIP_FUZZ:-0}" != 1 ]; then
  "$here/scripts/fuzz.sh" 30
fi

# Two minutes of the fault soak on the normal build: the simulator misbehaves every way it
# can while a scripted user keeps the output on; the program must come through.
if [ "${KELVO_SKIP_SOAK:-0}" != 1 ]; then
  "$here/build/bin/kelvo-soak" --minutes 2
fi
