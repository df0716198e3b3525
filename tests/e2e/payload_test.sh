#!/usr/bin/env bash
# End to end, the demo payload in a fresh prefix: the archive extracted with
# qunzip into Program Files, shortcuts and uninstall entry made as the
# installer makes them; the product window shows its version and folder;
# the uninstaller refuses to leave half an installation when the product
# is running, does nothing when the person says No, and with /S removes
# every file, shortcut, the program group, the entry, itself and the folder.
set -uo pipefail
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"
e2e_test_begin payload
work=$E2E_WORK

mapfile -t folders < <(system_folders)
program_files=${folders[0]} programs=${folders[1]} desktop=${folders[2]}
install_dir="$program_files\\Quorvantis\\"
group="$programs\\Quorvantis\\"
install_unix=$(unixpath "$install_dir")
group_unix=$(unixpath "$group")
desktop_link="$desktop\\Quorvantis.lnk"
program_link="${group}Quorvantis.lnk"
uninstall_link="${group}Uninstall Quorvantis.lnk"
payload=$Q_BUILD/payload/payload.zip

# --- Install the payload as the installer will ------------------------------
mkdir -p "$install_unix" "$group_unix"
out=$(wine_run "$Q_BIN/qunzip.exe" x "$(winpath "$payload")" "$install_dir")
rc=$?
if [ $rc -eq 1 ] && ! grep -v '^0 urOk ' <<<"$out" | grep -qv ' urNotSupported '; then
  # An engine without inflate yet: the programs under test still need
  # their files, so Python unpacks them (and says so).
  echo "note: qunzip cannot inflate yet; payload unpacked with Python"
  python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' \
    "$payload" "$install_unix"
else
  e2e_check "qunzip extracts every entry of the payload" test $rc -eq 0
fi
e2e_require "installed files match the payload" check_installed_files "$payload" "$install_unix"

qe2e shortcut-make "${install_dir}Quorvantis.exe" "$desktop_link" Quorvantis
qe2e shortcut-make "${install_dir}Quorvantis.exe" "$program_link" Quorvantis
qe2e shortcut-make "${install_dir}UninstallQuorvantis.exe" "$uninstall_link" "Uninstall Quorvantis"
qe2e register-uninstall "$install_dir"
e2e_check "desktop shortcut starts the program in the install folder" \
  test "$(shortcut_field "$desktop_link" target)|$(shortcut_field "$desktop_link" workdir)" = \
       "${install_dir}Quorvantis.exe|$install_dir"
e2e_check "uninstall shortcut starts the uninstaller" \
  test "$(shortcut_field "$uninstall_link" target)" = "${install_dir}UninstallQuorvantis.exe"
e2e_check "uninstall entry registered" uninstall_key_exists

# --- The product window -----------------------------------------------------
wine_start "$work/product.log" "${install_dir}Quorvantis.exe"
rows=$(wait_window "Quorvantis 1.1")
e2e_require "the product window appears" test -n "$rows"
e2e_check "the window names the version" grep -q $'\tVersion 1.1 is installed' <<<"$rows"
e2e_check "the window names the folder it runs from" \
  grep -qF $'\tInstalled in: '"$install_dir" <<<"$rows"
shot=$(screenshot payload-1-product)
read -r cx cy cw ch < <(awk -F'\t' '$1 == "client" { print $5, $6, $7, $8 }' <<<"$rows")
e2e_check "the window's background is white" test "$(pixel "$shot" $((cx + 5)) $((cy + ch - 5)))" = 255,255,255
e2e_check "the window is centred" test $((cx + cw / 2 - 640)) -ge -2 -a $((cx + cw / 2 - 640)) -le 2

# --- Uninstalling while the product runs leaves a complete installation -----
wine_start "$work/uninstall1.log" "${install_dir}UninstallQuorvantis.exe"
rows=$(wait_window "Uninstall Quorvantis")
e2e_require "the uninstaller asks first" test -n "$rows"
e2e_check "the question names the folder" grep -qF "$install_dir" <<<"$rows"
screenshot payload-2-uninstall-question >/dev/null
press_key "Uninstall Quorvantis" Return
wait_until 20 eval 'qe2e windows "Uninstall Quorvantis" | grep -q "could not be removed"'
rows=$(qe2e windows "Uninstall Quorvantis")
e2e_check "the report names the program in use" grep -qF "${install_dir}Quorvantis.exe" <<<"$rows"
screenshot payload-3-uninstall-report >/dev/null
press_key "Uninstall Quorvantis" Return
# Wine hands its caller the low 8 bits of an exit code (1603 here).
e2e_check "the uninstaller ends with status 1603" test "$(wait_exit "$work/uninstall1.log")" = $((1603 % 256))
e2e_check "the uninstaller and its entry stay for a second run" \
  test -f "$install_unix/UninstallQuorvantis.exe" -a -f "$install_unix/Quorvantis.exe"
e2e_check "the entry stays" uninstall_key_exists
e2e_check "the other files are gone" test ! -e "$install_unix/ChangeLog.txt"

click_control "Quorvantis 1.1" Close
e2e_check "the Close button ends the product" wait_until 10 window_gone "Quorvantis 1.1"
e2e_check "the product exits with status 0" test "$(wait_exit "$work/product.log")" = 0

# --- No changes nothing -----------------------------------------------------
state() { find "$install_unix" "$group_unix" "$(unixpath "$desktop_link")" 2>/dev/null; show_uninstall_key; }
before=$(state)
wine_start "$work/uninstall2.log" "${install_dir}UninstallQuorvantis.exe"
wait_window "Uninstall Quorvantis" >/dev/null || e2e_fail "the uninstaller asks again"
click_control "Uninstall Quorvantis" "&No"
e2e_check "No ends the uninstaller with status 1602" test "$(wait_exit "$work/uninstall2.log")" = $((1602 % 256))
e2e_check "No leaves everything as it was" test "$(state)" = "$before"

# --- Silent uninstallation removes everything --------------------------------
command=$(wine_run reg query "$UNINSTALL_KEY" /v QuietUninstallString |
          awk -F'REG_SZ' '/QuietUninstallString/ { sub(/^ +/, "", $2); print $2 }')
program=${command%\" *}; program=${program#\"}
out=$(wine_run "$program" /S)
rc=$?
e2e_check "/S reports success: $out" test $rc -eq 0 -a "$out" = "Quorvantis has been removed from your computer."
wait_until 15 test ! -e "$install_unix"
e2e_check "the installation folder is gone, uninstaller included" test ! -e "$install_unix"
e2e_check "the desktop shortcut is gone" test ! -e "$(unixpath "$desktop_link")"
e2e_check "the program group is gone" test ! -e "$group_unix"
e2e_check "the uninstall entry is gone" eval '! uninstall_key_exists'
pending=$(wine_run reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' \
          /v PendingFileRenameOperations)
e2e_check "the temporary copy is left to the next restart" grep -q 'UninstallQuorvantis-' <<<"$pending"

echo "screenshots: $E2E_SHOTS/payload-*.png"
[ "$E2E_FAILURES" -eq 0 ] && echo "e2e.payload: all checks passed" || echo "e2e.payload: $E2E_FAILURES check(s) failed"
[ "$E2E_FAILURES" -eq 0 ]
