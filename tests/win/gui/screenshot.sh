#!/usr/bin/env bash
# Runs gui-demo.exe under Xvfb, saves its window as
# $Q_BUILD/screenshots/gui-demo.png (and the whole screen beside it) and
# checks a few pixels: white ground, the grey frame of Panel1, blue text.
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

pixel() {  # x y -> "r,g,b"
  convert "$out/gui-demo.png" -format "%[fx:int(255*p{$1,$2}.r)],%[fx:int(255*p{$1,$2}.g)],%[fx:int(255*p{$1,$2}.b)]" info:
}
count_blue() {  # w h x y -> number of pure blue pixels in the rectangle
  convert "$out/gui-demo.png" -crop "$1x$2+$3+$4" +repage \
    -fx 'r < 0.01 && g < 0.01 && b > 0.99 ? 1 : 0' -format '%[fx:int(mean*w*h+0.5)]' info:
}
fail=0
check() {  # description actual expected
  if [ "$2" != "$3" ]; then echo "FAIL $1: $2 (expected $3)"; fail=1; else echo "ok   $1: $2"; fi
}
check "white ground" "$(pixel 10 60)" "255,255,255"
check "white ground under the text" "$(pixel 320 150)" "255,255,255"
[ "$(pixel 0 150)" != "255,255,255" ] && echo "ok   frame at the left edge: $(pixel 0 150)" || { echo "FAIL frame missing"; fail=1; }
[ "$(pixel 627 150)" != "255,255,255" ] && echo "ok   bevel at the right edge: $(pixel 627 150)" || { echo "FAIL bevel missing"; fail=1; }
title=$(count_blue 612 32 9 9)
body=$(count_blue 612 75 9 41)
status=$(count_blue 618 15 6 276)
echo "blue pixels: title $title, disclaimer $body, status line $status"
[ "$title" -gt 300 ] && [ "$body" -gt 1500 ] && [ "$status" -gt 200 ] || { echo "FAIL blue text"; fail=1; }
echo "screenshot: $out/gui-demo.png"
exit $fail
