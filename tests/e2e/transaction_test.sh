#!/usr/bin/env bash
# End to end, an update that cannot complete leaves the previous version as
# it was: the old version is installed first and its files hashed; then an
# installer whose archive holds a damaged entry, an installer started while
# Quorvantis.exe runs, an installer whose target volume is too small (a
# small tmpfs mapped as a Wine drive; needs root), and installers killed
# (kill -9) in each phase of an installation, each followed by a normal
# installation, by a start of the installer answered with No, or by the
# uninstaller. Afterwards the installation folder holds exactly the old
# version's files or exactly the new one's, and Program Files nothing else
# of ours. Whole installations run unattended (/S, the outcome read from
# the log); the dialog is driven only where a key press is the point.
set -uo pipefail
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"
e2e_test_begin transaction
work=$E2E_WORK
title=Form3
mapfile -t folders < <(system_folders)
program_files=$(unixpath "${folders[0]}")
product=$program_files/Quorvantis

# --- Three installers: old, new (large enough to take a few seconds), damaged.
# Each version's uninstaller carries that version's list of names, as a
# build would pack it: it removes exactly those.
# versions PHASE: "lists" writes each version's names and a copy of its
# uninstaller; "zips" packs each version with its uninstaller, and a damaged
# copy of the new one.
versions() {
  python3 - "$Q_BUILD/payload/payload.zip" "$work" "$1" <<'PY'
import random, sys, zipfile
source, work, phase = sys.argv[1:4]
with zipfile.ZipFile(source) as z:
    files = {i.filename: z.read(i) for i in z.infolist() if not i.is_dir()}
old = dict(files, **{"ChangeLog.txt": b"the old version\r\n", "only-old.txt": b"gone in the new one\r\n"})
words = [bytes(random.Random(i).choices(range(97, 123), k=7)) for i in range(400)]
rnd = random.Random(15)
new = dict(files)
for i in range(200):
    new[f"data/part{i // 20}/file{i}.txt"] = b" ".join(rnd.choices(words, k=2000))
for name, entries in (("old", old), ("new", new)):
    uninstaller = f"{work}/{name}-uninstaller.exe"
    if phase == "lists":
        with open(f"{work}/{name}.list", "w", encoding="utf-8", newline="\n") as f:
            f.write("".join(n + "\n" for n in sorted(entries)))
        open(uninstaller, "wb").write(entries["UninstallQuorvantis.exe"])
        continue
    entries["UninstallQuorvantis.exe"] = open(uninstaller, "rb").read()
    with zipfile.ZipFile(f"{work}/{name}.zip", "w", zipfile.ZIP_DEFLATED) as z:
        for n, d in entries.items():
            z.writestr(n, d)
if phase == "zips":
    # One entry's data damaged in the middle: its CRC (or its stream) fails.
    data = bytearray(open(f"{work}/new.zip", "rb").read())
    with zipfile.ZipFile(f"{work}/new.zip") as z:
        info = z.getinfo("data/part5/file100.txt")
    start = info.header_offset + 30 + len(info.filename.encode()) + len(info.extra)
    data[start + info.compress_size // 2] ^= 0x55
    open(f"{work}/damaged.zip", "wb").write(data)
PY
}
versions lists
for v in old new; do
  e2e_require "the $v uninstaller carries its list" qe2e set-resource \
    "$(winpath "$work/$v-uninstaller.exe")" '#10' 100 "$(winpath "$work/$v.list")"
done
versions zips
for v in old new damaged; do
  cp "$Q_BIN/QuorvantisSetup.exe" "$work/txn-$v-setup.exe"
  e2e_require "the $v installer is made" qe2e set-resource "$(winpath "$work/txn-$v-setup.exe")" ZIP 1 "$(winpath "$work/$v.zip")"
done

# tree_hash DIR: one line per file, its hash and path.
tree_hash() { (cd "$1" 2>/dev/null && find . -type f -print0 | sort -z | xargs -0r sha256sum); }
ours() { ls -d "$program_files"/Quorvantis* 2>/dev/null | sed "s|^$program_files/||" | tr '\n' ' '; }
# setup VERSION: starts that installer's dialog and answers Yes.
setup() {
  wine_start "$work/setup.log" "$work/txn-$1-setup.exe"
  wait_window "$title" 60 >/dev/null && press_key "$title" Return
}
# close_setup: No ends the dialog, whatever state it is in.
close_setup() {
  click_control "$title" "&NO" >/dev/null
  wait_exit "$work/setup.log" 30 >/dev/null
}
# install VERSION: a whole unattended installation; prints the exit code and
# the message of its log's last line.
install() {
  local log=$work/install.log
  rm -f "$log"
  timeout 120 "$E2E_WINE" "$work/txn-$1-setup.exe" /S "/LOG=$(winpath "$log")" </dev/null >/dev/null 2>&1
  tail -n 1 "$log" 2>/dev/null | tr -d '\r' | cut -f3,5
}
# start_silent VERSION: the same in the background (for the kills).
start_silent() {
  wine_start "$work/setup.log" "$work/txn-$1-setup.exe" /S "/LOG=$(winpath "$work/install.log")"
}

status=$(install old)
e2e_require "the old version installs: $status" test "${status%%$'\t'*}" = 0
old_hash=$(tree_hash "$product")
rm -rf "$work/old-install" && cp -a "$product" "$work/old-install"
others=$(ls "$program_files" | grep -v '^Quorvantis$')
unchanged() { test "$(tree_hash "$product")" = "$old_hash" -a "$(ours)" = "Quorvantis "; }

# --- A damaged entry ----------------------------------------------------------------
status=$(install damaged)
e2e_check "a damaged entry fails with the reason: $status" grep -q "^1603.*could not be extracted.*file100.txt" <<<"$status"
e2e_check "... every old file is byte-identical, no staging folder left" unchanged

# --- Quorvantis is running ------------------------------------------------------------
wine_start "$work/product.log" "$product/Quorvantis.exe"
if e2e_check "Quorvantis.exe runs" wait_window "Quorvantis 1.1" 30 >/dev/null; then
  status=$(install new)
  e2e_check "the installer asks to close Quorvantis first: $status" grep -q "Quorvantis is running: close it first" <<<"$status"
  e2e_check "... nothing changed" unchanged
  click_control "Quorvantis 1.1" Close
  wait_exit "$work/product.log" 30 >/dev/null
fi

# --- A volume too small ---------------------------------------------------------------
small=$work/small-volume
mkdir -p "$small"
if [ "$(id -u)" = 0 ] && mount -t tmpfs -o size=2m tmpfs "$small" 2>/dev/null; then
  mkdir -p "$small/Program Files" && cp -a "$work/old-install" "$small/Program Files/Quorvantis"
  before=$(tree_hash "$small")
  ln -sfn "$small" "$WINEPREFIX/dosdevices/q:"
  key='HKLM\Software\Microsoft\Windows\CurrentVersion'
  "$E2E_WINE" reg add "$key" /v ProgramFilesDir /d 'Q:\Program Files' /f >/dev/null 2>&1
  status=$(install new)
  e2e_check "too small a volume is refused with both figures: $status" \
    grep -qE "not enough free space on the drive of Q:.*needs [0-9]+ MB, [0-9]+ MB are free" <<<"$status"
  e2e_check "... nothing was written there" test "$(tree_hash "$small")" = "$before" -a \
    "$(ls "$small/Program Files")" = Quorvantis
  "$E2E_WINE" reg add "$key" /v ProgramFilesDir /d "${folders[0]}" /f >/dev/null 2>&1
  rm -f "$WINEPREFIX/dosdevices/q:"
  umount "$small"
else
  echo "skipped: the small volume (mounting a tmpfs needs root)"
fi

# --- The new version, whole: its files, and how long it takes -------------------------
start=$(date +%s%N)
status=$(install new)
elapsed_ms=$((($(date +%s%N) - start) / 1000000))
e2e_require "the new version installs over the old one: $status" test "${status%%$'\t'*}" = 0
new_hash=$(tree_hash "$product")
e2e_check "... and carries only-old.txt over (not in its payload)" test -f "$product/only-old.txt"
e2e_check "... leaving nothing beside it" test "$(ours)" = "Quorvantis "
echo "installing the new version unattended takes ${elapsed_ms} ms, the start of Wine included"

# --- Killed in every phase ------------------------------------------------------------
# setup_pids: this prefix's installer processes.
setup_pids() {
  local p
  for p in $(pgrep -f 'txn-new-setup\.exe'); do
    tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "$p"
  done
}
# The moments the installer is killed at, each a condition on the folders
# beside the product polled as fast as the shell can: as soon as Yes is
# pressed in the dialog, then, in unattended runs, with the new version
# half staged, with the new version in place and the old one still aside
# (the shortcuts and the entry), and once that is gone too. (The instant
# between the commit's two renames is too short to catch from outside; the
# transaction's unit test kills it before every single step.) Each is
# followed in turn by an unattended installation, the installer's start
# answered with No, or the uninstaller.
started() { true; }
half_staged() { test "$(find "$product.~new" -type f 2>/dev/null | wc -l)" -ge 100; }
old_aside() { test -d "$product.~old" -a -d "$product" -a ! -d "$product.~new"; }
finishing() { test -d "$product" -a ! -e "$product.~old" -a ! -e "$product.~new" -a \
  -n "$(find "$product/data" -maxdepth 0 2>/dev/null)"; }
moments=(started half_staged old_aside finishing)
# poll COND: true once COND holds, false once the installation went past it
# (or after a minute).
poll() {
  local end=$((SECONDS + 60))
  until "$1"; do
    if finishing || [ $SECONDS -ge $end ]; then "$1"; return; fi
    sleep 0.01
  done
}
after_kill=
for ((i = 0; i < ${#moments[@]}; i++)); do
  moment=${moments[i]}
  rm -rf "$product" "$product.~new" "$product.~old"
  cp -a "$work/old-install" "$product"
  if [ "$moment" = started ]; then setup new; else start_silent new; fi
  poll "$moment" || echo "    (the installation went past $moment unseen)"
  left=$(ls -d "$product".~* 2>/dev/null | sed 's|.*/||' | tr '\n' ' ')
  mapfile -t pids < <(setup_pids)
  [ "${#pids[@]}" -gt 0 ] && kill -9 "${pids[@]}"
  wait_until 10 test -z "$(setup_pids)"
  wait_exit "$work/setup.log" 10 >/dev/null
  after_kill+="$moment: ${left:-none}| "
  status=
  mode=$((i % 3))
  # Without an installation folder there is no uninstaller to start.
  [ $mode = 2 ] && [ ! -e "$product/UninstallQuorvantis.exe" ] && mode=1
  case $mode in
    0) how="a normal installation"
       status=$(install new)
       ok() { test "${status%%$'\t'*}" = 0 -a "$(tree_hash "$product")" = "$new_hash"; } ;;
    1) how="the installer's start, then No"
       wine_start "$work/setup.log" "$work/txn-new-setup.exe"
       wait_window "$title" 60 >/dev/null
       hash=$(tree_hash "$product")
       close_setup
       ok() { test "$hash" = "$old_hash" -o "$hash" = "$new_hash"; } ;;
    2) how="the uninstaller"
       status=$(wine_run "$product/UninstallQuorvantis.exe" /S 2>&1 | tail -3)
       # Files it did not install (the new version's data, only-old.txt) stay.
       ok() { test ! -e "$product/Quorvantis.exe"; } ;;
  esac
  e2e_check "killed at $moment, then $how: exactly the old or the new version" ok ||
    echo "    status: ${status:-none}; installed: $(ls "$product" 2>/dev/null | tr '\n' ' ')"
  e2e_check "... and nothing else in Program Files" \
    test "$(ls "$program_files" | grep -v '^Quorvantis$')" = "$others" -a -z "$(ls -d "$product".* 2>/dev/null)"
done
echo "folders beside the product when killed: $after_kill"

[ "$E2E_FAILURES" -eq 0 ] && echo "e2e.transaction: all checks passed" || echo "e2e.transaction: $E2E_FAILURES check(s) failed"
[ "$E2E_FAILURES" -eq 0 ]
