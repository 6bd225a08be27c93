#!/usr/bin/env bash
# Installs what is missing, checks formatting, file sizes and the direction of includes,
# builds, and runs every test through CTest: once on the normal
# build and once on a build with AddressSanitizer and UndefinedBehaviorSanitizer; then the
# Qt tests and a short fault soak with ThreadSanitizer, the fuzz targets and the fault soak;
# clang-tidy beside all of it.
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh" test
# Formatting, the file-size rule and the floors of src/ first: seconds, before any build.
"$here/scripts/check-style.sh"

export QT_QPA_PLATFORM=offscreen
KELVO_BUILD_DIR="$here/build" "$here/scripts/build.sh"

# clang-tidy over the tree takes minutes of both cores but no timing: it runs from the
# sanitizer build on (a unity build, read a batch at a time: a few minutes instead of a
# quarter of an hour) to the end at the lowest priority, on what the tests and soaks leave
# idle, so the timed tests keep the processor when they want it.
tidy=""
tidy_log="$here/build/tidy-run.log"
start_tidy() {
  [ "${KELVO_SKIP_TIDY:-0}" != 1 ] || return 0
  KELVO_BUILD_DIR="$1" nice -n 19 "$here/scripts/tidy.sh" >"$tidy_log" 2>&1 &
  tidy=$!
}
# Whatever ends the script, no clang-tidy is left running.
kill_tree() {
  local child
  for child in $(pgrep -P "$1"); do kill_tree "$child"; done
  kill "$1" 2>/dev/null || true
}
trap '[ -z "$tidy" ] || kill_tree "$tidy"' EXIT

(cd "$here/build" && ctest --output-on-failure -j2)

if [ "${KELVO_SKIP_SANITIZERS:-0}" != 1 ]; then
  # Leak reports would come from the toolkit's own caches, not from our code.
  export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  # The sanitizer builds are unity builds (a batch of sources per compiler run): the same
  # code in less than half the compile time. The normal build stays one file a compiler run,
  # which is what clang-tidy reads and what shows a missing include.
  KELVO_BUILD_DIR="$here/build-asan" "$here/scripts/build.sh" -DKELVO_SANITIZE=ON \
    -DCMAKE_BUILD_TYPE=Debug -DCMAKE_UNITY_BUILD=ON
  start_tidy "$here/build-asan"
  # The switch-off end-to-end test clicks through three real windows for 45 s, the period
  # one times its clicks to a tenth of a second, and the charge waits half a minute for its
  # cell; the normal build runs them, and the sanitizers see the same paths in the Qt tests,
  # the scenario tests and the soaks.
  (cd "$here/build-asan" &&
    ctest --output-on-failure -j2 -E 'EndToEnd.SwitchOffAndRecovery|EndToEnd.PeriodChargeAndEnergy|EndToEnd.ProfileCharge')

  # ThreadSanitizer where there are two threads: the Qt tests (the send timer's thread, the
  # serial port written from it) and a one-minute fault soak, which closes and reopens the
  # port under the send stream. Only those two are built. Qt's own internals are
  # suppressed (scripts/tsan.supp); any report that involves our code fails the run.
  generator=()
  [ -f "$here/build-tsan/CMakeCache.txt" ] || generator=(-G Ninja)
  cmake "${generator[@]}" -S "$here" -B "$here/build-tsan" -DKELVO_TSAN=ON \
    -DCMAKE_UNITY_BUILD=ON >/dev/null
  cmake --build "$here/build-tsan" -j"$(nproc)" --target kelvo_qt_tests kelvo-soak
  tsan="suppressions=$here/scripts/tsan.supp:halt_on_error=1:second_deadlock_stack=1"
  # The announcer has no thread of its own (all of it runs on the event loop); its tests
  # start a message bus with QProcess, and a fork of a process with threads is what
  # ThreadSanitizer does not follow, so they run in the other builds only.
  TSAN_OPTIONS=$tsan "$here/build-tsan/bin/kelvo_qt_tests" \
    --gtest_filter='-Announcer.*:AnnouncerUnderTheDaemon.*'
  TSAN_OPTIONS=$tsan "$here/build-tsan/bin/kelvo-soak" --minutes 1
fi
[ -n "$tidy" ] || start_tidy "$here/build"

# Each fuzz target for 6 seconds.
if [ "${KELVO_SKIP_FUZZ:-0}" != 1 ]; then
  "$here/scripts/fuzz.sh" 6
fi

# A minute of the fault soak on the normal build (and one under ThreadSanitizer above): the
# simulator misbehaves every way it can while a scripted user keeps the output on; the
# program must come through.
if [ "${KELVO_SKIP_SOAK:-0}" != 1 ]; then
  "$here/build/bin/kelvo-soak" --minutes 1
fi

if [ -n "$tidy" ]; then
  if ! wait "$tidy"; then
    tidy=""
    cat "$tidy_log" >&2
    exit 1
  fi
  tidy=""
  cat "$tidy_log"
fi
