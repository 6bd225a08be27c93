#!/usr/bin/env bash
# Builds the libFuzzer targets in fuzz/ with clang into build-fuzz/ and runs each, one
# after the other, for N seconds (first argument, default 30) on a copy of its seed corpus
# in fuzz/corpus/<target>/. Extra arguments go to every fuzzer: "scripts/fuzz.sh 3600
# -runs=10000000" runs each for ten million inputs or an hour, whichever comes first.
# Exits non-zero when a target crashes or breaks one of its rules; the input that did it
# is kept as build-fuzz/crashes/<target>-*. KELVO_FUZZ_TARGETS="step_csv run_report" builds
# and runs only those.
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh"

seconds=${1:-30}
shift || true
out=${KELVO_FUZZ_DIR:-$here/build-fuzz}
every_target="reply_frame setpoint_text leading_number step_csv record_reader scpi_line timeline_files limit_options history_period journal_recovery vxi11_records run_report profile_text"
# shellcheck disable=SC2206 # the names are words
targets=(${KELVO_FUZZ_TARGETS:-$every_target})

cxx=${KELVO_FUZZ_CXX:-clang++}
flags=(-std=c++20 -O1 -g -fno-omit-frame-pointer -Wall -Wextra -Wpedantic -Werror
  -fsanitize=address,undefined -fno-sanitize-recover=undefined -I"$here/src")

# The program's logic, instrumented for coverage: every source of the core and of posix/.
mkdir -p "$out/obj" "$out/crashes"
sources=()
shopt -s nullglob
for dir in base app link settings program chart layout record meter history remote limits posix; do
  sources+=("$here"/src/$dir/*.cpp)
done
shopt -u nullglob
objects=()
batch=()
for src in "${sources[@]}"; do
  rel=${src#"$here"/src/}
  obj="$out/obj/${rel//\//_}.o"
  objects+=("$obj")
  # As many compiles at a time as there are cores; waiting on each one by its id makes
  # a failed compile end the script.
  "$cxx" "${flags[@]}" -fsanitize=fuzzer-no-link -c "$src" -o "$obj" &
  batch+=($!)
  if [ ${#batch[@]} -ge "$(nproc)" ]; then
    for pid in "${batch[@]}"; do wait "$pid"; done
    batch=()
  fi
done
for pid in "${batch[@]}"; do wait "$pid"; done

# limit_options reads the program's command line through Qt's parser and its listening
# address through Qt Network (neither instrumented), which want position-independent code.
qt_core=(-fPIC $(pkg-config --cflags Qt6Core Qt6Network))
"$cxx" "${flags[@]}" "${qt_core[@]}" -DKELVO_VERSION='"fuzz"' -fsanitize=fuzzer-no-link \
  -c "$here/src/main/command_line.cpp" -o "$out/obj/main_command_line.cpp.o"

# vxi11_records takes the LAN instrument's calls apart through the XDR routines rpcgen makes
# from src/vxi11/vxi11.x, over libtirpc.
tirpc=($(pkg-config --cflags libtirpc))
mkdir -p "$out/gen/vxi11_rpcgen"
(cd "$out/gen/vxi11_rpcgen" && cp "$here/src/vxi11/vxi11.x" . && rm -f vxi11.h vxi11_xdr.c &&
  rpcgen -h -o vxi11.h vxi11.x && rpcgen -c -o vxi11_xdr.c vxi11.x)
"$cxx" -x c -w -O1 -g "${tirpc[@]}" -fsanitize=address,undefined,fuzzer-no-link \
  -c "$out/gen/vxi11_rpcgen/vxi11_xdr.c" -o "$out/obj/vxi11_xdr.c.o"
vxi11_objects=("$out/obj/vxi11_xdr.c.o")
for src in device device_calls record rpc_message xdr_codec; do
  "$cxx" "${flags[@]}" "${tirpc[@]}" -isystem "$out/gen" -fsanitize=fuzzer-no-link \
    -c "$here/src/vxi11/$src.cpp" -o "$out/obj/vxi11_$src.cpp.o"
  vxi11_objects+=("$out/obj/vxi11_$src.cpp.o")
done

for t in "${targets[@]}"; do
  extra=()
  case $t in
  limit_options) extra=("$out/obj/main_command_line.cpp.o" $(pkg-config --libs Qt6Network Qt6Core)) ;;
  vxi11_records) extra=("${vxi11_objects[@]}" $(pkg-config --libs libtirpc)) ;;
  esac
  "$cxx" "${flags[@]}" -fsanitize=fuzzer "$here/fuzz/$t.cpp" "${objects[@]}" "${extra[@]}" -o "$out/$t"
done

export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

failed=()
for t in "${targets[@]}"; do
  corpus="$out/corpus/$t"
  rm -rf "$corpus"
  mkdir -p "$corpus"
  cp "$here/fuzz/corpus/$t"/* "$corpus/"
  log="$out/$t.log"
  start=$(date +%s)
  if "$out/$t" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$out/crashes/$t-" "$@" "$corpus" >"$log" 2>&1; then
    status=ok
  else
    status=FAILED
    failed+=("$t")
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  echo "fuzz $t: $status, ${runs:-?} inputs in $(($(date +%s) - start)) s"
  if [ "$status" != ok ]; then
    grep -E 'rule broken|ERROR|runtime error|SUMMARY|Test unit written' "$log" >&2 || tail -40 "$log" >&2
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: failed: ${failed[*]} (logs in $out)" >&2
  exit 1
fi
