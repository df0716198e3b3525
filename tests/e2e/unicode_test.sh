#!/usr/bin/env bash
# End to end, names in any language: the real QuorvantisSetup.exe, carrying
# a product whose file names hold Latin accents, Cyrillic, Greek, CJK, an
# emoji and full-width look-alikes of dots, slashes and quotes, some in
# nested folders whose whole paths pass 260 characters, installed on an
# English system (ANSI code page 1252) whose desktop lies in a folder named
# in Cyrillic. Every file must arrive byte for byte under its exact name
# (Wine writes names to Linux as UTF-8), the shortcut must land on that
# desktop, and the quiet uninstall must take it all away again.
set -uo pipefail
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
export LC_ALL=C.UTF-8  # Wine takes an English locale and code page 1252 from it
e2e_test_begin unicode
work=$E2E_WORK
acp=$(wine_run reg query 'HKLM\System\CurrentControlSet\Control\Nls\CodePage' /v ACP | awk '/ACP/ { print $3 }')
e2e_require "the prefix's ANSI code page is 1252" test "$acp" = 1252

# --- The product: names in many scripts ---------------------------------------
payload_dir=$work/payload
rm -rf "$payload_dir"
mkdir -p "$payload_dir"
cp "$Q_BIN/Quorvantis.exe" "$Q_BIN/UninstallQuorvantis.exe" "$payload_dir/"
python3 - "$payload_dir" <<'PY'
import os, random, sys
root = sys.argv[1]
long_a = ("Répertoire très long " * 6)[:120].rstrip()
long_b = ("Sous-dossier numéro deux " * 4)[:80].rstrip()
long_f = ("Fichier à nom long " * 3)[:50].rstrip() + ".txt"
names = [
    "Café crème.txt",
    "Пётр/Ελληνικά/Документ.txt",
    "名前/😀 emoji.bin",
    f"{long_a}/{long_b}/{long_f}",
    f"{long_a}/Ünïcødé {'ж' * 40}.txt",
    "ａ．．／ｂ＼＂.txt",  # full-width . . / \ "
    "ｃ＂ ＂．．.txt",
]
rnd = random.Random(17)
for i, name in enumerate(names):
    path = os.path.join(root, *name.split("/"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(name.encode() + bytes(rnd.randrange(256) for _ in range(1000 * (i + 1))))
PY
# Packed as a build packs it: the list of names goes into the uninstaller
# (it removes exactly these), then the files into the installer's archive.
payload=$work/payload.zip list=$work/payload_files.txt
mapfile -t files < <(cd "$payload_dir" && find . -type f | sed 's|^\./||' | sort)
sources=()
for f in "${files[@]}"; do sources+=(--file "$f=$payload_dir/$f"); done
python3 "$source_dir/src/payload/make_payload.py" --list "$list" "${sources[@]}"
e2e_require "the uninstaller carries the list" \
  qe2e set-resource "$(winpath "$payload_dir/UninstallQuorvantis.exe")" '#10' 100 "$(winpath "$list")"
python3 "$source_dir/src/payload/make_payload.py" --zip "$payload" --expect "$list" "${sources[@]}"
e2e_require "the payload packs" test -s "$payload"
expected_names=$(python3 -c 'import sys, zipfile; print("\n".join(zipfile.ZipFile(sys.argv[1]).namelist()))' "$payload" | sort)
setup=$work/QuorvantisSetup.exe
cp "$Q_BIN/QuorvantisSetup.exe" "$setup"
e2e_require "the installer carries the payload" \
  qe2e set-resource "$(winpath "$setup")" ZIP 1 "$(winpath "$payload")"

# --- qunzip on Windows: names listed as UTF-8, a destination in Cyrillic --------
listed=$(wine_run "$Q_BIN/qunzip.exe" l "$(winpath "$payload")" | cut -d' ' -f5- | sort)
e2e_check "qunzip.exe lists every name as it is" test "$listed" = "$(sed 's|/|\\|g' <<<"$expected_names" | sort)"
wine_run "$Q_BIN/qunzip.exe" x "$(winpath "$payload")" 'C:\users\Пётр\qunzip' >/dev/null
e2e_check "qunzip.exe extracts into a Cyrillic folder under the exact names" \
  check_installed_files "$payload" "$(unixpath 'C:\users\Пётр\qunzip')"

# --- A desktop in a folder named in Cyrillic -------------------------------------
desktop='C:\users\Пётр\Desktop'
mkdir -p "$(unixpath "$desktop")"
for key in 'Shell Folders' 'User Shell Folders'; do
  "$E2E_WINE" reg add "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\$key" \
    /v 'Common Desktop' /t REG_SZ /d "$desktop" /f >/dev/null 2>&1
done
mapfile -t folders < <(system_folders)
e2e_require "the installer will read the Cyrillic desktop" test "${folders[2]}" = "$desktop"
install_dir="${folders[0]}\\Quorvantis\\"
install_unix=$(unixpath "$install_dir")
group_unix=$(unixpath "${folders[1]}\\Quorvantis\\")
desktop_link="$desktop\\Quorvantis.lnk"
snapshot() {
  (cd "$WINEPREFIX/drive_c" && find . \( -path ./windows -o -name Temp \) -prune -o -print | sort)
}
before=$(snapshot)

# --- Install -----------------------------------------------------------------------
title=Form3
wine_start "$work/setup.log" "$setup"
e2e_require "the dialog appears" test -n "$(wait_window "$title" 60)"
press_key "$title" Return
status_is() { qe2e windows "$title" 2>/dev/null | grep -q $'\t'"$1"; }
e2e_require "the installation completes" wait_until 60 status_is 'Run Quorvantis?$'
screenshot unicode-1-installed >/dev/null

e2e_check "every file is installed byte for byte under its exact name" \
  check_installed_files "$payload" "$install_unix"
installed=$(cd "$install_unix" && find . -type f | sed 's|^\./||' | sort)
e2e_check "nothing else is installed (no name changed on the way)" test "$installed" = "$expected_names"
longest=$(python3 -c 'import sys, zipfile; print(max(len(sys.argv[2]) + len(n) for n in zipfile.ZipFile(sys.argv[1]).namelist()))' \
  "$payload" "$install_dir")
e2e_check "the longest installed path ($longest characters) passes 260" test "$longest" -gt 260
after=$(snapshot)
inside() { local p=${1#"$WINEPREFIX/drive_c"}; echo ".${p%/}"; }
new=$(comm -13 <(echo "$before") <(echo "$after") |
      grep -vF -e "$(inside "$install_unix")" -e "$(inside "$group_unix")" \
               -e "$(inside "$(unixpath "$desktop_link")")")
e2e_check "look-alike names stay inside the installation folder" test -z "$new"
[ -z "$new" ] || echo "$new" | head
e2e_check "the desktop shortcut lies in the Cyrillic desktop" test -f "$(unixpath "$desktop_link")"
e2e_check "it starts the program" \
  test "$(shortcut_field "$desktop_link" target workdir)" = \
       "${install_dir}Quorvantis.exe|$install_dir"

click_control "$title" "&NO"
e2e_check "the installer ends with status 0" test "$(wait_exit "$work/setup.log")" = 0

# --- Installed again over itself, unattended, with a file of the person's own --
# The previous installation is walked, carried over from and removed under
# names in every script and paths past 260 characters.
deepest=$(cd "$install_unix" && find . -mindepth 2 -type d | awk '{ print length, $0 }' | sort -n | tail -1 | cut -d' ' -f2-)
own_name="Заметки $(printf 'ё%.0s' {1..40}).txt"
own="$install_unix$deepest/$own_name"
own_length=$((${#install_dir} + ${#deepest} - 2 + 1 + ${#own_name}))
echo "the person's own notes" >"$own"
timeout 120 "$E2E_WINE" "$setup" /S </dev/null >/dev/null 2>&1
e2e_check "the installation over the previous one ends with status 0" test $? = 0
e2e_check "... every file byte for byte under its exact name" check_installed_files "$payload" "$install_unix"
e2e_check "... the person's own file ($own_length characters of path) is carried over" \
  test "$(cat "$own" 2>/dev/null)" = "the person's own notes"
e2e_check "... nothing is left beside the installation folder" test -z "$(ls -d "${install_unix%/}".* 2>/dev/null)"
e2e_check "... the shortcut on the Cyrillic desktop is still there" test -f "$(unixpath "$desktop_link")"
rm -f "$own"  # not installed, so the uninstaller leaves it

# --- The quiet uninstall -----------------------------------------------------------
command=$(wine_run reg query "$UNINSTALL_KEY" /v QuietUninstallString |
          awk -F'REG_SZ' '/QuietUninstallString/ { sub(/^ +/, "", $2); print $2 }')
program=${command%\" *}; program=${program#\"}
out=$(wine_run "$program" /S)
echo "$out" | sed 's/^/    /'
wait_until 15 test ! -e "$install_unix"
e2e_check "the shortcut on the Cyrillic desktop is gone" test ! -e "$(unixpath "$desktop_link")"
e2e_check "the program group is gone" test ! -e "$group_unix"
e2e_check "the uninstall entry is gone" eval '! uninstall_key_exists'
e2e_check "the installation folder is gone, every file and folder in it" test ! -e "$install_unix"
[ ! -e "$install_unix" ] || (cd "$install_unix" && find . | sed 's/^/    left: /')

echo "screenshots: $E2E_SHOTS/unicode-*.png"
[ "$E2E_FAILURES" -eq 0 ] && echo "e2e.unicode: all checks passed" || echo "e2e.unicode: $E2E_FAILURES check(s) failed"
[ "$E2E_FAILURES" -eq 0 ]
