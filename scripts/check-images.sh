#!/usr/bin/env bash
# Guards what the shipped Windows images claim: in every image the build
# ships (the programs built as shipped code, listed by CMake in
# build/win32/shipped-images.txt)
#  - no C++ exception runtime or unwinder (its symbols, imports or type
#    names): the shipped code is built without exceptions;
#  - imports from Windows' own DLLs only.
# (The installer's size budget is the setup.size_budget test's.)
# Usage: check-images.sh [BUILD_FOLDER].
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/win32}
bin=$build/bin
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
# The DLLs of Windows the programs may use; msvcrt.dll is the C runtime Windows carries.
system_dlls='^(kernel32|user32|gdi32|comctl32|advapi32|shell32|ole32|oleaut32|msvcrt)\.dll$'
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

[ $status -eq 0 ] && echo "images: ${#images[@]} shipped, Windows DLLs only, no unwinder"
exit $status
