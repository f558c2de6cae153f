#!/bin/sh
# Regenerates the report logs of this folder: luma_qrt's automatic run on
# each built-in family machine, in a fresh state directory.
#   tests/data/qrt_logs/make_logs.sh [build directory, default build]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "${1:-build}" && pwd)/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for family in ava dov cyr eft fyn bex; do
  mkdir "$work/$family"
  (cd "$work/$family" &&
    LUMA_SIM_PROFILE=$family LUMA_SIM_STATE="$work/$family/state" "$bin/luma_qrt" </dev/null >/dev/null)
  cp "$work/$family/luma_qrt.log" "$here/$family.log"
done
