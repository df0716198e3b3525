#!/usr/bin/env bash
# Guards what the shipped Windows images claim: in every image the build
# ships (the programs built as shipped code, listed by CMake in
# build/win32/shipped-images.txt)
#  - no C++ exception runtime or unwinder (its symbols, imports or type
#    names): the shipped code is built without exceptions;
#  - imports from Windows' own DLLs only;
# and QuorvantisSetup.exe without its payload resource stays within a size
# budget, so that growth is seen. Usage: check-images.sh [BUILD_FOLDER].
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/win32}
bin=$build/bin
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
# Bytes of QuorvantisSetup.exe less its "ZIP" resource (the payload).
budget=${Q_SETUP_BUDGET:-266240}  # 260 KiB; 261,483 on 2026-12-07
# The DLLs of Windows the programs may use; msvcrt.dll is the C runtime Windows carries.
system_dlls='^(kernel32|user32|gdi32|comctl32|advapi32|shell32|ole32|msvcrt)\.dll$'
unwinder='__cxa_throw|__cxa_begin_catch|__cxa_allocate_exception|__gxx_personality|_Unwind_[A-Za-z]+|__gcc_personality|St9exception|St9bad_alloc'

if [ ! -s "$build/shipped-images.txt" ]; then
  echo "error: no $build/shipped-images.txt (build the win32 preset first)" >&2
  exit 1
fi
images=()
while read -r name; do
  [ -n "$name" ] && images+=("$bin/$name")
done <"$build/shipped-images.txt"
status=0
for image in "${images[@]}"; do
  name=$(basename "$image")
  if [ ! -f "$image" ]; then
    echo "error: $name is missing (build the win32 preset first)" >&2
    status=1
    continue
  fi
  dump=$("$objdump" -p "$image")
  while read -r dll; do
    if ! grep -qiE "$system_dlls" <<<"$dll"; then
      echo "error: $name imports $dll, which is not part of Windows" >&2
      status=1
    fi
  done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump")
  if found=$( { "$objdump" -t "$image" 2>/dev/null; strings -a "$image"; } |
              grep -oE "$unwinder" | sort -u | tr '\n' ' '); then
    echo "error: $name carries exception runtime or unwinder pieces: $found" >&2
    status=1
  fi
done

setup=$bin/QuorvantisSetup.exe
if [ -f "$setup" ]; then
  # The payload is the data of resource "ZIP" 1: its size is the one the
  # resource directory gives, read here with Python's standard library.
  payload=$(python3 - "$setup" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
pe = struct.unpack_from("<I", data, 0x3C)[0]
sections = struct.unpack_from("<H", data, pe + 6)[0]
optional = struct.unpack_from("<H", data, pe + 20)[0]
magic = struct.unpack_from("<H", data, pe + 24)[0]
dirs = pe + 24 + (96 if magic == 0x10B else 112)
rsrc_rva = struct.unpack_from("<I", data, dirs + 2 * 8)[0]
table = pe + 24 + optional
def offset(rva):
    for i in range(sections):
        s = table + 40 * i
        vsize, vaddr, rawsize, rawptr = struct.unpack_from("<IIII", data, s + 8)
        if vaddr <= rva < vaddr + max(vsize, rawsize):
            return rawptr + rva - vaddr
    raise SystemExit("no section holds the resources")
base = offset(rsrc_rva)
def entries(at):
    named, ids = struct.unpack_from("<HH", data, at + 12)
    for i in range(named + ids):
        yield struct.unpack_from("<II", data, at + 16 + 8 * i)
def name_of(key):
    if not key & 0x80000000:
        return key
    at = base + (key & 0x7FFFFFFF)
    n = struct.unpack_from("<H", data, at)[0]
    return data[at + 2:at + 2 + 2 * n].decode("utf-16-le")
total = 0
for key, sub in entries(base):
    if name_of(key) != "ZIP":
        continue
    stack = [sub]
    while stack:
        item = stack.pop()
        if item & 0x80000000:
            stack.extend(s for _, s in entries(base + (item & 0x7FFFFFFF)))
        else:
            total += struct.unpack_from("<I", data, base + item + 4)[0]
print(total)
PY
)
  size=$(stat -c %s "$setup")
  stub=$((size - payload))
  echo "QuorvantisSetup.exe: $size bytes, payload $payload, without it $stub (budget $budget)"
  if [ "$stub" -gt "$budget" ]; then
    echo "error: QuorvantisSetup.exe without its payload is $stub bytes, over the budget of $budget" >&2
    status=1
  fi
fi
[ $status -eq 0 ] && echo "images: ${#images[@]} shipped, Windows DLLs only, no unwinder"
exit $status
