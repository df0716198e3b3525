#!/usr/bin/env bash
# End to end, the real QuorvantisSetup.exe and UninstallQuorvantis.exe run
# as deployment tools run them: no one at the screen, only the exit code
# and the /LOG= file read. Each run must end within 60 s, show no window
# at any moment (xdotool polls the screen while it runs) and end its log
# with the exit line of the code it returned. Then the interactive cases:
# No answers 1602; a wrong switch (87) and a second setup (1618) are said
# in a message box; without a desktop shell Setup starts the product itself.
set -uo pipefail
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"
e2e_test_begin unattended
work=$E2E_WORK
rm -f "$work"/*.log "$work"/*.vis "$work"/release-*

setup=$Q_BIN/QuorvantisSetup.exe
payload=$Q_BUILD/payload/payload.zip
mapfile -t folders < <(system_folders)
install_dir="${folders[0]}\\Quorvantis\\"
install_unix=$(unixpath "$install_dir")
desktop_link="${folders[2]}\\Quorvantis.lnk"
root_window=$(xwininfo -root | awk '/Window id:/ { print $4 }')

# Every file below drive C: outside Wine's own folders, with its hash.
state() {
  (cd "$WINEPREFIX/drive_c" &&
   find . \( -path ./windows -o -name Temp \) -prune -o -type f -print0 | sort -z |
   xargs -0r md5sum; find . \( -path ./windows -o -name Temp \) -prune -o -type d -print | sort)
  show_uninstall_key
}

# The visible top-level windows other than the root, one poll after another,
# into FILE until the caller kills the watcher.
watch_windows() {
  while :; do
    xdotool search --onlyvisible --name '' 2>/dev/null | grep -vix "$((root_window))" || true
    sleep 0.05
  done >"$1"
}

# start NAME PROGRAM ARGS...: in the background through qe2e, which sees
# the whole exit code; finished NAME [SECONDS] prints it once it ends.
start() {
  local name=$1 program=$2; shift 2
  [[ $program == /* ]] && program=$(winpath "$program")
  wine_start "$work/$name.out" "$Q_BIN/qe2e.exe" run "$program" "$@"
}
finished() {
  wait_exit "$work/$1.out" "${2:-60}" >/dev/null
  tr -d '\r' <"$work/$1.out" | awk '$1 == "exit" { print $2 }'
}

# unattended NAME EXPECTED PROGRAM ARGS...: runs PROGRAM /LOG=work/NAME.log
# ARGS... (the log first: /D= has to come last) and checks the three things
# every unattended run owes its caller. Leaves the exit code in $rc.
unattended() {
  local name=$1 expected=$2 program=$3 log=$work/$1.log watcher start elapsed last; shift 3
  watch_windows "$work/$name.vis" &
  watcher=$!
  start=$(date +%s%N)
  start "$name" "$program" "/LOG=$(winpath "$log")" "$@"
  rc=$(finished "$name")
  elapsed=$((($(date +%s%N) - start) / 1000000))
  kill "$watcher"; wait "$watcher" 2>/dev/null
  last=$(tail -n 1 "$log" 2>/dev/null | tr -d '\r')
  e2e_check "$name: exit code $rc (expected $expected) after $elapsed ms" test "$rc" = "$expected"
  e2e_check "$name: no window was shown" test ! -s "$work/$name.vis"
  e2e_check "$name: the log ends with the exit line of $rc: $last" \
    test "$(cut -f2,3 <<<"$last")" = "exit	$rc"
}

# Files, shortcuts and entry of an installation in folder DIR (Windows path).
check_installation() {
  local dir=$1 name=$2 key
  e2e_check "$name: files match the payload" check_installed_files "$payload" "$(unixpath "$dir")" >/dev/null
  e2e_check "$name: the desktop shortcut starts ${dir}Quorvantis.exe" \
    test "$(shortcut_field "$desktop_link" target)" = "${dir}Quorvantis.exe"
  key=$(show_uninstall_key | awk '$1 == "InstallLocation" || $1 == "UninstallString" {
    sub(/^ *[^ ]+ +[^ ]+ +/, ""); print }' | tr '\n' '|')
  e2e_check "$name: InstallLocation and UninstallString name $dir" \
    test "$key" = "$dir|\"${dir}UninstallQuorvantis.exe\"|"
}

empty=$(state)

# --- Installs -----------------------------------------------------------------
unattended fresh 0 "$setup" /S
check_installation "$install_dir" fresh
e2e_check "fresh: one line per step, each entry with its size" \
  test "$(grep -c $'\tentry\tok\t.*bytes' "$work/fresh.log")" = \
       "$(python3 -c 'import sys, zipfile; print(len(zipfile.ZipFile(sys.argv[1]).infolist()))' "$payload")"
unattended again 0 "$setup" /s
check_installation "$install_dir" again
installed=$(state)

# A payload whose directory is damaged (the end record's signature): the
# archive check fails before anything is extracted.
broken=$work/BrokenSetup.exe
python3 - "$setup" "$payload" "$broken" <<'PY'
import sys
exe, payload = open(sys.argv[1], "rb").read(), open(sys.argv[2], "rb").read()
at = exe.find(payload)
assert at >= 0, "the payload is not in the program"
end = at + payload.rfind(b"PK\x05\x06")
open(sys.argv[3], "wb").write(exe[:end] + b"PK\x05\x07" + exe[end + 4:])
PY
unattended corrupt 1603 "$broken" /S
e2e_check "corrupt: nothing changed" test "$(state)" = "$installed"

unattended bad-switch 87 "$setup" /S /Quiet
e2e_check "bad-switch: nothing changed" test "$(state)" = "$installed"

# A second setup while the first runs: the first (which makes no window)
# is held still as soon as it took the running mutex, until the second has
# ended.
qe2e_watch "$work/freeze.out" freeze QuorvantisSetup.exe 60 "$(winpath "$work/release-first")"
freezer=$!
wait_until 30 grep -q watching "$work/freeze.out"
start first "$setup" /S "/LOG=$(winpath "$work/first.log")"
e2e_check "second: the first setup is held" wait_until 30 grep -q frozen "$work/freeze.out"
unattended second 1618 "$setup" /S
touch "$work/release-first"
wait "$freezer" 2>/dev/null
e2e_check "second: the first one then finishes with 0" test "$(finished first)" = 0
installed=$(state)  # its shortcuts were saved again

# The product file held open without sharing, as a running product holds it.
qe2e_watch "$work/hold.out" hold "${install_dir}Quorvantis.exe" 20
holder=$!
wait_until 30 grep -q holding "$work/hold.out"
unattended locked 1603 "$setup" /S
now=$(state)
e2e_check "locked: nothing changed" test "$now" = "$installed" ||
  diff <(echo "$installed") <(echo "$now") | head -10
kill "$holder" 2>/dev/null; wait "$holder" 2>/dev/null
e2e_log "locked: $(tail -n 1 "$work/locked.log" | cut -f4,5 | tr -d '\r')"

# --- Uninstall, then an install into a folder with spaces ------------------------
unattended uninstall 0 "${install_dir}UninstallQuorvantis.exe" /S
wait_until 15 test ! -e "$install_unix"
e2e_check "uninstall: nothing left" test "$(state)" = "$empty"

spaced="C:\\Program Files\\My Apps\\Quorvantis Test\\"
unattended folder 0 "$setup" /S "/D=${spaced%\\}"
check_installation "$spaced" folder
e2e_check "folder: nothing in the default folder" test ! -e "$install_unix"
unattended folder-uninstall 0 "${spaced}UninstallQuorvantis.exe" /S
wait_until 15 test ! -e "$(unixpath "$spaced")"
e2e_check "folder-uninstall: nothing left of the installation" \
  test "$(state | grep -v 'My Apps$')" = "$empty"

# --- Interactive ------------------------------------------------------------------
log=$work/no.log
start no "$setup" "/LOG=$(winpath "$log")"
wait_window Form3 60 >/dev/null
click_control Form3 "&NO"
e2e_check "No: exit code 1602" test "$(finished no)" = 1602
e2e_check "No: the log ends with exit 1602" test "$(tail -n 1 "$log" | cut -f2,3)" = $'exit\t1602'
e2e_check "No: nothing changed" test "$(state | grep -v 'My Apps$')" = "$empty"

# Without /S a wrong switch and a second setup are said in a message box.
for run in "bad 87 /Quiet" "busy 1618"; do
  read -r name code switch <<<"$run"
  if [ "$name" = busy ]; then
    qe2e_watch "$work/freeze2.out" freeze Form3 60 "$(winpath "$work/release-held")"
    freezer=$!
    start held "$setup"
    wait_until 30 grep -q frozen "$work/freeze2.out"
  fi
  start "$name" "$setup" ${switch:+"$switch"}
  e2e_check "$name: a message box says so" test -n "$(wait_window "Quorvantis Setup" 30)"
  press_key "Quorvantis Setup" Return
  e2e_check "$name: exit code $code" test "$(finished "$name")" = "$code"
done
touch "$work/release-held"
wait "$freezer" 2>/dev/null
wait_until 30 click_control Form3 "&NO" 2>/dev/null
finished held >/dev/null

# A setup whose process cannot reach the desktop shell's objects (Wine's
# interface proxies disabled for it: the shell windows' class is then "not
# registered", as where no Explorer runs): it starts the product itself and
# says so in the log.
log=$work/noshell.log
WINEDLLOVERRIDES="$WINEDLLOVERRIDES;actxprxy=d" start noshell "$setup" "/LOG=$(winpath "$log")"
wait_window Form3 60 >/dev/null
press_key Form3 Return
status_is() { qe2e windows Form3 2>/dev/null | grep -q $'\t'"$1"; }
wait_until 60 status_is 'Run Quorvantis?$'
press_key Form3 y  # the Yes button's accelerator
e2e_check "no shell: the product starts" test -n "$(wait_window "Quorvantis 1.1" 30)"
e2e_check "no shell: exit code 0" test "$(finished noshell)" = 0
e2e_check "no shell: the log says Setup started it itself" \
  grep -q $'\tlaunch\tok\t.*no desktop shell' "$log"
click_control "Quorvantis 1.1" Close

[ "$E2E_FAILURES" -eq 0 ] && echo "e2e.unattended: all checks passed" || echo "e2e.unattended: $E2E_FAILURES check(s) failed"
[ "$E2E_FAILURES" -eq 0 ]
