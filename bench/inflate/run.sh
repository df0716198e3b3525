#!/usr/bin/env bash
# Builds the benchmark corpus and archives if they are missing (under
# /tmp/qbench unless Q_BENCH_DIR says otherwise; never in the checkout),
# then runs the inflate/CRC benchmark and the extraction timing against
# bsdtar and 7-Zip. Expects the native build (cmake --build --preset native).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
dir=${Q_BENCH_DIR:-/tmp/qbench}
shared=${Q_SHARED_DIR:-$root/../shared}
if [ ! -f "$dir/corpus.manifest" ]; then
  python3 "$shared/bench/make-corpus" --out "$dir/corpus"
fi
if [ ! -f "$dir/archives/bsdtar-dd.zip" ]; then
  python3 "$shared/bench/make-archives" --corpus "$dir/corpus" --out "$dir/archives"
fi
"$root/build/native/bin/inflate_bench" "$dir/archives" --runs "${Q_BENCH_RUNS:-7}"
echo
"$here/peers.sh" "$root/build/native/bin/qunzip" "$dir/archives" "$dir/corpus"
