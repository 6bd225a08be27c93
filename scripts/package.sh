#!/usr/bin/env bash
# Builds KELVO (optimised; cpack strips the debugging data) in build-release/ and the
# Debian package from it, and prints the package's path. Install it with
#   sudo apt install ./build-release/kelvo_1.0_amd64.deb
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh" test
build=${KELVO_BUILD_DIR:-$here/build-release}
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVO_TESTS=OFF -DKELVO_BENCH=OFF \
  >/dev/null
cmake --build "$build" -j"$(nproc)"
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/kelvo_*.deb
