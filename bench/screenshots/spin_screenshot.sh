#!/usr/bin/env bash
# Runs spin-demo.exe under Xvfb and takes a series of screenshots of its
# window, $Q_BUILD/screenshots/spin-1.png .. spin-6.png, a few steps apart.
# Checks that the spinning button really turns (the shots differ around
# it, and no two in a row are equal) while its centre stays on the button
# (the pivot is its centre), and that the rest of the window stays put.
set -euo pipefail
source "$(dirname "$0")/../../tests/win/wine/screenshots.sh"
shots_begin 'spin-*.png' spin-demo.log
out=$SHOTS

shots=6
shots_launch "$out/spin-demo.log" spin-demo.exe --close-after 12000
shots_await_window SpinDemo 150
sleep 1.5
read -r sw sh < <(screen_size)
left=$(( (sw - 560) / 2 )) top=$(( (sh - 300) / 2 ))
# 40 ms steps of 4 degrees: 0.37 s apart is about 9 steps, 37 degrees.
# The centre of the button is on the button, never the white ground; a
# shot that catches the moved window before its repaint reached the
# X server shows it blank there, and is taken again (counted below).
fail=0 retaken=0
for i in $(seq 1 $shots); do
  for _ in 1 2 3; do
    import -window root -crop "560x300+$left+$top" +repage "$out/spin-$i.png"
    [ "$(pixel "$out/spin-$i.png" 140 150)" != "255,255,255" ] && break
    retaken=$((retaken + 1))
  done
  sleep 0.37
done
shots_finish spin-demo
echo "shots taken again because they caught the window between move and repaint: $retaken"
differ() {  # file1 file2 x y w h -> pixels that differ in the rectangle
  compare -metric AE -extract "$5x$6+$3+$4" "$1" "$2" null: 2>&1 || true
}
# The spinner's box about its centre (140, 150): a 200 x 100 arrow turning
# about its centre stays inside a circle of radius 112.
for i in $(seq 2 $shots); do
  moved=$(differ "$out/spin-$((i - 1)).png" "$out/spin-$i.png" 26 36 228 228)
  still=$(differ "$out/spin-$((i - 1)).png" "$out/spin-$i.png" 300 0 260 300)
  echo "spin-$((i - 1)) -> spin-$i: $moved pixels changed around the spinner, $still beside it"
  [ "${moved%%.*}" -gt 500 ] || { echo "FAIL the button did not turn"; fail=1; }
  [ "${still%%.*}" -eq 0 ] || { echo "FAIL the other buttons changed"; fail=1; }
done
for i in $(seq 1 $shots); do
  c=$(pixel "$out/spin-$i.png" 140 150)
  [ "$c" != "255,255,255" ] || { echo "FAIL spin-$i: the centre left the button"; fail=1; }
done
echo "screenshots: $out/spin-1.png .. spin-$shots.png"
exit $fail
