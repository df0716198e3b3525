#!/usr/bin/env bash
# CTest fixture clean-up: stop the run's wineservers and its Xvfb.
root=${1:?usage: stop.sh ROOT}
# shellcheck source=tests/win/wine/env.sh
source "$(dirname "$0")/env.sh" "$root"
q_wine_enter "$0" "$@"
for kind in null x11; do
  WINEPREFIX=$root/prefix-$kind "$Q_WINESERVER" -k >/dev/null 2>&1 || true
done
if [ -f "$root/xvfb.pid" ]; then
  kill "$(cat "$root/xvfb.pid")" 2>/dev/null || true
  rm -f "$root/xvfb.pid" "$root/display"
fi
exit 0
