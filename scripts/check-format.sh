#!/usr/bin/env bash
# Checks that every tracked C/C++ file is formatted as .clang-format says;
# names the files that are not (fix: clang-format -i FILE). Exit status 1
# when one is not.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.c')
status=0
for f in "${files[@]}"; do
  if ! clang-format --dry-run --Werror "$f" 2>/dev/null; then
    echo "not formatted: $f" >&2
    status=1
  fi
done
[ $status -eq 0 ] && echo "format: ${#files[@]} files as .clang-format says"
exit $status
