#!/usr/bin/env bash
# Starts an Xvfb for this test run on the first free display from :90 and
# records it in ROOT/display, for tests that take screenshots or click.
set -euo pipefail
root=${1:?usage: xvfb-start.sh ROOT}
if [ -f "$root/xvfb.pid" ] && kill -0 "$(cat "$root/xvfb.pid")" 2>/dev/null; then exit 0; fi
# Tests starting at once take turns: each sees the displays the others took.
exec 9>"${TMPDIR:-/tmp}/q-xvfb-start.lock"
flock 9
for n in $(seq 90 130); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
  setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 9>&- &
  pid=$!
  for _ in $(seq 1 50); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then
    echo "$pid" > "$root/xvfb.pid"
    echo ":$n" > "$root/display"
    exit 0
  fi
done
echo "xvfb-start: no free display" >&2
exit 1
