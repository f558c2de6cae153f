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
[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target luma_qrt -j"$(nproc)" >/dev/null
exec "$build/bin/luma_qrt" "$@"
