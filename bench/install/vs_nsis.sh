#!/usr/bin/env bash
# Install time of a real product: our installer against an NSIS installer
# of the same files, under wine64, in one prefix, runs alternating.
#
#   bench/install/vs_nsis.sh [RUNS=5]
#
# With Q_BENCH_BEFORE=path/to/QuorvantisSetup.exe (an earlier build with the
# same payload) that installer is timed too, in the same rotation.
#
# Builds the benchmark corpus if missing (under Q_BENCH_DIR, default
# /tmp/qbench), builds QuorvantisSetup.exe with the corpus as its payload
# (build/win64-bench, a build folder of its own) and an NSIS installer of
# the corpus (makensis from Debian's nsis: Unicode, amd64, zlib, silent,
# File /r, the same three shortcuts and an uninstall entry). Both are run
# unattended (wine64 setup.exe /S) and timed from start to end, the process
# start included. Every run's installed files are compared with the corpus.
# Prints both times per run, their medians, the ratio and both sizes.
# Where the kernel lets the script count it (a cgroup-v1 cpuacct hierarchy it
# may write to), it prints the CPU time of each run too: every process the
# run keeps busy (the installer, the wine server, a desktop process, the X
# server), a figure the machine's other load disturbs far less than the
# time.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
runs=${1:-5}
dir=${Q_BENCH_DIR:-/tmp/qbench}
shared=${Q_SHARED_DIR:-$root/../shared}
corpus=$dir/corpus
work=$dir/install
build=$root/build/win64-bench
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver
for tool in makensis Xvfb "$wine"; do
  command -v "$tool" > /dev/null || { echo "install bench: $tool is missing" >&2; exit 2; }
done
[ -f "$dir/corpus.manifest" ] || python3 "$shared/bench/make-corpus" --out "$corpus"

# --- the two installers -----------------------------------------------------------
# Our payload: the corpus (hard links) and the two programs the installer's
# shortcuts and uninstall entry point at, built first in the same folder.
payload=$work/payload
mkdir -p "$work"
if [ ! -d "$payload/small" ]; then
  rm -rf "$payload"
  cp -al "$corpus" "$payload"
fi
# The two programs are built with the payload's file list, which needs their
# names there first: stand-ins until the first build replaces them.
for program in Quorvantis UninstallQuorvantis; do
  [ -f "$payload/$program.exe" ] || : > "$payload/$program.exe"
done
# The payload check runs on this machine: the native build's.
[ -f "$root/build/native/CMakeCache.txt" ] || cmake --preset native -S "$root" > /dev/null
cmake --build "$root/build/native" --target payloadcheck -j2 > /dev/null
cmake -S "$root" -B "$build" --toolchain "$root/cmake/toolchain-x86_64-w64-mingw32.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DQ_TESTS=OFF -DQ_PAYLOAD_DIR="$payload" \
  -DQ_PAYLOAD_CHECK="$root/build/native/bin/payloadcheck" > /dev/null
cmake --build "$build" --target Quorvantis UninstallQuorvantis -j2 > /dev/null
for program in Quorvantis UninstallQuorvantis; do
  cmp -s "$build/bin/$program.exe" "$payload/$program.exe" || cp "$build/bin/$program.exe" "$payload/"
done
cmake --build "$build" --target QuorvantisSetup -j2 > /dev/null
ours=$build/bin/QuorvantisSetup.exe
nsis=$work/nsis-setup.exe
winpath() { local p=$1; echo "Z:${p//\//\\}"; }
cat > "$work/setup.nsi" <<NSI
Unicode true
Target amd64-unicode
SetCompressor zlib
SilentInstall silent
RequestExecutionLevel admin
Name "QBench"
OutFile "$nsis"
InstallDir "\$PROGRAMFILES64\\QBench"
Section
  SetOutPath "\$INSTDIR"
  File /r "$corpus/*"
  WriteUninstaller "\$INSTDIR\\uninstall.exe"
  CreateDirectory "\$SMPROGRAMS\\QBench"
  CreateShortcut "\$DESKTOP\\QBench.lnk" "\$INSTDIR\\random\\random.bin"
  CreateShortcut "\$SMPROGRAMS\\QBench\\QBench.lnk" "\$INSTDIR\\random\\random.bin"
  CreateShortcut "\$SMPROGRAMS\\QBench\\Uninstall QBench.lnk" "\$INSTDIR\\uninstall.exe"
  WriteRegStr HKLM "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QBench" "DisplayName" "QBench"
  WriteRegStr HKLM "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QBench" "UninstallString" "\$INSTDIR\\uninstall.exe"
SectionEnd
Section "Uninstall"
SectionEnd
NSI
if [ ! -f "$nsis" ] || [ "$work/setup.nsi" -nt "$nsis" ] || [ -n "$(find "$corpus" -newer "$nsis" -print -quit)" ]; then
  makensis -V1 "$work/setup.nsi" > /dev/null
fi

# --- a prefix and a display of their own -------------------------------------------
export WINEPREFIX=$work/prefix WINEDEBUG=-all HOME=$work/home
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
mkdir -p "$HOME"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$wine" wineboot -i > /dev/null 2>&1
  "$server" -w
fi
# The script joins a CPU-accounting group of its own before the prefix's
# server and display start, so that they count in it: a server left running
# from before would not.
group_root=/sys/fs/cgroup/cpuacct
cpu_group=$group_root/qbench-$$
mkdir "$cpu_group" 2> /dev/null && echo $$ > "$cpu_group/cgroup.procs" 2> /dev/null || cpu_group=
"$server" -k > /dev/null 2>&1 && "$server" -w 2> /dev/null
"$root/tests/win/wine/xvfb-start.sh" "$work"
DISPLAY=$(cat "$work/display")
export DISPLAY
cleanup() {
  rm -rf "$work/aside"
  "$server" -k > /dev/null 2>&1 || true
  kill "$(cat "$work/xvfb.pid")" 2> /dev/null || true
  rm -f "$work/xvfb.pid" "$work/display"
  if [ -n "$cpu_group" ]; then
    echo $$ > "$group_root/cgroup.procs"
    "$server" -w 2> /dev/null || true
    rmdir "$cpu_group" 2> /dev/null || true
  fi
}
trap cleanup EXIT
setsid "$server" -p < /dev/null > /dev/null 2>&1 &
"$wine" cmd /c exit < /dev/null > /dev/null 2>&1  # the prefix's services start now, not in a run

drive=$WINEPREFIX/drive_c
ours_dir="$drive/Program Files/Quorvantis"
nsis_dir="$drive/Program Files/QBench"

# One run of an installer of ours, unattended (/S), start to end; prints
# seconds. Only the last shortcut's presence tells that it went through.
group="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Quorvantis"
# timed COMMAND...: runs it, prints its seconds and the CPU seconds spent
# meanwhile ("-" where they cannot be counted).
timed() {
  local t0 t1 c0=0 c1=0
  [ -n "$cpu_group" ] && c0=$(cat "$cpu_group/cpuacct.usage")
  t0=$(date +%s.%N)
  "$@" < /dev/null > /dev/null 2>&1 || true
  t1=$(date +%s.%N)
  [ -n "$cpu_group" ] && c1=$(cat "$cpu_group/cpuacct.usage")
  python3 -c "print(f'{$t1 - $t0:.3f}', f'{($c1 - $c0) / 1e9:.3f}' if '$cpu_group' else '-')"
}

# aside FOLDER: moves an installation out of the way until the end. Deleted
# now, its thousands of files would slow the next run's file creation far
# more than anything an installer does (ext4 without a journal scans past
# every recently deleted inode of the block group for each new one), a cost
# that no real installation meets and that both installers would share.
aside() {
  [ -e "$1" ] || return 0
  mkdir -p "$work/aside"
  mv "$1" "$(mktemp -d "$work/aside/XXXXXX")/"
}

run_ours() {  # exe
  aside "$ours_dir"
  rm -rf "$group"
  timed "$wine" "$1" /S
  [ -f "$group/Uninstall Quorvantis.lnk" ] || { echo "install bench: $1 /S made no shortcuts" >&2; exit 1; }
}

run_nsis() {
  aside "$nsis_dir"
  timed "$wine" "$nsis" /S
}

verify() {  # name folder
  if ! diff -r -q -x uninstall.exe -x Quorvantis.exe -x UninstallQuorvantis.exe "$2" "$corpus" > /dev/null; then
    echo "install bench: $1's installed files differ from the corpus" >&2
    exit 1
  fi
}

names=(ours NSIS)
[ -n "${Q_BENCH_BEFORE:-}" ] && names+=(before)
one() {  # name -> seconds
  case $1 in
    ours) run_ours "$ours"; verify ours "$ours_dir" ;;
    before) run_ours "$Q_BENCH_BEFORE"; verify before "$ours_dir" ;;
    NSIS) run_nsis; verify NSIS "$nsis_dir" ;;
  esac
}
printf '%-5s' run; printf ' %16s' "${names[@]/%/ s (CPU s)}"; echo
declare -A times cpus
for i in $(seq 1 "$runs"); do
  declare -A row=()
  # Each run starts with a different installer.
  for k in $(seq 0 $((${#names[@]} - 1))); do
    name=${names[$(((i - 1 + k) % ${#names[@]}))]}
    result=$(one "$name")
    read -r wall cpu <<< "$result"
    row[$name]="$wall ($cpu)"
    times[$name]="${times[$name]:-} $wall"
    cpus[$name]="${cpus[$name]:-} $cpu"
  done
  printf '%-5s' "$i"; for name in "${names[@]}"; do printf ' %16s' "${row[$name]}"; done; echo
done
python3 - "$(stat -c %s "$ours")" "$(stat -c %s "$nsis")" "${times[ours]}" "${times[NSIS]}" \
  "${times[before]:-}" "${cpus[ours]}" "${cpus[NSIS]}" "${cpus[before]:-}" <<'PY'
import statistics, sys
def med(s):
    s = s.split()
    return statistics.median(float(x) for x in s) if s and "-" not in s else None
for what, (o, n, b) in (("median", map(med, sys.argv[3:6])), ("CPU", map(med, sys.argv[6:9]))):
    if o is None: continue
    line = f"{what + ':':8}ours {o:.3f} s, NSIS {n:.3f} s, ours/NSIS {o / n:.2f}"
    if b is not None:
        line += f"; before {b:.3f} s, before/NSIS {b / n:.2f}"
    print(line)
print(f"size:   ours {int(sys.argv[1]):,} bytes, NSIS {int(sys.argv[2]):,} bytes")
PY
echo "(both: wine64 setup.exe /S, start to end; outputs compared with the corpus)"
