#!/usr/bin/env bash
# make run: builds the win64 preset and runs the installer under wine64 in
# a private prefix (build/run/prefix, a fresh copy of the build's template).
#   With DISPLAY set: the dialog is yours to use.
#   Without (or with --headless): under Xvfb, driven as a person would:
#   Enter answers Yes to "Start setup", Enter answers Yes to "Run
#   Quorvantis?"; screenshots of each state go to build/screenshots/.
# Either way it ends with a summary: the installed files checked against
# the payload (size, CRC-32), no staging (Quorvantis.~new) or previous
# version (Quorvantis.~old) folder left beside them, the shortcuts' targets,
# the uninstall entry.
#
# usage: scripts/run-installer.sh [--headless] [EXE]
#   EXE defaults to build/win64/bin/QuorvantisSetup.exe
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
repo=$(pwd)

headless=
[ "${1:-}" = --headless ] && { headless=1; shift; }
[ -z "${DISPLAY:-}" ] && headless=1
exe=$(realpath -m "${1:-build/win64/bin/QuorvantisSetup.exe}")

echo "=== Building (win64)"
[ -f build/win64/CMakeCache.txt ] || cmake --preset win64 || exit 1
cmake --build --preset win64 -j"${JOBS:-2}" || exit 1
if [ ! -f "$exe" ]; then
  echo "run-installer: $exe does not exist (not built yet?)" >&2
  exit 1
fi

# shellcheck disable=SC2034  # read by lib.sh
E2E_WINE_ROOT=$repo/build/win64/wine
E2E_BIN=$repo/build/win64/bin
E2E_SHOTS=$repo/build/screenshots
# shellcheck source=tests/e2e/lib.sh
source "$repo/tests/e2e/lib.sh"
payload=$repo/build/win64/payload/payload.zip
run=$repo/build/run
mkdir -p "$run"
if [ -n "$headless" ]; then
  unset DISPLAY
  e2e_display "$run" || { echo "run-installer: cannot start Xvfb" >&2; exit 1; }
fi
e2e_prefix "$run"
echo "=== Prefix: $WINEPREFIX"

mapfile -t folders < <(system_folders)
install_dir="${folders[0]}\\Quorvantis\\"
group="${folders[1]}\\Quorvantis\\"
desktop="${folders[2]}"
title=Form3  # the dialog's window caption

if [ -z "$headless" ]; then
  echo "=== Running $(basename "$exe") on $DISPLAY"
  wine_run "$exe"
else
  echo "=== Running $(basename "$exe") headless on $DISPLAY"
  rm -f "$E2E_SHOTS"/run-*.png
  wine_start "$run/setup.log" "$exe"
  # status_is TEXT: the dialog's status line shows TEXT (or a failure).
  status_is() {
    qe2e windows "$title" 2>/dev/null | awk -F'\t' -v t="$1" \
      '$9 == t || $9 ~ /^Setup of Quorvantis failed/ { f = 1 } END { exit !f }'
  }
  if ! wait_window "$title" 60 >/dev/null; then
    echo "run-installer: the dialog did not appear" >&2
    screenshot run-0-no-dialog
  else
    screenshot run-1-start-question
    # The extraction takes a moment only: the helper holds the installer
    # still once the bar is a third of the way, for the screenshot.
    qe2e_watch "$run/freeze.log" freeze-progress "$title" 2
    freezer=$!
    wait_until 30 grep -q watching "$run/freeze.log"
    press_key "$title" Return
    if wait_until 30 grep -q frozen "$run/freeze.log"; then
      screenshot run-2-installing
    fi
    wait "$freezer" 2>/dev/null
    if wait_until 120 status_is "Run Quorvantis?"; then
      screenshot run-3-run-question
      qe2e windows "$title" | awk -F'\t' '$9 ~ /^Setup of Quorvantis failed/ { print "run-installer: " $9 }'
      press_key "$title" Return
      if wait_window "Quorvantis 1.1" 30 >/dev/null; then
        screenshot run-4-product
        click_control "Quorvantis 1.1" Close
      else
        echo "run-installer: Quorvantis.exe did not start" >&2
      fi
    else
      echo "run-installer: the installation did not finish" >&2
      screenshot run-3-stuck
    fi
  fi
  wait_exit "$run/setup.log" 30 >/dev/null || echo "run-installer: the installer is still running" >&2
fi

echo
echo "=== Summary"
install_unix=$(unixpath "$install_dir")
status=0
echo "Installed files in $install_dir:"
check_installed_files "$payload" "$install_unix" || status=1
if [ -e "$install_unix/_TEMP_ZIP_.DAT" ]; then
  echo "  LEFT OVER _TEMP_ZIP_.DAT"; status=1
else
  echo "  (no temporary archive left)"
fi
# An installation stages its files beside the folder and keeps the previous
# one aside until it is complete: neither may outlive it.
left_beside=
for beside in "${install_unix%/}.~new" "${install_unix%/}.~old"; do
  if [ -e "$beside" ]; then
    echo "  LEFT OVER $(basename "$beside") beside the installation folder"; status=1; left_beside=1
  fi
done
[ -z "$left_beside" ] && echo "  (no staging or previous-version folder left beside it)"
for link in "$desktop\\Quorvantis.lnk" "${group}Quorvantis.lnk" "${group}Uninstall Quorvantis.lnk"; do
  echo "Shortcut $link:"
  show_shortcut "$link" || { echo "    MISSING"; status=1; }
done
echo "Uninstall entry (reg query):"
show_uninstall_key | sed 's/^/  /' || true
uninstall_key_exists || { echo "  MISSING"; status=1; }
if [ -n "$headless" ]; then
  echo "Screenshots:"
  ls "$E2E_SHOTS"/run-*.png 2>/dev/null | sed 's/^/  /'
fi
exit $status
