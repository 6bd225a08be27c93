#!/usr/bin/env bash
# Builds and runs the benchmarks, printing their figures. Not part of the tests.
#   scripts/bench.sh [SECONDS]    length of the send-stream run (default 60)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh"
KELVO_BUILD_DIR="$here/build-release" "$here/scripts/build.sh" -DCMAKE_BUILD_TYPE=Release -DKELVO_TESTS=OFF
bin="$here/build-release/bin"
echo "== send stream of kelvo on a pseudo-terminal, answered like a supply"
"$bin/kelvo-stream-bench" "$bin/kelvo" "${1:-60}"
