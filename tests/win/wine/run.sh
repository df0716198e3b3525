#!/usr/bin/env bash
# CTest's emulator for Windows test programs: runs one program with the
# build's Wine (env.sh) in this run's private prefix. Q_WINE_ROOT is the
# build's wine folder.
# Q_WINE_GRAPHICS=x11 picks the x11 prefix and the run's Xvfb display.
set -u
root=${Q_WINE_ROOT:?Q_WINE_ROOT not set}
kind=${Q_WINE_GRAPHICS:-null}
# shellcheck source=tests/win/wine/env.sh
source "$(dirname "$0")/env.sh" "$root"
q_wine_enter "$0" "$@"
export WINEPREFIX=$root/prefix-$kind WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export HOME=$root/home
if [ "$kind" = x11 ]; then
  export DISPLAY=$(cat "$root/display" 2>/dev/null || echo :99)
else
  unset DISPLAY
fi
exec "$Q_WINE" "$@"
