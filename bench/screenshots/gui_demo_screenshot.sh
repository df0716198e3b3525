#!/usr/bin/env bash
# Runs gui-demo.exe under Xvfb, saves its window as
# $Q_BUILD/screenshots/gui-demo.png (and the whole screen beside it) and
# checks that the real program drew its dialog.
set -euo pipefail
source "$(dirname "$0")/../../tests/win/wine/screenshots.sh"
shots_begin gui-demo.png gui-demo-screen.png
out=$SHOTS

# The demo closes itself.
shots_launch "$out/gui-demo.log" gui-demo.exe --close-after 8000
shots_await_window Form3 100
sleep 1.5
import -window root "$out/gui-demo-screen.png"
read -r sw sh < <(screen_size)
left=$(( (sw - 630) / 2 )) top=$(( (sh - 297) / 2 ))
convert "$out/gui-demo-screen.png" -crop "630x297+$left+$top" +repage "$out/gui-demo.png"
shots_finish gui-demo

# The pixels themselves are checked in gui_tests; here only that the
# real program showed something: white ground with blue text in the title.
pixel=$(pixel "$out/gui-demo.png" 10 60)
title=$(convert "$out/gui-demo.png" -crop 612x32+9+9 +repage \
  -fx 'r < 0.01 && g < 0.01 && b > 0.99 ? 1 : 0' -format '%[fx:int(mean*w*h+0.5)]' info:)
echo "ground $pixel, blue title pixels $title; screenshot: $out/gui-demo.png"
[ "$pixel" = "255,255,255" ] && [ "$title" -gt 300 ]
