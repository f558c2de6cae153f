#!/usr/bin/env bash
# Builds the console report tool and runs its report on the built-in
# simulated machine. The report log luma_qrt.log is written in the current
# directory. Extra arguments go to luma_qrt (for example --script).
#   LUMA_SIM_PROFILE  the machine (a built-in profile name or a profile file; default dov)
#   LUMA_SIM_STATE    where the machine keeps its state (default: a per-user folder)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LUMA_BUILD_DIR:-$root/build}
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
log=$(mktemp)
trap 'rm -f "$log"' EXIT
# A first build needs neither GoogleTest nor Google Benchmark.
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DLUMA_BUILD_TESTS=OFF -DLUMA_BUILD_BENCH=OFF >"$log" 2>&1 || { cat "$log" >&2; exit 1; }
fi
cmake --build "$build" --target luma_qrt -j"$(nproc)" >"$log" 2>&1 || { cat "$log" >&2; exit 1; }
"$build/bin/luma_qrt" "$@"
