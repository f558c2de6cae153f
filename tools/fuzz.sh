#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehavior-
# Sanitizer) into build-fuzz/ and runs each for SECONDS (default 60) from
# its seed corpus and dictionary; reports executions, coverage and every
# crash, hang or sanitizer report with its reproducer. Exit status 1 when
# any target failed.
#   tools/fuzz.sh [SECONDS] [target...]     targets: fuzz_edid_file, ... (default all)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
build=${LUMA_FUZZ_BUILD:-$root/build-fuzz}
jobs=${LUMA_JOBS:-$(nproc)}

if ! command -v clang++ >/dev/null; then echo "fuzz: clang++ is needed (apt-get install clang)" >&2; exit 2; fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DLUMA_FUZZ=ON -DLUMA_BUILD_TESTS=OFF -DLUMA_BUILD_BENCH=OFF >/dev/null || exit 2
cmake --build "$build" --target fuzz_all -j"$jobs" || exit 2

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for t in "$build"/bin/fuzz_*; do [ -x "$t" ] && targets+=("$(basename "$t")"); done
fi

failed=0
printf '%-24s %12s %8s %8s  %s\n' target executions cov ft result
for name in "${targets[@]}"; do
  exe=$build/bin/$name
  # The seeds stay small in the tree; what the run learns goes to the build.
  corpus=$build/corpus/$name
  crashes=$build/crashes/$name
  mkdir -p "$corpus" "$crashes"
  seeds=()
  [ -d "$root/tests/fuzz/corpus/$name" ] && seeds=("$root/tests/fuzz/corpus/$name")
  dict=()
  [ -f "$root/tests/fuzz/$name.dict" ] && dict=(-dict="$root/tests/fuzz/$name.dict")
  log=$build/$name.log
  "$exe" "$corpus" "${seeds[@]}" "${dict[@]}" -max_total_time="$seconds" -timeout=20 \
    -print_final_stats=1 -artifact_prefix="$crashes/" >"$log" 2>&1
  rc=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  if [ "$rc" -eq 0 ]; then
    result=ok
  else
    failed=1
    artifact=$(sed -n 's/.*Test unit written to //p' "$log" | tail -1)
    result="FAILED (status $rc): reproduce with $exe ${artifact:-<see $log>}"
  fi
  printf '%-24s %12s %8s %8s  %s\n' "$name" "${execs:-?}" "${cov:-?}" "${ft:-?}" "$result"
  if [ "$rc" -ne 0 ]; then grep -m1 -A12 'ERROR:\|runtime error\|deadly signal\|timeout' "$log" | sed 's/^/    /'; fi
done
exit $failed
