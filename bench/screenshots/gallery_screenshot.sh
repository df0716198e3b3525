#!/usr/bin/env bash
# Runs button-gallery.exe under Xvfb, saves its client area as
# $Q_BUILD/screenshots/button-gallery.png (the whole screen beside it) and
# checks the installer's two answer buttons: their colours fill them and
# their captions are drawn in white and navy.
set -euo pipefail
source "$(dirname "$0")/../../tests/win/wine/screenshots.sh"
shots_begin button-gallery.png button-gallery-screen.png
out=$SHOTS
# The pointer stays off the gallery: no button shows hover by accident.
xdotool mousemove 0 0 >/dev/null 2>&1 || true

log=$out/button-gallery.log
shots_launch "$log" button-gallery.exe --close-after 6000
geometry=
for _ in $(seq 1 100); do
  geometry=$(tr -d '\r' <"$log" | awk '/^client / { print $2, $3, $4, $5; exit }')
  [ -n "$geometry" ] && break
  sleep 0.1
done
if [ -z "$geometry" ]; then
  echo "button-gallery: it never reported its window" >&2
  kill "$SHOT_PID" 2>/dev/null || true
  exit 1
fi
read -r left top width height <<<"$geometry"
sleep 1.5
import -window root "$out/button-gallery-screen.png"
convert "$out/button-gallery-screen.png" -crop "${width}x${height}+${left}+${top}" +repage \
  "$out/button-gallery.png"
shots_finish button-gallery

count() {  # w h x y fx-test -> number of pixels in the rectangle that pass the test
  convert "$out/button-gallery.png" -crop "$1x$2+$3+$4" +repage \
    -fx "$5 ? 1 : 0" -format '%[fx:int(mean*w*h+0.5)]' info:
}
fail=0
at_least() {  # description actual minimum
  if [ "$2" -ge "$3" ]; then echo "ok   $1: $2"; else echo "FAIL $1: $2 (at least $3)"; fail=1; fi
}
# The answer buttons sit at (16, 682) 193 x 105 and (408, 682) 201 x 105.
green='abs(r-0)<0.01 && abs(g-128/255)<0.01 && b<0.01'
red='r>0.99 && g<0.01 && b<0.01'
white='r>0.99 && g>0.99 && b>0.99'
navy='r<0.01 && g<0.01 && abs(b-128/255)<0.01'
at_least "Yes button green" "$(count 193 105 16 682 "$green")" 15000
at_least "Yes caption white" "$(count 193 105 16 682 "$white")" 60
at_least "No button red" "$(count 201 105 408 682 "$red")" 15000
at_least "No caption navy" "$(count 201 105 408 682 "$navy")" 30
echo "screenshot: $out/button-gallery.png"
exit $fail
