#!/usr/bin/env bash
# The cost of the installation transaction on the benchmark corpus (about
# 100 MB in about 2,000 files): builds the corpus when missing (under
# /tmp/qbench unless Q_BENCH_DIR says otherwise), packs it with the two
# programs as the build packs a Q_PAYLOAD_DIR folder, and runs install_bench
# under wine64 in a private prefix. Expects the win64 build
# (cmake --build --preset win64 --target install_bench QuorvantisSetup).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
dir=${Q_BENCH_DIR:-/tmp/qbench}
shared=${Q_SHARED_DIR:-$root/../shared}
build=$root/build/win64
if [ ! -f "$dir/corpus.manifest" ]; then
  python3 "$shared/bench/make-corpus" --out "$dir/corpus"
fi
payload=$dir/staging-bench-payload
rm -rf "$payload" && cp -al "$dir/corpus" "$payload"
for program in Quorvantis UninstallQuorvantis; do cp "$build/bin/$program.exe" "$payload/"; done
python3 "$root/src/payload/make_payload.py" "$dir/staging-bench-payload.zip" --dir "$payload" >/dev/null
echo "payload: $(find "$payload" -type f | wc -l) files, $(du -sm "$payload" | cut -f1) MB," \
     "archive $(($(stat -c %s "$dir/staging-bench-payload.zip") / 1048576)) MB"

export WINEPREFIX=$dir/staging-bench-prefix WINEDEBUG=-all HOME=$build/wine/home
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
rm -rf "$WINEPREFIX" && cp -a "$build/wine/template-null" "$WINEPREFIX"
target=$WINEPREFIX/drive_c/bench
mkdir -p "$target"
winpath() { local p=$1; echo "Z:${p//\//\\}"; }
/usr/lib/wine/wine64 "$build/bin/install_bench.exe" "$(winpath "$dir/staging-bench-payload.zip")" \
  "$(winpath "$target")" --runs "${Q_BENCH_RUNS:-5}" | tr -d '\r'
/usr/lib/wine/wineserver -k
rm -rf "$WINEPREFIX" "$payload"
