#!/usr/bin/env bash
# Checks that every C and C++ file of the tree is formatted as .clang-format
# says; lists the files that are not. `scripts/format-check.sh --fix`
# formats them in place.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.c' '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
mapfile -t bad < <(clang-format --dry-run --Werror "${files[@]}" 2>&1 |
                   sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error:.*/\1/p' | sort -u)
if [ ${#bad[@]} -gt 0 ]; then
  echo "not formatted as .clang-format says (scripts/format-check.sh --fix formats them):"
  printf '  %s\n' "${bad[@]}"
  exit 1
fi
echo "format: all ${#files[@]} files as .clang-format says"
