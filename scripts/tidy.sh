#!/usr/bin/env bash
# clang-tidy over every file the build compiles from src/, tools/, tests/ and bench/, with
# the checks of .clang-tidy (tests/ and bench/ with what their own .clang-tidy leaves out);
# any finding fails. Needs a built build folder (default build/) for its compile commands
# and its generated sources.
#
# A unity build (a batch of sources a compiler run) is read a batch at a time: the toolkit's
# headers, most of the work, are then read once a batch instead of once a file, which takes
# the check of the tree from a quarter of an hour of both cores to a few minutes. Its findings
# still name the source file and line.
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
dir=$(cd "${KELVO_BUILD_DIR:-$here/build}" && pwd)
log="$dir/clang-tidy.log"
: >"$log"

# One group of files: a folder of the tree, with the checks its .clang-tidy leaves out.
# clang-tidy 19 checks a file of the window in a third of the time clang-tidy 14 takes. The
# build passes GCC-only warning options that clang does not know. A unity source is found by
# its path in the build folder, and the tree's .clang-tidy named, since the build folder
# may be outside the tree.
check() {
  local folders=$1 batches=$2 without=$3
  local files="^($here/($folders)/|$dir/($batches)/Unity/unity_)"
  run-clang-tidy-19 -clang-tidy-binary clang-tidy-19 -p "$dir" -j"$(nproc)" -quiet \
    -config-file="$here/.clang-tidy" ${without:+-checks=$without} \
    -extra-arg=-Wno-unknown-warning-option "$files" >>"$log" 2>&1 || true
}
check "src|tools" "CMakeFiles/[^/]+|(src|tools)/.*" ""
check "tests" "tests/.*" "-bugprone-unchecked-optional-access"
check "bench" "bench/.*" "-readability-function-size"

# A unity source includes its batch's .cpp files: that is what it is for.
if grep -E '(warning|error):' "$log" | grep -v 'warnings generated' |
  grep -vE '/Unity/unity_[0-9]+_cxx\.cxx:[0-9]+:[0-9]+: error: suspicious #include of file with' |
  sort -u | tee "$dir/clang-tidy.findings" | grep -q .; then
  cat "$dir/clang-tidy.findings"
  echo "clang-tidy: $(wc -l <"$dir/clang-tidy.findings") findings (all of them in $log)" >&2
  exit 1
fi
echo "clang-tidy: clean"
