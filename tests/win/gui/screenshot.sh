#!/usr/bin/env bash
# Runs gui-demo.exe under Xvfb, saves its window as
# $Q_BUILD/screenshots/gui-demo.png (and the whole screen beside it) and
# checks that the real program drew its dialog.
set -euo pipefail
root=${Q_WINE_ROOT:?} bin=${Q_BIN:?} build=${Q_BUILD:?}
out=$build/screenshots
mkdir -p "$out"
rm -f "$out/gui-demo.png" "$out/gui-demo-screen.png"
export DISPLAY
DISPLAY=$(cat "$root/display")

# The demo closes itself; its output (and any Wine helper it starts) goes
# to a log, not to the test's pipes.
Q_WINE_ROOT=$root Q_WINE_GRAPHICS=x11 setsid "$root/run" "$bin/gui-demo.exe" --close-after 8000 \
  </dev/null >"$out/gui-demo.log" 2>&1 &
demo=$!
found=
for _ in $(seq 1 100); do
  if xdotool search --name '^Form3$' >/dev/null 2>&1; then found=1; break; fi
  sleep 0.1
done
if [ -z "$found" ]; then
  echo "gui-demo: no window named Form3 appeared" >&2
  kill "$demo" 2>/dev/null || true
  exit 1
fi
sleep 1.5
import -window root "$out/gui-demo-screen.png"
read -r sw sh < <(xdpyinfo | awk '/dimensions:/ { split($2, a, "x"); print a[1], a[2] }')
left=$(( (sw - 630) / 2 )) top=$(( (sh - 297) / 2 ))
convert "$out/gui-demo-screen.png" -crop "630x297+$left+$top" +repage "$out/gui-demo.png"
wait "$demo" || { echo "gui-demo exited with status $?" >&2; exit 1; }

# The pixels themselves are checked in gui_x11_tests; here only that the
# real program showed something: white ground with blue text in the title.
pixel=$(convert "$out/gui-demo.png" -format '%[fx:int(255*p{10,60}.r)],%[fx:int(255*p{10,60}.g)],%[fx:int(255*p{10,60}.b)]' info:)
title=$(convert "$out/gui-demo.png" -crop 612x32+9+9 +repage \
  -fx 'r < 0.01 && g < 0.01 && b > 0.99 ? 1 : 0' -format '%[fx:int(mean*w*h+0.5)]' info:)
echo "ground $pixel, blue title pixels $title; screenshot: $out/gui-demo.png"
[ "$pixel" = "255,255,255" ] && [ "$title" -gt 300 ]
