#!/usr/bin/env bash
# Runs every test suite (native, sanitized native with the fuzz smoke runs,
# win64 under wine64, the i686 build under 32-bit Wine) and the checks of
# the tree and the win32 images, all of them even when one fails, then
# prints one summary line per suite. Exit status 1 when any suite or check
# failed. A machine that runs no 32-bit code skips the i686 run and says so
# in the summary (Q_REQUIRE_I686=1 makes that a failure).
set -u
cd "$(dirname "$0")/.."
# shellcheck source=tests/win/wine/i386.sh
source tests/win/wine/i386.sh
jobs=${Q_TEST_JOBS:-2}
status=0
summary=()
for preset in native asan win64 win32; do
  runner=()
  label=$preset
  if [ "$preset" = win32 ]; then
    way=$(i386_way)
    if [ "$way" = none ]; then
      summary+=("win32: SKIPPED: this machine runs no 32-bit code and has no QEMU set-up;" \
                "       the shipped i686 build was not run (scripts/install-deps.sh sets it up)")
      [ "${Q_REQUIRE_I686:-}" = 1 ] && status=1
      continue
    fi
    runner=(i386_exec)
    label="win32 (i686, $way 32-bit Wine)"
  fi
  echo "=== ctest --preset $preset ($(date -u +%H:%M:%S) UTC)"
  out=$(mktemp)
  start=$SECONDS
  "${runner[@]}" ctest --preset "$preset" -j"$jobs" --no-tests=error 2>&1 | tee "$out"
  rc=${PIPESTATUS[0]}
  line=$(grep -E 'tests passed|tests failed' "$out" | tail -1)
  summary+=("$label: ${line:-no result} (exit $rc, $((SECONDS - start)) s)")
  rm -f "$out"
  [ "$rc" -eq 0 ] || status=1
done
# Checks of the tree and of the shipped images.
checks=(scripts/check-include-graph.py scripts/long-functions.sh scripts/check-images.sh
        scripts/check-format.sh)
failed=()
for check in "${checks[@]}"; do
  echo "=== $check ($(date -u +%H:%M:%S) UTC)"
  "$check" || failed+=("$(basename "$check")")
done
if [ ${#failed[@]} -eq 0 ]; then
  summary+=("checks: ${#checks[@]} passed")
else
  summary+=("checks: failed: ${failed[*]}")
  status=1
fi

echo
echo "=== Summary"
printf '%s\n' "${summary[@]}"
# Fuzz smoke runs: executions and features reached, from the test log.
log=build/asan/Testing/Temporary/LastTest.log
if [ -f "$log" ]; then
  awk '/^[0-9]+\/[0-9]+ Test: fuzz\./ {name=$3}
       /stat::number_of_executed_units/ && name {execs=$2}
       /stat::peak_rss_mb/ && name {printf "fuzz: %s %s runs, peak RSS %s MB\n", name, execs, $2; name=""}' "$log"
fi
setup=build/win32/bin/QuorvantisSetup.exe
if [ -f "$setup" ]; then
  echo "win32 installer: $(python3 tools/size/size_report.py "$setup" | sed -n 1p)"
fi
exit $status
