#!/usr/bin/env bash
# Configures and builds KELVO into a build folder (default build/); extra arguments go to
# CMake's configure step.
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
dir=${KELVO_BUILD_DIR:-$here/build}
# Ninja keeps both cores busy across targets; a folder configured before keeps its generator.
generator=()
[ -f "$dir/CMakeCache.txt" ] || generator=(-G Ninja)
cmake "${generator[@]}" -S "$here" -B "$dir" "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
