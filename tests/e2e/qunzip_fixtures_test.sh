#!/usr/bin/env bash
# The engine as the Windows build carries it: `qunzip.exe t` on every
# third-party fixture archive gives the same per-entry results and exit
# status as the Linux build of the same engine (Q_PEER_QUNZIP), whose own
# suites check it against zlib, libdeflate and 7-Zip. For the i686 build
# this is where pointer size, the C runtime and the CRC paths of a 32-bit
# CPU meet real archives.
set -uo pipefail
: "${Q_WINE_ROOT:?}" "${Q_BUILD:?}" "${Q_PEER_QUNZIP:?}"
fixtures=${Q_FIXTURES_DIR:?}
qunzip=${Q_SHIPPED:-$Q_BUILD}/bin/qunzip.exe
if [ ! -x "$Q_PEER_QUNZIP" ]; then
  echo "SKIP: no Linux qunzip at $Q_PEER_QUNZIP to compare with (build the native preset)"
  exit 77
fi
export WINEPREFIX=$Q_WINE_ROOT/prefix-null WINEDEBUG=-all HOME=$Q_WINE_ROOT/home
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY
# shellcheck source=tests/win/wine/env.sh
source "$(dirname "$0")/../win/wine/env.sh" "$Q_WINE_ROOT"

failed=0 count=0
cd "$fixtures" || exit 1
for archive in *; do
  [ -f "$archive" ] && [ "${archive##*.}" != md ] || continue
  count=$((count + 1))
  # Entry names use the platform's separator, and messages name the archive
  # by its full path; everything else must match.
  folder='s#^qunzip: ([A-Za-z]:)?/[^ ]*/([^/ ]+): #qunzip: \2: #'
  want=$("$Q_PEER_QUNZIP" t "$archive" 2>&1 | sed -E "$folder"; echo "exit ${PIPESTATUS[0]}")
  got=$("$Q_WINE" "$qunzip" t "$archive" 2>&1 | tr -d '\r' | tr '\\' / | sed -E "$folder"
        echo "exit ${PIPESTATUS[0]}")
  if [ "$got" = "$want" ]; then
    echo "ok:   $archive ($(tail -1 <<<"$got"))"
  else
    echo "FAIL: $archive"
    diff <(echo "$want") <(echo "$got") | head -20
    failed=$((failed + 1))
  fi
done
echo "qunzip fixtures: $count archives, $failed different from the Linux build"
[ "$count" -gt 0 ] && [ "$failed" -eq 0 ]
