# Shared by the scripts that run a program under the run's Xvfb and look at
# its pixels (source it). Needs Q_WINE_ROOT, Q_BIN and Q_BUILD.

# shots_begin NAME...: SHOTS (the screenshot folder) made, the named files
# in it removed, DISPLAY set to the run's Xvfb.
shots_begin() {
  : "${Q_WINE_ROOT:?}" "${Q_BIN:?}" "${Q_BUILD:?}"
  SHOTS=$Q_BUILD/screenshots
  mkdir -p "$SHOTS"
  local name
  for name in "$@"; do rm -f "$SHOTS"/$name; done
  DISPLAY=$(cat "$Q_WINE_ROOT/display")
  export DISPLAY
}

# shots_launch LOG EXE ARGS...: starts a program of the build under Wine on
# the display, in the background (its pid in SHOT_PID); its output, and any
# Wine helper it starts, goes to LOG, not to the test's pipes.
shots_launch() {
  local log=$1 exe=$2
  shift 2
  Q_WINE_GRAPHICS=x11 setsid "$Q_WINE_ROOT/run" "$Q_BIN/$exe" "$@" </dev/null >"$log" 2>&1 &
  SHOT_PID=$!
}

# shots_await_window TITLE TENTHS: waits up to TENTHS tenths of a second for
# a window titled TITLE; stops the program and fails when none appears.
shots_await_window() {
  local tries
  for tries in $(seq 1 "$2"); do
    xdotool search --name "^$1\$" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "no window named $1 appeared" >&2
  kill "$SHOT_PID" 2>/dev/null || true
  return 1
}

# shots_finish NAME: waits for the program; fails with its status.
shots_finish() {
  wait "$SHOT_PID" || { local rc=$?; echo "$1 exited with status $rc" >&2; return 1; }
}

# screen_size: "width height" of the display.
screen_size() {
  xdpyinfo | awk '/dimensions:/ { split($2, a, "x"); print a[1], a[2] }'
}

# pixel FILE X Y: "r,g,b" (0-255) of one pixel.
pixel() {
  convert "$1[1x1+$2+$3]" -format '%[fx:round(255*r)],%[fx:round(255*g)],%[fx:round(255*b)]' info:
}
