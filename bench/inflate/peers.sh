#!/usr/bin/env bash
# Whole-archive extraction time: qunzip x against bsdtar -xf and 7zz x, on
# the benchmark archives, into a tmpfs folder. Every tool's output is first
# compared byte for byte with the corpus; then hyperfine times each tool
# (the destination is emptied before every run) and the table shows the
# mean times and how much faster qunzip is, in wall time and in CPU time
# (user + system: on a loaded machine the wall times wander, the CPU times
# much less).
#
#   peers.sh [QUNZIP] [ARCHIVE_DIR] [CORPUS_DIR]
#
# Defaults: build/native/bin/qunzip, /tmp/qbench/archives, /tmp/qbench/corpus
# (as make-corpus and make-archives build them). Needs hyperfine, bsdtar
# (libarchive-tools) and 7zz (7zip). The scratch folder is under /dev/shm.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
qunzip=$(realpath "${1:-$here/../../build/native/bin/qunzip}")
archives=${2:-/tmp/qbench/archives}
corpus=${3:-/tmp/qbench/corpus}
runs=${Q_BENCH_RUNS:-5}
for tool in hyperfine bsdtar 7zz; do
  command -v "$tool" > /dev/null || { echo "peers.sh: $tool is missing" >&2; exit 2; }
done
scratch=$(mktemp -d /dev/shm/qbench-peers.XXXXXX)
trap 'rm -rf "$scratch"' EXIT

extract() {  # tool archive dest
  rm -rf "$3" && mkdir -p "$3"
  case $1 in
    qunzip) "$qunzip" x "$2" "$3/" > /dev/null ;;
    bsdtar) bsdtar -xf "$2" -C "$3" ;;
    7zz) 7zz x -y -bd -o"$3" "$2" > /dev/null ;;
  esac
}

printf '%-10s %10s %10s %10s %16s %14s %14s %12s\n' archive "qunzip s" "bsdtar s" "7zz s" "bsdtar/qunzip" "7zz/qunzip" "CPU bsdtar/q" "CPU 7zz/q"
for name in deflate6 deflate9 7z-mx9 bsdtar-dd; do
  zip=$archives/$name.zip
  [ -f "$zip" ] || { echo "peers.sh: $zip is missing (run make-corpus and make-archives)" >&2; exit 2; }
  for tool in qunzip bsdtar 7zz; do
    extract "$tool" "$zip" "$scratch/out"
    if ! diff -r -q "$scratch/out" "$corpus" > /dev/null; then
      echo "peers.sh: $tool's output of $name differs from the corpus" >&2
      exit 1
    fi
  done
  json=$scratch/$name.json
  hyperfine --style none --runs "$runs" --warmup 1 --export-json "$json" \
    --prepare "rm -rf '$scratch/out' && mkdir -p '$scratch/out'" \
    -n qunzip "'$qunzip' x '$zip' '$scratch/out/'" \
    -n bsdtar "bsdtar -xf '$zip' -C '$scratch/out'" \
    -n 7zz "7zz x -y -bd -o'$scratch/out' '$zip'" > /dev/null 2> "$scratch/hyperfine.log"
  python3 - "$json" "$name" <<'PY'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
r = {x["command"]: x["mean"] for x in results}
c = {x["command"]: x["user"] + x["system"] for x in results}
q, b, s = r["qunzip"], r["bsdtar"], r["7zz"]
print(f"{sys.argv[2]:<10} {q:10.3f} {b:10.3f} {s:10.3f} {b / q:16.2f} {s / q:14.2f} "
      f"{c['bsdtar'] / c['qunzip']:14.2f} {c['7zz'] / c['qunzip']:12.2f}")
PY
done
echo "(mean wall and CPU time of $runs runs each, outputs checked byte for byte against the corpus first)"
