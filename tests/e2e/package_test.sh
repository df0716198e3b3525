#!/usr/bin/env bash
# End to end, a publisher's path: a small product folder with nested files
# packaged by scripts/package.sh (the win64 build of what make package builds
# for i686), twice with REPRODUCIBLE=1 (the same bytes); the installer put
# through its dialog in a fresh prefix; a copy of the uninstaller started
# outside the installation refuses; the registered uninstaller then removes
# exactly the packed files and leaves what the person added.
#
# usage: package_test.sh build|install. The packaging needs neither Wine
# nor the screen and runs beside other tests; the installation then has the
# screen to itself.
set -uo pipefail
mode=${1:?build or install}
: "${Q_WINE_ROOT:?}" "${Q_BIN:?}" "${Q_BUILD:?}"
# shellcheck disable=SC2034  # read by lib.sh
E2E_WINE_ROOT=$Q_WINE_ROOT E2E_BIN=$Q_BIN E2E_SHOTS=$Q_BUILD/screenshots
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"
root=$(cd "$(dirname "$0")/../.." && pwd)

work=$Q_BUILD/e2e/package
product=$work/product
# Beside the build (build/win64-package): at the build's depth the compiler
# cache serves its objects.
pkg_build=$Q_BUILD-package
payload=$pkg_build/payload/payload.zip
if [ "$mode" = build ]; then
rm -rf "$work/product" "$work"/*.exe
mkdir -p "$product/docs/guide" "$product/data"
cp "$Q_BIN/Quorvantis.exe" "$product/"
echo "Read me first." >"$product/docs/Read me.txt"
echo "Chapter one." >"$product/docs/guide/intro.txt"
head -c 300000 /dev/urandom >"$product/data/tables.bin"

# --- Packaging, reproducibly ------------------------------------------------------
# At the lowest priority: the tests running beside it may be timing a
# button's turns on the screen.
package() {
  PACKAGE_BUILD=$pkg_build REPRODUCIBLE=1 VERSION=2.3 MAKER="Acme Tools" \
    nice -n 19 "$root/scripts/package.sh" win64 "$product" "$1"
}
e2e_require "the folder is packaged" package "$work/first.exe"
e2e_check "the payload holds the folder's files and the project's uninstaller" test \
  "$(python3 -c 'import sys, zipfile; print(*zipfile.ZipFile(sys.argv[1]).namelist())' "$payload")" = \
  "Quorvantis.exe UninstallQuorvantis.exe data/tables.bin docs/Read me.txt docs/guide/intro.txt"
# Everything made again from new file times: links, archive, resources.
touch "$product"/docs/* "$product/Quorvantis.exe"
rm -rf "$pkg_build/bin/"*.exe "$pkg_build/payload"
package "$work/second.exe" >/dev/null
e2e_check "two REPRODUCIBLE=1 packages of one folder are byte-identical" \
  cmp "$work/first.exe" "$work/second.exe"
[ "$E2E_FAILURES" -eq 0 ] && echo "e2e.package_build: all checks passed" || echo "e2e.package_build: $E2E_FAILURES check(s) failed"
exit $((E2E_FAILURES > 0))
fi

# --- Installing ---------------------------------------------------------------------
e2e_display "$work" || { echo "no X display"; exit 1; }
e2e_prefix "$work"
mapfile -t folders < <(system_folders)
install_dir="${folders[0]}\\Quorvantis\\"
install_unix=$(unixpath "$install_dir")
wine_start "$work/setup.log" "$(winpath "$work/first.exe")"
e2e_require "the installer's dialog appears" test -n "$(wait_window Form3 60)"
press_key Form3 Return
status_is() { qe2e windows Form3 2>/dev/null | grep -q $'\t'"$1"; }
e2e_require "the installation finishes" wait_until 60 status_is 'Run Quorvantis?$'
press_key Form3 n  # the No button's accelerator
e2e_check "the installer ends with status 0" test "$(wait_exit "$work/setup.log")" = 0
e2e_check "every packed file is installed byte for byte" check_installed_files "$payload" "$install_unix"
e2e_check "the entry carries the publisher's version and name" \
  eval 'show_uninstall_key | grep -q "DisplayVersion.*2\.3 " && show_uninstall_key | grep -q "Publisher.*Acme Tools"'

# --- A copy elsewhere refuses ---------------------------------------------------------
elsewhere=$WINEPREFIX/drive_c/users/Public/Downloads/unpacked
mkdir -p "$elsewhere/docs"
cp "$install_unix/UninstallQuorvantis.exe" "$install_unix/Quorvantis.exe" "$elsewhere/"
echo mine >"$elsewhere/docs/Read me.txt"
out=$(wine_run 'C:\users\Public\Downloads\unpacked\UninstallQuorvantis.exe' /S)
rc=$?
e2e_check "a copy outside the installation refuses with status 1603: $out" \
  test $rc -eq $((1603 % 256)) -a -n "$(grep -F "is installed in $install_dir" <<<"$out")"
e2e_check "and deletes nothing there" \
  test -f "$elsewhere/Quorvantis.exe" -a -f "$elsewhere/docs/Read me.txt"

# --- Uninstalling removes exactly the payload ------------------------------------------
echo "my own notes" >"$install_unix/docs/notes.txt"
out=$(wine_run "${install_dir}UninstallQuorvantis.exe" /S)
rc=$?
e2e_check "the uninstaller reports success" test $rc -eq 0
e2e_check "it names the folder kept for the person's file" grep -qF "${install_dir}docs\\ was kept" <<<"$out"
wait_until 15 test ! -e "$install_unix/UninstallQuorvantis.exe"
left=$(cd "$install_unix" 2>/dev/null && find . | sort | tr '\n' ' ')
e2e_check "only the person's file and its folders are left: $left" test "$left" = ". ./docs ./docs/notes.txt "
e2e_check "the uninstall entry is gone" eval '! uninstall_key_exists'
pending=$(wine_run reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' \
          /v PendingFileRenameOperations)
e2e_check "the finishing copy ran from its own folder under the Windows Temp" \
  grep -qiE 'windows\\temp\\UninstallQuorvantis-[0-9a-f]{16}\\UninstallQuorvantis\.exe' <<<"$pending"

[ "$E2E_FAILURES" -eq 0 ] && echo "e2e.package: all checks passed" || echo "e2e.package: $E2E_FAILURES check(s) failed"
[ "$E2E_FAILURES" -eq 0 ]
