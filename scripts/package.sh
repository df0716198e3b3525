#!/usr/bin/env bash
# Packages a publisher's product folder into one installer (make package):
#
#   scripts/package.sh PRESET FOLDER OUT.exe
#
# PRESET is win32 (the shipped i686 build) or win64 (the tests' build).
# VERSION (MAJOR.MINOR), MAKER, MAKER_URL, MAKER_URL2 and REPRODUCIBLE=1
# come from the environment; unset ones take the project's defaults.
# The folder is checked first (payloadcheck, built natively), then built
# into build/package-PRESET (or PACKAGE_BUILD) and copied to OUT.exe; the
# summary names its size, the payload's file count and size, and SHA-256.
set -euo pipefail
preset=${1:?usage: package.sh PRESET FOLDER OUT.exe}
folder=${2:?usage: package.sh PRESET FOLDER OUT.exe}
out=${3:?usage: package.sh PRESET FOLDER OUT.exe}
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${JOBS:-$(nproc)}
fail() { echo "package: $*" >&2; exit 1; }

[ -d "$folder" ] || fail "$folder is not a folder (give PAYLOAD=<folder of your product>)"
folder=$(cd "$folder" && pwd)
if [ -n "${VERSION:-}" ] && ! [[ $VERSION =~ ^[0-9]+\.[0-9]+$ ]]; then
  fail "VERSION must be MAJOR.MINOR (two numbers), not \"$VERSION\""
fi

# The check first: a refused name is reported before anything is built.
quiet() { "$@" >/dev/null || { echo "package: failed: $*" >&2; exit 1; }; }
[ -f "$root/build/native/CMakeCache.txt" ] || quiet cmake -S "$root" --preset native
quiet cmake --build "$root/build/native" --target payloadcheck -j"$jobs"
check=$root/build/native/bin/payloadcheck
"$check" --dir "$folder" --fallback UninstallQuorvantis.exe >/dev/null ||
  fail "$folder cannot be packaged as it is (see above)"

# Options not given fall back to the project's defaults (-U), whatever an
# earlier package set.
option() {  # option CACHE_NAME VALUE
  if [ -n "$2" ]; then echo "-D$1=$2"; else echo "-U$1"; fi
}
url2=${MAKER_URL2:-${MAKER_URL:-}}
build=${PACKAGE_BUILD:-$root/build/package-$preset}
args=(-S "$root" --preset "$preset" -B "$build" -DQ_TESTS=OFF -DQ_WINE_TESTS=OFF
      "-DQ_PAYLOAD_DIR=$folder" "-DQ_PAYLOAD_CHECK=$check"
      "-DQ_REPRODUCIBLE=$([ "${REPRODUCIBLE:-0}" = 1 ] && echo ON || echo OFF)"
      "$(option Q_VERSION "${VERSION:-}")" "$(option Q_MAKER_NAME "${MAKER:-}")"
      "$(option Q_MAKER_URL "${MAKER_URL:-}")" "$(option Q_MAKER_URL2 "$url2")")
# A folder an older tree configured with another generator starts afresh.
[ -f "$build/CMakeCache.txt" ] && [ ! -f "$build/build.ninja" ] && args+=(--fresh)
quiet cmake "${args[@]}"
cmake --build "$build" --target QuorvantisSetup -j"$jobs" >"$build/package.log" 2>&1 ||
  { tail -30 "$build/package.log" >&2; fail "the build failed (whole log: $build/package.log)"; }

mkdir -p "$(dirname "$out")"
cp "$build/bin/QuorvantisSetup.exe" "$out.tmp" && mv "$out.tmp" "$out"
python3 - "$out" "$build/payload/payload.zip" <<'PY'
import hashlib, os, sys, zipfile
out, payload = sys.argv[1:]
infos = zipfile.ZipFile(payload).infolist()
digest = hashlib.sha256(open(out, "rb").read()).hexdigest()
print(f"{out}: {os.path.getsize(out):,} bytes")
print(f"payload: {len(infos)} files, {sum(i.file_size for i in infos):,} bytes")
print(f"SHA-256: {digest}")
PY
