#!/usr/bin/env bash
# Lists the longest functions of src/ (default ten; `-n N` for more), each
# with its length in lines and place. A function longer than 80 lines must
# say why in the comment right above it (a comment with the word "long");
# exit status 1, naming them, when one does not.
set -euo pipefail
cd "$(dirname "$0")/.."
count=10
[ "${1:-}" = "-n" ] && count=$2
limit=80
tags=$(ctags -R --languages=C++ --c++-kinds=f --fields=+ne -o - src 2>/dev/null)
# length<TAB>file<TAB>first line<TAB>name, longest first
table=$(awk -F'\t' '{
    line = 0; end = 0
    for (i = 4; i <= NF; i++) {
      if ($i ~ /^line:/) line = substr($i, 6)
      if ($i ~ /^end:/) end = substr($i, 5)
    }
    if (end) printf "%d\t%s\t%d\t%s\n", end - line + 1, $2, line, $1
  }' <<<"$tags" | sort -t$'\t' -k1,1nr -k2,2 -k3,3n)
head -n "$count" <<<"$table" | awk -F'\t' '{printf "%5d  %s:%d %s\n", $1, $2, $3, $4}'

# The comment block right above a definition (or above its template line)
# must say why the function is long.
status=0
while IFS=$'\t' read -r length file line name; do
  [ "$length" -gt "$limit" ] || break
  if ! awk -v at="$line" 'NR < at { lines[NR] = $0 } END {
        n = at - 1
        if (n > 0 && lines[n] ~ /^[[:space:]]*template[[:space:]]*</) n--
        found = 0
        while (n > 0 && lines[n] ~ /^[[:space:]]*\/\//) {
          if (tolower(lines[n]) ~ /(^|[^a-z])long([^a-z]|$)/) found = 1
          n--
        }
        exit found ? 0 : 1
      }' "$file"; then
    echo "error: $file:$line $name has $length lines and no comment saying why" >&2
    status=1
  fi
done <<<"$table"
exit $status
