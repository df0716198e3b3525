#!/usr/bin/env bash
# End to end, the real QuorvantisSetup.exe in a fresh prefix, driven as a
# person would: the dialog's place, size and colours; Enter starts the
# installation; the progress bar shows; the run question follows; the
# installation is checked file by file, shortcut by shortcut and value by
# value; a click on Yes starts Quorvantis.exe, whose window shows its
# version and folder; the uninstaller refuses to leave half an installation
# while the product runs and does nothing when the person says No; the
# registered quiet uninstall command then removes everything the
# installation made.
set -uo pipefail
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"
e2e_test_begin installer
work=$E2E_WORK
rm -f "$work/steps.log"

mapfile -t folders < <(system_folders)
install_dir="${folders[0]}\\Quorvantis\\"
group="${folders[1]}\\Quorvantis\\"
desktop_link="${folders[2]}\\Quorvantis.lnk"
install_unix=$(unixpath "$install_dir")
group_unix=$(unixpath "$group")
payload=${Q_SHIPPED:-$Q_BUILD}/payload/payload.zip
title=Form3
yes_text='&Yes I agree the "AS IS"'

# What the prefix holds before: the installation must add only its own.
snapshot() {
  # Wine's own folder and the temporary folders (where the uninstaller's
  # copy waits for the next restart) are not the installation's.
  (cd "$WINEPREFIX/drive_c" && find . \( -path ./windows -o -name Temp \) -prune -o -print | sort)
}
before=$(snapshot)

# --- The dialog ---------------------------------------------------------------
wine_start "$work/setup.log" "${Q_SHIPPED:-$Q_BUILD}/bin/QuorvantisSetup.exe" "/LOG=$(winpath "$work/steps.log")"
rows=$(wait_window "$title" 60)
e2e_require "the dialog appears" test -n "$rows"
read -r wx wy ww wh < <(awk -F'\t' '$1 == "window" { print $5, $6, $7, $8 }' <<<"$rows")
read -r cx cy cw ch < <(awk -F'\t' '$1 == "client" { print $5, $6, $7, $8 }' <<<"$rows")
read -r sw sh < <(xdpyinfo | awk '/dimensions:/ { split($2, d, "x"); print d[1], d[2] }')
e2e_check "client area 630 x 297" test "$cw x $ch" = "630 x 297"
e2e_check "no title bar or frame (window = client area)" test "$wx $wy $ww $wh" = "$cx $cy $cw $ch"
e2e_check "centred on the screen" test $((2 * cx + cw - sw)) -ge -2 -a $((2 * cx + cw - sw)) -le 2 \
  -a $((2 * cy + ch - sh)) -ge -2 -a $((2 * cy + ch - sh)) -le 2
e2e_check "it asks to start the setup" grep -q $'\tStart setup of Quorvantis ?$' <<<"$rows"
shot=$(screenshot installer-1-start-question)

read -r yx yy yw yh < <(control_rect "$rows" "$yes_text")
read -r nx ny nw nh < <(control_rect "$rows" "&NO")
# Places are in the panel's client area, inside its thin sunken border.
e2e_check "Yes at 16,160 (193 x 105), No at 408,160 (201 x 105), inside the panel's border" \
  test "$((yx - cx - 16)),$((yy - cy - 160)) $yw x $yh / $((nx - yx)),$((ny - yy)) $nw x $nh" = \
       "$((yx - cx - 16)),$((yx - cx - 16)) 193 x 105 / 392,0 201 x 105" -a $((yx - cx - 16)) -le 2
e2e_check "the background between the buttons is white" \
  test "$(pixel "$shot" $((cx + 315)) $((cy + 200)))" = 255,255,255
e2e_check "Yes is green" test "$(pixel "$shot" $((yx + yw / 2)) $((yy + 20)))" = 0,128,0
e2e_check "No is red" test "$(pixel "$shot" $((nx + nw / 2)) $((ny + 20)))" = 255,0,0
for corner in "$yx $yy" "$((yx + yw - 1)) $((yy + yh - 1))" "$nx $((ny + nh - 1))" "$((nx + nw - 1)) $ny"; do
  read -r px py <<<"$corner"
  e2e_check "rounded corner at $((px - cx)),$((py - cy)) shows the white form" \
    test "$(pixel "$shot" "$px" "$py")" = 255,255,255
done

# --- Enter installs -------------------------------------------------------------
qe2e_watch "$work/freeze.log" freeze-progress "$title" 2
freezer=$!
wait_until 30 grep -q watching "$work/freeze.log"
press_key "$title" Return
if wait_until 30 grep -q frozen "$work/freeze.log"; then
  shot=$(screenshot installer-2-installing)
  read -r _ position maximum < <(tr -d '\r' <"$work/freeze.log" | grep frozen)
  e2e_pass "the progress bar shows ($position of $maximum)"
  e2e_check "the bar's maximum is the number of entries" \
    test "$maximum" = "$(python3 -c 'import sys, zipfile; print(len(zipfile.ZipFile(sys.argv[1]).infolist()))' "$payload")"
else
  e2e_fail "the progress bar shows"
fi
wait "$freezer" 2>/dev/null

status_is() { qe2e windows "$title" 2>/dev/null | grep -q $'\t'"$1"; }
e2e_require "the dialog asks to run Quorvantis" wait_until 60 status_is 'Run Quorvantis?$'
rows=$(qe2e windows "$title")
screenshot installer-3-run-question >/dev/null
e2e_check "both buttons are back, the bar is gone" \
  test "$(awk -F'\t' '$1 == "child" && $4 == 1 && ($9 == "&NO" || $3 ~ /ProgressBar/ || $9 ~ /^&Yes/) { print $9 }' <<<"$rows" | sort | tr '\n' '|')" = \
       "&NO|$yes_text|"

e2e_check "installed files match the payload byte for byte" check_installed_files "$payload" "$install_unix"
e2e_check "the temporary archive is gone" test ! -e "$install_unix/_TEMP_ZIP_.DAT"
check_link() {
  local link=$1 target=$2 description=$3
  test "$(shortcut_field "$link" target workdir description)" = \
       "$target|$install_dir|$description"
}
e2e_check "desktop shortcut" check_link "$desktop_link" "${install_dir}Quorvantis.exe" Quorvantis
e2e_check "program group shortcut" check_link "${group}Quorvantis.lnk" "${install_dir}Quorvantis.exe" Quorvantis
e2e_check "uninstall shortcut" \
  check_link "${group}Uninstall Quorvantis.lnk" "${install_dir}UninstallQuorvantis.exe" "Uninstall Quorvantis"

key=$(show_uninstall_key)
value() { awk -v n="$1" '$1 == n { sub(/^ *[^ ]+ +[^ ]+ +/, ""); print; exit }' <<<"$key"; }
size_kb=$(python3 -c 'import sys, zipfile; print((sum(i.file_size for i in zipfile.ZipFile(sys.argv[1]).infolist()) + 1023) // 1024)' "$payload")
while IFS='|' read -r name expected; do
  e2e_check "uninstall entry: $name = $expected" test "$(value "$name")" = "$expected"
done <<EOF
Publisher|Quorvantis Software
DisplayName|Quorvantis
DisplayVersion|1.1 
HelpLink|https://quorvantis.example/
URLUpdateInfo|https://quorvantis.example/updates/
URLInfoAbout|https://quorvantis.example/updates/
UninstallString|"${install_dir}UninstallQuorvantis.exe"
InstallLocation|$install_dir
DisplayIcon|${install_dir}Quorvantis.exe
EstimatedSize|$(printf '0x%x' "$size_kb")
VersionMajor|0x1
VersionMinor|0x1
NoModify|0x1
NoRepair|0x1
QuietUninstallString|"${install_dir}UninstallQuorvantis.exe" /S
EOF
absent() { ! grep -qE "$1" <<<"$key"; }
e2e_check "no help telephone or modify path" absent 'HelpTelephone|ModifyPath'

# --- Yes runs Quorvantis ----------------------------------------------------------
click_control "$title" "$yes_text"
rows=$(wait_window "Quorvantis 1.1" 30)
e2e_require "a click on Yes starts Quorvantis.exe" test -n "$rows"
e2e_check "the window names the version" grep -q $'\tVersion 1.1 is installed' <<<"$rows"
e2e_check "it runs from the installation folder" grep -qF $'\tInstalled in: '"$install_dir" <<<"$rows"
e2e_check "the desktop shell started it" grep -q $'\tlaunch\tok\t.*started by the desktop shell' "$work/steps.log"
shot=$(screenshot installer-4-product)
read -r cx cy cw ch < <(awk -F'\t' '$1 == "client" { print $5, $6, $7, $8 }' <<<"$rows")
e2e_check "the product's background is white" test "$(pixel "$shot" $((cx + 5)) $((cy + ch - 5)))" = 255,255,255
e2e_check "the product's window is centred" test $((2 * cx + cw - sw)) -ge -2 -a $((2 * cx + cw - sw)) -le 2
e2e_check "the installer ends with status 0" test "$(wait_exit "$work/setup.log")" = 0

# --- Uninstalling while the product runs leaves a complete installation -----------
wine_start "$work/uninstall1.log" "${install_dir}UninstallQuorvantis.exe"
rows=$(wait_window "Uninstall Quorvantis")
e2e_require "the uninstaller asks first" test -n "$rows"
e2e_check "the question names the folder" grep -qF "$install_dir" <<<"$rows"
screenshot installer-5-uninstall-question >/dev/null
press_key "Uninstall Quorvantis" Return
wait_until 20 eval 'qe2e windows "Uninstall Quorvantis" | grep -q "could not be removed"'
rows=$(qe2e windows "Uninstall Quorvantis")
e2e_check "the report names the program in use" grep -qF "${install_dir}Quorvantis.exe" <<<"$rows"
screenshot installer-6-uninstall-report >/dev/null
press_key "Uninstall Quorvantis" Return
# Wine hands its caller the low 8 bits of an exit code (1603 here).
e2e_check "the uninstaller ends with status 1603" test "$(wait_exit "$work/uninstall1.log")" = $((1603 % 256))
e2e_check "the uninstaller, the product and the entry stay for a second run" \
  test -f "$install_unix/UninstallQuorvantis.exe" -a -f "$install_unix/Quorvantis.exe" -a -n "$(show_uninstall_key)"
e2e_check "the other files are gone" test ! -e "$install_unix/ChangeLog.txt"
click_control "Quorvantis 1.1" Close
e2e_check "the Close button ends the product" wait_until 10 window_gone "Quorvantis 1.1"

# --- No changes nothing -------------------------------------------------------------
state() { find "$install_unix" "$group_unix" "$(unixpath "$desktop_link")" 2>/dev/null; show_uninstall_key; }
before_no=$(state)
wine_start "$work/uninstall2.log" "${install_dir}UninstallQuorvantis.exe"
wait_window "Uninstall Quorvantis" >/dev/null || e2e_fail "the uninstaller asks again"
click_control "Uninstall Quorvantis" "&No"
e2e_check "No ends the uninstaller with status 1602" test "$(wait_exit "$work/uninstall2.log")" = $((1602 % 256))
e2e_check "No leaves everything as it was" test "$(state)" = "$before_no"

# --- The registered quiet uninstall removes everything -----------------------------
command=$(value QuietUninstallString)
program=${command%\" *}; program=${program#\"}
out=$(wine_run "$program" /S)
rc=$?
e2e_check "the quiet uninstall reports success: $out" \
  test $rc -eq 0 -a "$out" = "Quorvantis has been removed from your computer."
wait_until 15 test ! -e "$install_unix"
e2e_check "the installation folder is gone" test ! -e "$install_unix"
e2e_check "the program group is gone" test ! -e "$group_unix"
e2e_check "the desktop shortcut is gone" test ! -e "$(unixpath "$desktop_link")"
e2e_check "the uninstall entry is gone" eval '! uninstall_key_exists'
pending=$(wine_run reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' \
          /v PendingFileRenameOperations)
e2e_check "the temporary copy is left to the next restart" grep -q 'UninstallQuorvantis-' <<<"$pending"
after=$(snapshot)
e2e_check "nothing the installation made is left" test "$after" = "$before"
[ "$after" = "$before" ] || diff <(echo "$before") <(echo "$after") | head -20

echo "screenshots: $E2E_SHOTS/installer-*.png"
[ "$E2E_FAILURES" -eq 0 ] && echo "e2e.installer: all checks passed" || echo "e2e.installer: $E2E_FAILURES check(s) failed"
[ "$E2E_FAILURES" -eq 0 ]
