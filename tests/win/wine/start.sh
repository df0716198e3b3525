#!/usr/bin/env bash
# CTest fixture set-up: fresh copies of the templates for this test run, and
# one persistent wineserver per prefix so that each test starts in ~0.2 s.
# Output goes to /dev/null: CTest waits for every process holding its pipes.
set -euo pipefail
root=${1:?usage: start.sh ROOT}
# shellcheck source=tests/win/wine/env.sh
source "$(dirname "$0")/env.sh" "$root"
q_wine_enter "$0" "$@"
server=$Q_WINESERVER
for kind in null x11; do
  pfx=$root/prefix-$kind
  WINEPREFIX=$pfx "$server" -k >/dev/null 2>&1 || true
  rm -rf "$pfx"
  cp -a "$root/template-$kind" "$pfx"
  WINEPREFIX=$pfx setsid "$server" -p </dev/null >/dev/null 2>&1 &
done
wait
# The first program in a prefix starts Wine's services (services.exe,
# winedevice, explorer...), which live on with the stdio they inherited:
# start them here, on /dev/null, not inside a test that CTest waits for.
for kind in null x11; do
  (export WINEPREFIX=$root/prefix-$kind WINEDEBUG=-all HOME=$root/home
   export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
   unset DISPLAY
   setsid "$Q_WINE" cmd /c exit </dev/null >/dev/null 2>&1) &
done
wait
