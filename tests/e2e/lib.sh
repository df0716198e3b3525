# shellcheck shell=bash
# Machinery for driving Windows programs under Wine + Xvfb from outside,
# as a person would: a private prefix, windows found and clicked through
# qe2e.exe (child controls are not X windows), keys through xdotool,
# screenshots with ImageMagick, and the checks of an installation (files
# against the payload archive, shortcuts, uninstall entry). Sourced by the
# end-to-end tests and by scripts/run-installer.sh.
#
# Set before sourcing: E2E_WINE_ROOT (the build's wine folder with the
# template prefixes), E2E_BIN (the build's bin folder), E2E_SHOTS (where
# screenshots go); under CTest, e2e_test_begin sets them from Q_WINE_ROOT,
# Q_BIN and Q_BUILD instead.

E2E_FAILURES=0
E2E_OWN_XVFB=
E2E_SCRIPTS=$(cd "$(dirname "${BASH_SOURCE[0]}")/../win/wine" && pwd)
# The build's Wine: wine64, or the 32-bit one for the i686 build.
# shellcheck source=tests/win/wine/env.sh
source "$E2E_SCRIPTS/env.sh" "${E2E_WINE_ROOT:-${Q_WINE_ROOT:-}}"
E2E_WINE=$Q_WINE
E2E_SERVER=$Q_WINESERVER

e2e_log() { printf '%s\n' "$*"; }
e2e_fail() { printf 'FAIL: %s\n' "$*"; E2E_FAILURES=$((E2E_FAILURES + 1)); }
e2e_pass() { printf 'ok:   %s\n' "$*"; }
# e2e_check DESCRIPTION COMMAND...: one check, reported either way.
e2e_check() {
  local what=$1; shift
  if "$@"; then e2e_pass "$what"; else e2e_fail "$what"; return 1; fi
}
# e2e_require DESCRIPTION COMMAND...: a check the rest depends on; the
# script ends when it fails.
e2e_require() {
  e2e_check "$@" || { echo "(stopping: the checks after this one depend on it)"; exit 1; }
}

# e2e_prefix DIR: a fresh prefix in DIR/prefix, copied from the x11
# template, with its own persistent wineserver (stopped by e2e_cleanup).
e2e_prefix() {
  local dir=$1
  mkdir -p "$dir"
  export WINEPREFIX=$dir/prefix WINEDEBUG=${WINEDEBUG:--all} HOME=$E2E_WINE_ROOT/home
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  "$E2E_SERVER" -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
  cp -a "$E2E_WINE_ROOT/template-x11" "$WINEPREFIX"
  setsid "$E2E_SERVER" -p </dev/null >/dev/null 2>&1 &
  # Wine's services start with the first program and live on with the
  # output they inherited: start them on /dev/null.
  setsid "$E2E_WINE" cmd /c exit </dev/null >/dev/null 2>&1
  trap e2e_cleanup EXIT
}

# e2e_display ROOT: the run's Xvfb (CTest fixture) when there is one and
# E2E_OWN_DISPLAY is unset, otherwise a private one recorded in ROOT.
e2e_display() {
  local root=$1
  if [ -z "${E2E_OWN_DISPLAY:-}" ] && [ -f "$E2E_WINE_ROOT/display" ] && [ -f "$E2E_WINE_ROOT/xvfb.pid" ] &&
     kill -0 "$(cat "$E2E_WINE_ROOT/xvfb.pid")" 2>/dev/null; then
    DISPLAY=$(cat "$E2E_WINE_ROOT/display")
    export DISPLAY
    return
  fi
  "$E2E_SCRIPTS/xvfb-start.sh" "$root" || return 1
  E2E_OWN_XVFB=$root
  DISPLAY=$(cat "$root/display")
  export DISPLAY
}

# e2e_test_begin NAME: an end-to-end test's start under CTest: the run's
# folders, the display, a fresh prefix in E2E_WORK=$Q_BUILD/e2e/NAME, and
# no screenshots NAME-*.png left from an earlier run.
e2e_test_begin() {
  : "${Q_WINE_ROOT:?}" "${Q_BIN:?}" "${Q_BUILD:?}"
  E2E_WINE_ROOT=$Q_WINE_ROOT E2E_BIN=$Q_BIN E2E_SHOTS=$Q_BUILD/screenshots
  E2E_WORK=$Q_BUILD/e2e/$1
  mkdir -p "$E2E_WORK"
  e2e_display "$E2E_WORK" || { echo "no X display"; exit 1; }
  e2e_prefix "$E2E_WORK"
  rm -f "$E2E_SHOTS/$1"-*.png
}

e2e_cleanup() {
  "$E2E_SERVER" -k >/dev/null 2>&1 || true
  if [ -n "$E2E_OWN_XVFB" ] && [ -f "$E2E_OWN_XVFB/xvfb.pid" ]; then
    kill "$(cat "$E2E_OWN_XVFB/xvfb.pid")" 2>/dev/null || true
    rm -f "$E2E_OWN_XVFB/xvfb.pid" "$E2E_OWN_XVFB/display"
  fi
}

# Wine writes CRLF; scripts read LF.
wine_run() { "$E2E_WINE" "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }
# wine_start LOG PROGRAM ARGS...: in the background; the exit status lands
# in LOG.rc when the program ends.
wine_start() {
  local log=$1; shift
  rm -f "$log.rc"
  ( setsid "$E2E_WINE" "$@" </dev/null >"$log" 2>&1; echo $? >"$log.rc" ) &
}
# wait_exit LOG [SECONDS]: waits for a program started with wine_start;
# prints its exit status.
wait_exit() {
  local log=$1 limit=${2:-30} i
  for ((i = 0; i < limit * 10; i++)); do
    [ -f "$log.rc" ] && { cat "$log.rc"; return 0; }
    sleep 0.1
  done
  echo timeout
  return 1
}
qe2e() { wine_run "$E2E_BIN/qe2e.exe" "$@"; }
# qe2e_watch LOG ARGS...: qe2e in the background (its pid in $!) for a
# command that reports while it runs: lines reach LOG as they are written
# (a pipe through tr would hold them back), with Wine's CR at their ends.
qe2e_watch() {
  local log=$1; shift
  "$E2E_WINE" "$E2E_BIN/qe2e.exe" "$@" >"$log" 2>&1 &
}

# Paths: Z:\ is the Unix root; C:\ the prefix's drive_c.
winpath() { local p=$1; echo "Z:${p//\//\\}"; }
unixpath() {
  local p=${1//\\//}
  case $p in
    [Cc]:/*) echo "$WINEPREFIX/drive_c/${p:3}" ;;
    [Zz]:/*) echo "${p:2}" ;;
    *) echo "$p" ;;
  esac
}

# The folder values the installer reads (ProgramFilesDir, Common Programs,
# Common Desktop), one per line in that order.
system_folders() { qe2e folders | cut -f2; }

# wait_until SECONDS COMMAND...: polls every 0.2 s.
wait_until() {
  local limit=$1 i; shift
  for ((i = 0; i < limit * 5; i++)); do
    "$@" && return 0
    sleep 0.2
  done
  return 1
}

window_exists() { qe2e windows "$1" >/dev/null 2>&1; }
window_gone() { ! window_exists "$1"; }
# wait_window TITLE [SECONDS]: waits for a top-level window of that caption
# and prints its rows (see qe2e.exe).
wait_window() {
  wait_until "${2:-30}" window_exists "$1" || return 1
  sleep 0.5  # let it paint
  qe2e windows "$1"
}

# control_rect ROWS TEXT: "x y w h" of the first child whose text is TEXT.
control_rect() {
  awk -F'\t' -v t="$2" '$1 == "child" && $9 == t { print $5, $6, $7, $8; exit }' <<<"$1"
}
# click_control TITLE TEXT: a left click in the middle of that control.
click_control() {
  local rows rect x y w h
  rows=$(qe2e windows "$1") || return 1
  rect=$(control_rect "$rows" "$2")
  [ -n "$rect" ] || { echo "no control \"$2\" in \"$1\"" >&2; return 1; }
  read -r x y w h <<<"$rect"
  x=$((x + w / 2)) y=$((y + h / 2))
  # A synchronous move to where the pointer already is waits for a motion
  # that never comes (seconds): step aside first.
  if [ "$(xdotool getmouselocation 2>/dev/null | cut -d' ' -f1,2)" = "x:$x y:$y" ]; then
    xdotool mousemove --sync $((x + 1)) "$y"
  fi
  xdotool mousemove --sync "$x" "$y" click 1
}
# press_key TITLE KEY...: keys typed into that window (keyboard focus first).
press_key() {
  local title=$1 xid; shift
  xid=$(xdotool search --name "^${title}\$" 2>/dev/null | head -1)
  [ -n "$xid" ] || { echo "no X window \"$title\"" >&2; return 1; }
  xdotool windowfocus --sync "$xid" 2>/dev/null || true
  xdotool key --delay 100 "$@"
}

# screenshot NAME: the whole screen as E2E_SHOTS/NAME.png.
screenshot() {
  mkdir -p "$E2E_SHOTS"
  import -window root "$E2E_SHOTS/$1.png"
  echo "$E2E_SHOTS/$1.png"
}
# pixel FILE X Y, screen_size: from the shared screenshot helpers.
source "$E2E_SCRIPTS/screenshots.sh"

# check_installed_files ZIP FOLDER: every entry of the archive lies in the
# folder with its size and CRC-32; prints one line per entry.
check_installed_files() {
  python3 - "$1" "$2" <<'PY'
import os, sys, zipfile, zlib
archive, folder = sys.argv[1], sys.argv[2]
bad = 0
with zipfile.ZipFile(archive) as z:
    for info in z.infolist():
        if info.is_dir():
            continue
        path = os.path.join(folder, *info.filename.split("/"))
        if not os.path.isfile(path):
            print(f"  MISSING   {info.filename}")
            bad += 1
            continue
        with open(path, "rb") as f:
            data = f.read()
        crc = zlib.crc32(data) & 0xFFFFFFFF
        ok = len(data) == info.file_size and crc == info.CRC
        bad += not ok
        print(f"  {'ok' if ok else 'MISMATCH':9} {len(data):>8} bytes  crc {crc:08x}"
              f"{'' if ok else f' (payload {info.file_size} bytes, {info.CRC:08x})'}  {info.filename}")
sys.exit(1 if bad else 0)
PY
}

# show_shortcut LINK: target, arguments, working folder and description.
show_shortcut() { qe2e shortcut-read "$1" | sed 's/^/    /'; }
# shortcut_field LINK FIELD...: those fields joined by "|" (one read).
shortcut_field() {
  local link=$1; shift
  qe2e shortcut-read "$link" | awk -F'\t' -v want="$*" '
    { v[$1] = $2 } END { n = split(want, f, " "); for (i = 1; i <= n; i++) printf "%s%s", (i > 1 ? "|" : ""), v[f[i]]; print "" }'
}

UNINSTALL_KEY='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Quorvantis'
show_uninstall_key() { wine_run reg query "$UNINSTALL_KEY" 2>/dev/null; }
uninstall_key_exists() { "$E2E_WINE" reg query "$UNINSTALL_KEY" >/dev/null 2>&1; }
