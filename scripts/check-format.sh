#!/usr/bin/env bash
# Fails when a C++ source file differs from what clang-format makes of it
# (.clang-format at the top); `--fix` rewrites them instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
mapfile -t files < <(git ls-files '*.cpp' '*.h' | grep -E '^(src|apps|central|tests|tools|bench|fuzz)/')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
if ! clang-format --dry-run --Werror "${files[@]}" 2>/tmp/velorin-format.$$; then
  grep -E "^[^ ].*: (error|warning):" /tmp/velorin-format.$$ | cut -d: -f1 | sort -u | sed 's/^/not formatted: /'
  rm -f /tmp/velorin-format.$$
  echo "run scripts/check-format.sh --fix"
  exit 1
fi
rm -f /tmp/velorin-format.$$
echo "formatting: ${#files[@]} files as .clang-format says"
