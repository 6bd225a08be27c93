#!/usr/bin/env bash
# The rules a reviewer would otherwise check by eye, on every C++ file git knows:
#   - clang-format (.clang-format) leaves it as it is;
#   - no source of the program or its tools (src/, tools/, fuzz/) reaches 450 lines;
#   - every include points down the floors of src/ (scripts/layers.py; the build checks it
#     too).
# Status 1 and each file named when a rule is broken.
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
limit=450
failed=0

mapfile -t files < <(git ls-files '*.cpp' '*.h')
if ! clang-format --dry-run -Werror "${files[@]}" 2>/tmp/kelvo-format.$$; then
  grep -E '^[^ ].*error:' /tmp/kelvo-format.$$ | cut -d: -f1 | sort -u |
    sed 's/^/clang-format would change /' >&2
  echo "check-style: run clang-format -i on the files above" >&2
  failed=1
fi
rm -f /tmp/kelvo-format.$$

for f in $(git ls-files 'src/*' 'tools/*' 'fuzz/*' | grep -E '\.(cpp|h)$'); do
  lines=$(wc -l <"$f")
  if [ "$lines" -ge "$limit" ]; then
    echo "check-style: $f has $lines lines; a file stays under $limit" >&2
    failed=1
  fi
done

python3 scripts/layers.py --check src || failed=1

[ "$failed" -eq 0 ] && echo "check-style: ${#files[@]} files formatted, under $limit lines, includes pointing down"
exit "$failed"
